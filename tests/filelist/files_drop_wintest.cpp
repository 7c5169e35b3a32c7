// Files dropped on the list of a real main window: the examination of each
// file, the intake's progress window, the skipped-files window with its
// export, and the drop handling around them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/program_window_win.h"
#include "filelist/files_drop_win.h"
#include "filelist/intake_window_win.h"
#include "filelist/list_view_win.h"
#include "filelist/skipped_files_win.h"
#include "format/program_info.h"
#include "imaging/gdiplus_win.h"
#include "support/gui_harness_win.h"
#include "support/png_maker.h"
#include "support/temp_dir.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

// A grey PNG of the given size.
void WritePng(const std::wstring& path, int width, int height) {
  PngSpec shape;
  shape.width = width;
  shape.height = height;
  shape.colourType = 0;
  shape.pixels.assign(static_cast<std::size_t>(width) * height, 0x80);
  const std::vector<unsigned char> png = MakePng(shape);
  WriteBytes(std::filesystem::path(path), png.data(), png.size());
}


SIZE ClientSize(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return {r.right, r.bottom};
}

// Calls action(window) for the messages sent to a window of class className
// whose message is `message` (with wParam, when wParam is not -1): lets a
// test act at an exact point of a modal run.
class SentMessageWatch {
 public:
  using Action = std::function<void(HWND window, WPARAM wParam)>;
  SentMessageWatch(std::wstring className, UINT message, Action action)
      : className_(std::move(className)), message_(message), action_(std::move(action)) {
    current_ = this;
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, ::GetCurrentThreadId());
  }
  ~SentMessageWatch() {
    ::UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  SentMessageWatch(const SentMessageWatch&) = delete;
  SentMessageWatch& operator=(const SentMessageWatch&) = delete;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && current_) {
      const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
      if (sent->message == current_->message_ && ClassNameOf(sent->hwnd) == current_->className_) {
        current_->action_(sent->hwnd, sent->wParam);
      }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline SentMessageWatch* current_ = nullptr;
  std::wstring className_;
  UINT message_;
  Action action_;
  HHOOK hook_ = nullptr;
};

// What a skipped-files window showed, read when it appeared; then pressed.
struct SkippedWindowSeen {
  int shown = 0;
  SIZE client{};
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
  RECT icon{};
  bool hasImage = false;
  bool mainEnabled = true;
  int rowsWhenShown = -1;
};

// Presses `button` in every skipped-files window that opens while it lives.
class SkippedWindowPresser {
 public:
  explicit SkippedWindowPresser(int button, int times = 1)
      : task_([this, button, times] {
          const HWND window = FindThreadWindow(WindowClassName(kWinSkippedFiles).c_str());
          if (!window || window == last_) return false;
          last_ = window;
          ++seen.shown;
          seen.client = ClientSize(window);
          seen.caption = WindowText(window);
          seen.text = WindowText(::GetDlgItem(window, kSkippedText));
          seen.buttons = ChildTexts(window, L"Button");
          seen.icon = ChildRect(::GetDlgItem(window, kSkippedIcon));
          seen.hasImage = ::SendDlgItemMessageW(window, kSkippedIcon, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
          seen.mainEnabled = MainWindow() && ::IsWindowEnabled(MainWindow());
          seen.rowsWhenShown = RowCount();
          ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
          return seen.shown >= times;
        }) {}
  SkippedWindowSeen seen;

 private:
  HWND last_ = nullptr;
  TimerTask task_;
};

class FilesDropTest : public ProgramWindowTest {
 protected:
  void SetUp() override { Open(); }
  std::int32_t Drop(const std::vector<std::wstring>& paths) {
    std::wstring text;
    for (const std::wstring& path : paths) text += path + L"\n";
    return HandleFilesDrop(text, records, settings, skipped, suggested, owner);
  }
  std::wstring Png(const std::wstring& name, int width = 40, int height = 30) {
    const std::wstring path = dir.File(name);
    WritePng(path, width, height);
    return path;
  }
  std::wstring Text(const std::wstring& name) {
    const std::wstring path = dir.File(name);
    WriteText(std::filesystem::path(path), "not an image");
    return path;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const FileItem& item : records.Items) names.push_back(item.Name);
    return names;
  }

