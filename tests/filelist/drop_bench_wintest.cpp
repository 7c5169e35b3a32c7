// Times of a drop on the main window's list, as the user waits for it. Not a
// timed test: bench/desktop_drop.sh makes the folders and runs it with
//   wintests_filelist.exe --gtest_also_run_disabled_tests --gtest_filter=*DropBench*
// QUILLON_BENCH_FILES names a folder of many small files (taken unprobed),
// QUILLON_BENCH_PHOTOS a folder of photos (probed, with thumbnails).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window_win.h"
#include "filelist/drop_expansion.h"
#include "filelist/files_drop_win.h"
#include "filelist/list_view_win.h"
#include "imaging/gdiplus_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/thumbnail_size.h"
#include "support/gui_harness_win.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

double Now() {
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Folder(const wchar_t* variable) {
  const wchar_t* value = _wgetenv(variable);
  return value ? value : L"";
}

class DropBench : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    window = CreateMainWindow(settings, records);
    PumpMessages();
  }
  void TearDown() override {
    ::DestroyWindow(window);
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetMainWindow(nullptr);
    ClearFileList(records);
  }
  // Seconds from the drop to a list that is filled and drawn.
  double TimeDrop(const std::wstring& folder) {
    const double start = Now();
    HandleFilesDrop(folder + L"\n", records, settings, skipped, suggested, {LayoutMainWindow, UpdateStatusBar});
    PumpMessages();
    return Now() - start;
  }

  GdiplusSession gdiplus;
  Settings settings;
  FileList records;
  std::vector<std::wstring> skipped;
  std::wstring suggested;
  HWND window = nullptr;
};

TEST_F(DropBench, DISABLED_FolderOfSmallFilesUnprobed) {
  const std::wstring folder = Folder(L"QUILLON_BENCH_FILES");
  if (folder.empty()) GTEST_SKIP() << "QUILLON_BENCH_FILES is not set";
  settings.Preprocessing = 0;
  const double seconds = TimeDrop(folder);
  std::printf("drop of %zu files, Preprocessing 0: %.2f s (the progress window's closing pause, 0.25 s, included)\n",
              records.Items.size(), seconds);
  EXPECT_EQ(RowCount(), static_cast<std::int32_t>(records.Items.size()));
}

TEST_F(DropBench, DISABLED_PhotosProbed) {
  const std::wstring folder = Folder(L"QUILLON_BENCH_PHOTOS");
  if (folder.empty()) GTEST_SKIP() << "QUILLON_BENCH_PHOTOS is not set";
  settings.Preprocessing = 1;
  const double seconds = TimeDrop(folder);
  const std::size_t count = records.Items.size();
  ASSERT_GT(count, 0u);
  std::printf("drop of %zu photos, Preprocessing 1: %.2f s, %.1f files/s\n", count, seconds,
              static_cast<double>(count) / seconds);

  // The drop examines files from their headers; a thumbnail, made when its
  // row is shown, costs the rest: opening (GDI+ reads the header), drawing at
  // full size (decoding) and the reduction into the box.
  double open = 0, draw = 0, examine = 0;
  const std::int32_t box = ThumbnailPixels(settings.ThumbSize);
  for (const FileItem& item : records.Items) {
    double t = Now();
    GdipImage image;
    ASSERT_EQ(LoadImageFile(image, item.Path), kStatusOk);
    PixelSize size;
    GetImageSize(image, size);
    open += Now() - t;
    t = Now();
    win::UniqueBitmap bitmap;
    DrawImageToBitmap(image, bitmap);
    draw += Now() - t;
    t = Now();
    ExaminedImage examined;
    ExamineImageFile(item.Path, box, examined);
    examine += Now() - t;
  }
  const double reduce = examine - open - draw;
  std::printf("thumbnail per file: open %.1f ms, draw at full size %.1f ms, reduction %.1f ms; the drop %.1f ms\n",
              1000 * open / count, 1000 * draw / count, 1000 * reduce / count, 1000 * seconds / count);
}

}  // namespace
