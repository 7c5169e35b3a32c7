// Times of the list's bulk operations on a list as long as a scanned book.
// Not a timed test: run it on purpose with
//   wintests_filelist.exe --gtest_also_run_disabled_tests --gtest_filter=*ListBench*
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "filelist/list_commands.h"
#include "filelist/list_view_win.h"
#include "support/gui_harness_win.h"

using namespace testsupport;

namespace {

double Now() {
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

constexpr int kRows = 10000;

void CheckEveryOtherRow() {
  for (int row = 0; row < RowCount(); row += 2) SetRowState(row, kRowChecked);
}

TEST(ListBench, DISABLED_TenThousandRows) {
  InitCommonControlsForTests();
  Settings settings;
  FileList records;
  TestWindow window{{20, 20, 820, 620}, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, HandleMainWindowMessage};
  ScopedMainWindow scope(window.get());
  ::SetMenu(window.get(), BuildMainMenu());
  CreateMainWindowControls(window.get(), settings, records);
  PumpMessages();

  // As the intake adds them: record, row, totals and layout for every file.
  std::mt19937 random(7);
  double t = Now();
  for (int i = 0; i < kRows; ++i) {
    FileItem item;
    item.Id = records.ItemsAdded + i;
    item.Name = L"scan_" + std::to_wstring(random() % 100000) + L".jpg";
    item.Path = L"C:\\books\\volume 1\\" + item.Name;
    item.Width = 2480;
    item.Height = 3508;
    item.FileSize = 900000 + static_cast<std::int64_t>(random() % 300000);
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
    LayoutMainWindow();
  }
  records.ItemsAdded += kRows;
  UpdateListCommands();
  PumpMessages();
  const double add = Now() - t;

  t = Now();
  RunListCommand(kCommandSortNow);
  PumpMessages();
  const double sort = Now() - t;

  CheckEveryOtherRow();
  t = Now();
  RunListCommand(kCommandMoveToTop);
  PumpMessages();
  const double move = Now() - t;
  ASSERT_EQ(RowCount(), kRows);
  for (int row = 0; row < kRows; ++row) {
    ASSERT_EQ(IsRowChecked(RowState(row)), row < kRows / 2) << row;
    ASSERT_EQ(RowId(row), records.Items[static_cast<std::size_t>(row)].Id) << row;
  }

  SetCurrentRow(1);
  t = Now();
  RunListCommand(kCommandRemove);
  PumpMessages();
  const double remove = Now() - t;
  ASSERT_EQ(RowCount(), kRows / 2);
  ASSERT_EQ(records.Items.size(), static_cast<std::size_t>(kRows / 2));

  std::printf("rows: %d\nadd (with totals and layout): %.3f s\nsort now: %.3f s\n"
              "move %d checked to top: %.3f s\nremove %d checked: %.3f s\n",
              kRows, add, sort, kRows / 2, move, kRows / 2, remove);
}

}  // namespace
