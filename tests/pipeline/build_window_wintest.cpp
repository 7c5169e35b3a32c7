// The build as the desktop program runs it: the real progress window, GDI+
// preparation and message boxes, driven the way a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "imaging/gdiplus_win.h"
#include "imaging/image_files_win.h"
#include "pipeline/build_window_win.h"
#include "support/gui_harness_win.h"
#include "support/pdf_reader.h"
#include "support/temp_dir.h"
#include "ui/window_helpers.h"

namespace {

using namespace testsupport;

class BuildWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    ASSERT_TRUE(session_.Started());
    settings_.PaperFormat = 1;
    settings_.RememberLastDirectory = 0;
    for (int i = 0; i < 3; ++i) {
      const std::wstring name = L"page" + std::to_wstring(i) + L".png";
      image_files::SaveImage(image_files::MakeBitmap(64, 48, [](int x, int) { return image_files::Halves(x, 64); }),
                             dir_.File(name), L"image/png");
      items_.push_back({dir_.File(name), name});
    }
    pdfPath_ = dir_.File(L"book.pdf");
  }

  HWND ProgressWindow() { return FindThreadWindow(WindowClassName(kWinBuildPdf).c_str()); }

  GdiplusSession session_;
  TempDir dir_;
  Settings settings_;
  BuildLog log_;
  std::vector<BuildItem> items_;
  std::wstring pdfPath_;
};

TEST_F(BuildWindowTest, BuildsWithTheMainWindowDisabledAndReenabled) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  bool sawWindow = false, mainDisabled = false;
  std::wstring counter, title;
  RECT progressRect{};
  TimerTask watch([&] {
    HWND progress = ProgressWindow();
    if (!progress || WindowText(progress).empty()) return false;  // not past its first file yet
    sawWindow = true;
    mainDisabled = !::IsWindowEnabled(mainWindow.get());
    title = WindowText(progress);
    progressRect = WindowRect(progress);
    const auto statics = ChildTexts(progress, L"Static");
    if (!statics.empty()) counter = statics.front();
    SaveScreenshot(progress, L"build_progress");
    return true;
  });
  EXPECT_EQ(BuildPdfWithWindow(pdfPath_, log_, items_, settings_), 1);
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
  EXPECT_EQ(title.rfind(L"Building PDF ...  ( Free memory = ", 0), 0u) << title;
  EXPECT_EQ(counter.find(L" of 3"), 1u) << counter;
  // Centred over the main window: 450 x 120 inside, so its middle is the main window's middle.
  EXPECT_NEAR((progressRect.left + progressRect.right) / 2, 450, 2);
  EXPECT_EQ(log_.FilesProcessed, 3);
  const PdfFile f = ParsePdf(ReadText(pdfPath_));
  EXPECT_TRUE(f.problems.empty());
  EXPECT_EQ(f.Pages().size(), 3u);
  EXPECT_FALSE(ProgressWindow());
}

TEST_F(BuildWindowTest, CancelAfterTheFirstPageLeavesNoPdf) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  TimerTask cancel([&] {
    HWND progress = ProgressWindow();
    if (!progress) return false;
    ::SendMessageW(::GetDlgItem(progress, 100), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_EQ(BuildPdfWithWindow(pdfPath_, log_, items_, settings_), 1);
  EXPECT_TRUE(cancel.done());
  EXPECT_EQ(log_.FilesProcessed, 1);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(pdfPath_)));
  EXPECT_NE(ReadText(pdfPath_ + L".log").find("Files processed   : 1"), std::string::npos);
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

TEST_F(BuildWindowTest, CloseBoxCancelsLikeTheButton) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  TimerTask close([&] {
    HWND progress = ProgressWindow();
    if (!progress) return false;
    ::SendMessageW(progress, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  });
  EXPECT_EQ(BuildPdfWithWindow(pdfPath_, log_, items_, settings_), 1);
  EXPECT_EQ(log_.FilesProcessed, 1);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(pdfPath_)));
}

TEST_F(BuildWindowTest, SkippedAndMissingFilesEndWithTheErrorsMessage) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  WriteText(dir_.path() / "notes.jpg", "this is text, not a picture");
  items_.push_back({dir_.File(L"notes.jpg"), L"notes.jpg"});
  items_.push_back({dir_.File(L"gone.png"), L"gone.png"});
  DialogAnswerer answers;
  answers.Press(IDOK);
  EXPECT_EQ(BuildPdfWithWindow(pdfPath_, log_, items_, settings_), 1);
  ASSERT_EQ(answers.seen().size(), 1u);
  const SeenDialog& box = answers.seen()[0];
  EXPECT_EQ(box.caption, L"Quillon 1.0.52");
  EXPECT_EQ(box.text, L"There were some errors processing the files ...\r\n\r\nFiles skipped : 1\r\n\r\n"
                      L"Files missing : 1\r\n\r\nPlease see the log  \"" + pdfPath_ +
                          L".log\"\r\n\r\nfor more info.\r\n");
  EXPECT_EQ(box.owner, mainWindow.get());
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK}));
  EXPECT_EQ(log_.FilesProcessed, 3);
}