  GdiplusSession gdiplus;
  TempDir dir;
  std::vector<std::wstring> skipped;
  std::wstring suggested = L"untouched";
  int statusRefreshed = 0;
  FilesDropOwner owner{LayoutMainWindow, [this] { ++statusRefreshed; }};
};

// Thumbnails are the thumbnail window's, made when a row is shown.
TEST_F(FilesDropTest, ExaminedFilesGetSizesButNoThumbnail) {
  for (const SIZE c : {SIZE{2000, 500}, SIZE{300, 200}}) {
    FileItem item;
    item.Path = Png(L"p" + std::to_wstring(c.cx) + L".png", c.cx, c.cy);
    ASSERT_TRUE(ProcessFile(item, settings)) << c.cx;
    EXPECT_EQ(item.Width, c.cx);
    EXPECT_EQ(item.Height, c.cy);
    EXPECT_EQ(item.FileSize, static_cast<std::int64_t>(std::filesystem::file_size(item.Path)));
    EXPECT_FALSE(item.Thumbnail);
  }
  // Refused: text, an empty file, a damaged PNG, a file that is not there.
  std::vector<unsigned char> damaged = MakePng({.width = 50, .height = 50, .colourType = 0,
                                                .pixels = std::vector<unsigned char>(2500, 1), .palette = {}});
  damaged.resize(damaged.size() / 2);
  WriteBytes(dir.path() / L"damaged.png", damaged.data(), damaged.size());
  WriteText(dir.path() / L"empty.png", "");
  for (const std::wstring& path : {Text(L"notes.txt"), dir.File(L"empty.png"), dir.File(L"damaged.png"),
                                   dir.File(L"missing.png")}) {
    FileItem item;
    item.Path = path;
    EXPECT_FALSE(ProcessFile(item, settings)) << path.size();
    EXPECT_FALSE(item.Thumbnail);
  }
}

TEST_F(FilesDropTest, FolderOnAnEmptyListSuggestsItsNameAndFillsTheList) {
  const std::filesystem::path folder = dir.path() / L"Holiday 2024";
  std::filesystem::create_directory(folder);
  WritePng((folder / L"b.png").wstring(), 60, 40);
  WritePng((folder / L"A.png").wstring(), 30, 20);
  EXPECT_EQ(Drop({folder.wstring()}), 2);
  EXPECT_EQ(suggested, L"Holiday 2024.pdf");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.png", L"b.png"}));
  EXPECT_EQ(records.ItemsAdded, 2);
  EXPECT_EQ(RowCount(), 2);
  EXPECT_EQ(CurrentRow(), 0);
  EXPECT_EQ(::GetFocus(), MainControls().list);
  EXPECT_TRUE(::IsWindowEnabled(MainControls().buildButton));
  EXPECT_TRUE(::IsWindowEnabled(window));
  EXPECT_EQ(statusRefreshed, 1);

  // More files on a list that has some: no name to suggest, and the whole
  // list is sorted, not only the new files.
  EXPECT_EQ(Drop({Png(L"a0.png"), Png(L"c.png")}), 2);
  EXPECT_EQ(suggested, L"");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A.png", L"a0.png", L"b.png", L"c.png"}));
  EXPECT_EQ(records.ItemsAdded, 4);
  EXPECT_EQ(records.Items[1].Id, 2);  // Ids go on from the earlier drop

  // A text without paths changes nothing, not even the suggestion.
  suggested = L"kept.pdf";
  EXPECT_EQ(Drop({}), 0);
  EXPECT_EQ(suggested, L"kept.pdf");

  // ClearBeforeDrop: the list starts again, and so do the Ids.
  settings.ClearBeforeDrop = 1;
  EXPECT_EQ(Drop({Png(L"single.png")}), 1);
  EXPECT_EQ(suggested, L"single.pdf");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"single.png"}));
  EXPECT_EQ(records.Items[0].Id, 0);
}

TEST_F(FilesDropTest, EverythingRefusedShowsOnlyTheNoFilesBox) {
  DialogAnswerer answers;
  answers.Press(IDOK).SaveScreenshots(L"no_files_added");
  SkippedWindowPresser presser(IDOK);
  EXPECT_EQ(Drop({Text(L"a.txt"), Text(L"b.txt")}), 0);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].text, L"No files added, format not supported.");
  EXPECT_EQ(answers.seen()[0].caption, kProgramTitle);
  EXPECT_EQ(answers.seen()[0].icon, ::LoadIconW(nullptr, IDI_WARNING));
  EXPECT_EQ(answers.seen()[0].owner, window);
  EXPECT_EQ(presser.seen.shown, 0);
  EXPECT_TRUE(skipped.empty());
  EXPECT_EQ(RowCount(), 0);
}

TEST_F(FilesDropTest, SomeRefusedShowsTheSkippedWindowAfterTheListIsUpdated) {
  SkippedWindowPresser presser(IDOK);
  EXPECT_EQ(Drop({Text(L"z.txt"), Png(L"b.png"), Text(L"y.txt")}), 1);
  SaveScreenshot(nullptr, L"skipped_files_window");
  ASSERT_EQ(presser.seen.shown, 1);
  EXPECT_EQ(presser.seen.rowsWhenShown, 1);
  EXPECT_EQ(presser.seen.text, L"Some files (2) were skipped, format not supported.");
  EXPECT_EQ(presser.seen.caption, kProgramTitle);
  EXPECT_EQ(presser.seen.client.cx, 330);
  EXPECT_EQ(presser.seen.client.cy, 100);
  EXPECT_EQ(presser.seen.buttons, (std::vector<std::wstring>{L" OK ", L" Export the list "}));
  EXPECT_EQ(presser.seen.icon.left, 10);
  EXPECT_EQ(presser.seen.icon.top, 10);
  EXPECT_TRUE(presser.seen.hasImage);
  EXPECT_FALSE(presser.seen.mainEnabled);
  EXPECT_TRUE(::IsWindowEnabled(window));
  EXPECT_TRUE(skipped.empty());  // emptied once the window has shown it
}

TEST_F(FilesDropTest, StoppingTheIntakeKeepsWhatWasAdded) {
  struct Case {
    const wchar_t* name;
    bool cancelButton;  // else the progress window's close box
    int skippedWindows;
  };
  const Case cases[] = {{L"cancel", true, 0}, {L"close box", false, 0}};
  for (const Case& c : cases) {
    ClearFileListAndRows();
    Drop({Png(L"z.png")});
    // Stop at the window's first refresh, after the first path: one file
    // added, the rest not taken (the window refreshes at most every few
    // tens of milliseconds, and a stop is seen then).
    struct Seen {
      std::wstring title;
      SIZE client{};
      RECT bar{}, button{};
      int barHigh = 0;
      bool mainEnabled = true;
    } seen;
    SentMessageWatch watch(L"msctls_progress32", PBM_SETPOS, [&](HWND bar, WPARAM value) {
      const HWND progress = ::GetParent(bar);
      if (value == 100 && seen.title.empty()) {
        seen.title = WindowText(progress);
        seen.client = ClientSize(progress);
        seen.bar = ChildRect(bar);
        seen.button = ChildRect(::FindWindowExW(progress, nullptr, L"Button", L"Cancel"));
        seen.barHigh = static_cast<int>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
        seen.mainEnabled = ::IsWindowEnabled(window) != FALSE;
        SaveScreenshot(progress, L"intake_progress");
      }
      if (value == 100) {
        if (c.cancelButton) {
          ::PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else {
          ::PostMessageW(progress, WM_CLOSE, 0, 0);
        }
      }
    });
    SkippedWindowPresser presser(IDOK);
    EXPECT_EQ(Drop({Png(L"c.png"), Text(L"x.txt"), Png(L"a.png"), Png(L"b.png")}), 1) << c.name;
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"c.png", L"z.png"})) << c.name;  // still sorted
    EXPECT_EQ(presser.seen.shown, c.skippedWindows) << c.name;
    EXPECT_EQ(seen.title, L"Processing 4 files ...");
    EXPECT_EQ(seen.client.cx, 450);
    EXPECT_EQ(seen.client.cy, 70);
    EXPECT_EQ(seen.bar.left, 5);
    EXPECT_EQ(seen.bar.top, 10);
    EXPECT_EQ(seen.bar.right - seen.bar.left, 440);
    EXPECT_EQ(seen.bar.bottom - seen.bar.top, 20);
    EXPECT_EQ(seen.barHigh, 400);
    EXPECT_EQ(seen.button.left, 175);
    EXPECT_EQ(seen.button.top, 35);
    EXPECT_EQ(seen.button.right - seen.button.left, 100);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_TRUE(::IsWindowEnabled(window));
    EXPECT_FALSE(FindThreadWindow(WindowClassName(kWinIntakeProgress).c_str()));
  }
}