// Files whose chain of pages loops or breaks off, and a BMP without pixels,
// in each mode: their own pages, the other files, the PDF, the log and the
// end message every time.
TEST_F(BuildWindowTest, BrokenFilesCostTheirMissingPagesOnly) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  items_.resize(1);
  for (const wchar_t* name : {L"loop.tif", L"past-end.tif", L"rle-past-end.bmp"})
    items_.push_back({image_files::FixturePath(name), name});
  const struct {
    std::int32_t jpeg, store;
  } modes[] = {{0, 0}, {1, 0}, {1, 1}};
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.jpeg * 10 + mode.store);
    settings_.JpgCompression = mode.jpeg;
    settings_.JpgNoRecompression = mode.store;
    DialogAnswerer answers;
    answers.Press(IDOK);
    log_ = BuildLog();
    EXPECT_EQ(BuildPdfWithWindow(pdfPath_, log_, items_, settings_), 1);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_NE(answers.seen()[0].text.find(L"Files skipped : 3"), std::wstring::npos);
    EXPECT_EQ(log_.PageNumber, 1 + 2 + 3);
    EXPECT_EQ(ParsePdf(ReadText(pdfPath_)).Pages().size(), 6u);
    const std::string log = ReadText(pdfPath_ + L".log");
    for (const char* line : {"loop.tif, page 2 of 2 (", "past-end.tif, page 3 of 3 (", "page chain leads back",
                             "lies outside the file", "rle-past-end.bmp skipped"})
      EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(BuildWindowTest, WindowLayoutAndTheSavingState) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  BuildProgressWindow progress;
  progress.Open(3);
  HWND window = progress.window();
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 450);
  EXPECT_EQ(client.bottom, 120);
  HWND cancel = ::GetDlgItem(window, 100);
  RECT button{};
  ::GetWindowRect(cancel, &button);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, 175);
  EXPECT_EQ(button.top, 85);
  EXPECT_EQ(button.right - button.left, 100);
  EXPECT_EQ(button.bottom - button.top, 30);
  EXPECT_EQ(WindowText(cancel), L"Cancel");
  EXPECT_FALSE(::IsWindowEnabled(mainWindow.get()));

  progress.ShowFile(2, 3, L"b.jpg");
  EXPECT_EQ(ChildTexts(window, L"Static"), (std::vector<std::wstring>{L"2 of 3", L"b.jpg"}));
  progress.EndFiles(true);
  EXPECT_EQ(ChildTexts(window, L"Static"), (std::vector<std::wstring>{L"Saving PDF to disk, please wait ..."}));
  EXPECT_FALSE(::IsWindowEnabled(cancel));
  EXPECT_FALSE(FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr));
  progress.Close();
  progress.Finish();
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

TEST_F(BuildWindowTest, FilesFasterThanTheEyeEndShowingTheLastOne) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  BuildProgressWindow progress;
  progress.Open(300);
  for (int i = 1; i <= 300; ++i) {
    progress.ShowFile(i, 300, L"photo" + std::to_wstring(i) + L".jpg");
    progress.ShowProgress(i);
    EXPECT_FALSE(progress.PollCancel());
  }
  const HWND bar = FindWindowExW(progress.window(), nullptr, PROGRESS_CLASSW, nullptr);
  progress.EndFiles(false);  // cancelled: the last state stays up until the window closes
  EXPECT_EQ(ChildTexts(progress.window(), L"Static"), (std::vector<std::wstring>{L"300 of 300", L"photo300.jpg"}));
  EXPECT_FALSE(::IsWindow(bar));
  progress.Close();
  progress.Finish();
}

TEST_F(BuildWindowTest, SaveDialogAddsThePdfExtension) {
  TestWindow mainWindow{{100, 100, 800, 600}};
  ScopedMainWindow scope(mainWindow.get());
  settings_.RememberLastDirectory = 1;
  settings_.LastDirectory = dir_.File(L"");
  DialogAnswerer answers;
  answers.TypeFileName(dir_.File(L"typed"));
  EXPECT_EQ(ChoosePdfFileName(L"suggested.pdf", settings_, items_), dir_.File(L"typed.pdf"));
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].caption, L"PDF file name");

  DialogAnswerer cancel;
  cancel.Press(IDCANCEL);
  EXPECT_EQ(ChoosePdfFileName(L"suggested.pdf", settings_, items_), L"");
}

}  // namespace