TEST(IntakeWindowTitleTest, CountIsGroupedByThrees) {
  EXPECT_EQ(IntakeWindowTitle(1), L"Processing 1 files ...");
  EXPECT_EQ(IntakeWindowTitle(1234), L"Processing 1,234 files ...");
}

// The skipped-files window on its own, and its export.
class SkippedFilesTest : public ::testing::Test {
 protected:
  SkippedFilesTest() : mainWindow({100, 100, 700, 500}), scope(mainWindow.get()) {}
  TempDir dir;
  TestWindow mainWindow;
  ScopedMainWindow scope;
  const std::vector<std::wstring> paths = {L"C:\\scans\\b.txt", L"C:\\scans\\\u00e9t\u00e9.doc"};
};

TEST_F(SkippedFilesTest, ExportWritesTheListAndClosesTheWindow) {
  SkippedWindowPresser presser(kSkippedExportButton);
  DialogAnswerer answers;
  answers.TypeFileName(dir.File(L"refused")).SaveScreenshots(L"skipped_export");
  EXPECT_EQ(ShowSkippedFiles(paths), 0);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(ReadText(dir.path() / L"refused.txt"), "C:\\scans\\b.txt\r\nC:\\scans\\\xC3\xA9t\xC3\xA9.doc\r\n");
  EXPECT_EQ(presser.seen.shown, 1);
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

TEST_F(SkippedFilesTest, CancelledOrFailedExportBringsTheWindowBack) {
  // The file is held open by another handle without sharing: it cannot be written.
  const std::wstring held = dir.File(L"held.txt");
  const HANDLE holder =
      ::CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  int step = 0;
  std::vector<bool> visibleWhenDialog;
  TimerTask script([&] {
    const HWND window = FindThreadWindow(WindowClassName(kWinSkippedFiles).c_str());
    if (!window || !::IsWindowEnabled(window)) return false;
    // Export twice (cancelled, then failing), then OK.
    const int button = step < 2 ? kSkippedExportButton : IDOK;
    ++step;
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    ::ShowWindow(window, SW_HIDE);  // found again only once the program shows it anew
    return step == 3;
  }, 20000);
  DialogAnswerer answers;
  answers.Press(IDCANCEL).TypeFileName(held).Press(IDOK);
  ShowSkippedFiles(paths);
  ::CloseHandle(holder);
  EXPECT_EQ(step, 3);
  ASSERT_EQ(answers.seen().size(), 3u);
  EXPECT_EQ(answers.seen()[2].text, L"Error saving the skipped files list.");
  EXPECT_EQ(answers.seen()[2].icon, ::LoadIconW(nullptr, IDI_WARNING));
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

}  // namespace
