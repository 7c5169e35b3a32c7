// The file list's records: moves, removal, sorting, totals and row texts.
// The one-pass moves and removals are checked against the obvious
// one-row-at-a-time procedure on many random lists.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "filelist/list_commands.h"

namespace {

int g_freed = 0;
void CountFree(void*) { ++g_freed; }

ThumbnailHandle FakeThumbnail() {
  static int token;
  return ThumbnailHandle(&token, CountFree);
}

FileList ListOf(int count) {
  FileList list;
  for (int i = 0; i < count; ++i) {
    FileItem item;
    item.Id = i;
    item.Name = L"f" + std::to_wstring(i) + L".jpg";
    item.Path = L"C:\\scans\\" + item.Name;
    item.FileSize = 1000 + i;
    AddItemToList(list, std::move(item));
  }
  list.ItemsAdded = count;
  return list;
}

std::vector<int> IdsOf(const FileList& list) {
  std::vector<int> ids;
  for (const FileItem& item : list.Items) ids.push_back(item.Id);
  return ids;
}

// The one-row-at-a-time procedure: rescan after every single move or removal.
void SlowMoveCheckedRows(FileList& list, std::vector<std::int32_t>& states, bool top) {
  const int n = static_cast<int>(states.size());
  int c = 0;
  for (;;) {
    int found = -1;
    if (top) {
      for (int r = n - 1; r >= 0 && found < 0; --r) {
        if (IsRowChecked(states[r])) found = r;
      }
    } else {
      for (int r = 0; r < n && found < 0; ++r) {
        if (IsRowChecked(states[r])) found = r;
      }
    }
    if (found < 0) break;
    ++c;
    states[found] = 0;
    const int to = top ? 0 : n;
    const int at = MoveRow(list, found, to);
    states.erase(states.begin() + found);
    states.insert(states.begin() + at, 0);
  }
  for (int i = 0; i < c; ++i) states[top ? i : n - 1 - i] = kRowChecked;
}

void SlowRemoveCheckedRows(FileList& list, std::vector<std::int32_t>& states) {
  for (;;) {
    std::size_t r = 0;
    while (r < states.size() && !IsRowChecked(states[r])) ++r;
    if (r == states.size()) break;
    DeleteItemAt(list, r);
    states.erase(states.begin() + static_cast<std::ptrdiff_t>(r));
  }
}

TEST(FileListMoves, OneRowLandsBeforeTheEntryNowAtTo) {
  FileList list = ListOf(5);
  EXPECT_EQ(MoveRow(list, 1, 4), 3);  // down: the entries in between close up
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 1, 4}));
  EXPECT_EQ(MoveRow(list, 3, 0), 0);  // up
  EXPECT_EQ(IdsOf(list), (std::vector<int>{1, 0, 2, 3, 4}));
  EXPECT_EQ(MoveRow(list, 0, 5), 4);  // to the count: after the last
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 4, 1}));
  // A row dropped on itself, or on the one below it, stays where it is.
  EXPECT_EQ(MoveRow(list, 2, 2), 2);
  EXPECT_EQ(MoveRow(list, 2, 3), 2);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 4, 1}));
  // Rows that do not exist move nothing.
  EXPECT_EQ(MoveRow(list, 7, 0), 7);
  EXPECT_EQ(MoveRow(list, -1, 0), -1);
  EXPECT_EQ(MoveRow(list, 0, 6), 0);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 4, 1}));
  EXPECT_EQ(MoveRowToEnd(list, 3, true), 0);
  EXPECT_EQ(MoveRowToEnd(list, 0, false), 4);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 1, 4}));
  EXPECT_EQ(list.TotalFileBytes, 5010);
}

TEST(FileListMoves, CheckedRowsGoToTheTopInTheirOrderAndStayChecked) {
  FileList list = ListOf(10);
  std::vector<std::int32_t> states(10, 0);
  states[2] = kRowChecked;
  states[5] = kRowChecked | kRowSelected;  // the current row is one of them
  states[7] = kRowChecked;
  states[8] = 0;
  const RowRange changed = MoveCheckedRows(list, states, true);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{2, 5, 7, 0, 1, 3, 4, 6, 8, 9}));
  EXPECT_EQ(states, (std::vector<std::int32_t>{2, 2, 2, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(changed.first, 0);
  EXPECT_EQ(changed.last, 8);  // rows 8 and 9 are untouched

  // To the bottom, an unchecked current row keeps its selection as it moves up.
  list = ListOf(10);
  states.assign(10, 0);
  states[1] = kRowChecked;
  states[4] = kRowChecked;
  states[6] = kRowSelected;
  const RowRange down = MoveCheckedRows(list, states, false);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 3, 5, 6, 7, 8, 9, 1, 4}));
  EXPECT_EQ(states, (std::vector<std::int32_t>{0, 0, 0, 0, kRowSelected, 0, 0, 0, 2, 2}));
  EXPECT_EQ(down.first, 1);
  EXPECT_EQ(down.last, 10);

  // Nothing checked: nothing moves, nothing to redraw.
  list = ListOf(3);
  states.assign(3, kRowSelected);
  EXPECT_TRUE(MoveCheckedRows(list, states, true).empty());
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 1, 2}));
}

TEST(FileListMoves, OnePassMovesAndRemovalsMatchTheRowByRowProcedure) {
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    const int n = static_cast<int>(random() % 25);
    std::vector<std::int32_t> states(static_cast<std::size_t>(n));
    for (auto& s : states) s = static_cast<std::int32_t>(random() % 4);
    const bool top = random() % 2 == 0;

    FileList fast = ListOf(n);
    FileList slow = ListOf(n);
    std::vector<std::int32_t> fastStates = states;
    std::vector<std::int32_t> slowStates = states;
    const RowRange changed = MoveCheckedRows(fast, fastStates, top);
    SlowMoveCheckedRows(slow, slowStates, top);
    ASSERT_EQ(IdsOf(fast), IdsOf(slow)) << "round " << round;
    ASSERT_EQ(fastStates, slowStates) << "round " << round;
    // Outside the reported range, rows and states are as they were.
    const FileList before = ListOf(n);
    for (int r = 0; r < n; ++r) {
      if (r >= changed.first && r < changed.last) continue;
      ASSERT_EQ(fast.Items[r].Id, before.Items[r].Id) << "round " << round << " row " << r;
      ASSERT_EQ(fastStates[r], states[r]) << "round " << round << " row " << r;
    }

    FileList fastRemoved = ListOf(n);
    FileList slowRemoved = ListOf(n);
    fastStates = states;
    slowStates = states;
    const RemovedRows removed = RemoveCheckedRows(fastRemoved, fastStates);
    SlowRemoveCheckedRows(slowRemoved, slowStates);
    ASSERT_EQ(IdsOf(fastRemoved), IdsOf(slowRemoved)) << "round " << round;
    ASSERT_EQ(fastStates, slowStates);
    ASSERT_EQ(fastRemoved.TotalFileBytes, slowRemoved.TotalFileBytes);
    ASSERT_EQ(removed.removed, n - static_cast<int>(fastRemoved.Items.size()));
    for (int r = 0; r < removed.first && r < n; ++r) ASSERT_EQ(fastRemoved.Items[r].Id, r);
  }
}

TEST(FileListRecords, RemovalAndClearFreeThumbnailsAndKeepTheTotal) {
  g_freed = 0;
  FileList list = ListOf(4);
  for (auto& item : list.Items) item.Thumbnail = FakeThumbnail();
  EXPECT_EQ(list.TotalFileBytes, 1000 + 1001 + 1002 + 1003);

  std::vector<std::int32_t> states = {kRowChecked, 0, kRowChecked | kRowSelected, kRowSelected};
  const RemovedRows removed = RemoveCheckedRows(list, states);
  EXPECT_EQ(removed.first, 0);
  EXPECT_EQ(removed.removed, 2);
  EXPECT_EQ(g_freed, 2);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(states, (std::vector<std::int32_t>{0, kRowSelected}));
  EXPECT_EQ(list.TotalFileBytes, 1001 + 1003);

  DeleteItemAt(list, 1);
  EXPECT_EQ(g_freed, 3);
  EXPECT_EQ(list.TotalFileBytes, 1001);
  DeleteItemAt(list, 5);  // no such record: nothing happens
  EXPECT_EQ(list.Items.size(), 1u);

  // Ids start at 0 again after the list has been emptied.
  list.ItemsAdded = 17;
  ClearFileList(list);
  EXPECT_EQ(g_freed, 4);
  EXPECT_TRUE(list.Items.empty());
  EXPECT_EQ(list.ItemsAdded, 0);
  EXPECT_EQ(list.TotalFileBytes, 0);
}

TEST(FileListRecords, ThumbnailsMoveWithTheirRecordsAndAreFreedOnce) {
  g_freed = 0;
  {
    FileList list = ListOf(3);
    list.Items[2].Thumbnail = FakeThumbnail();
    void* const handle = list.Items[2].Thumbnail.get();
    MoveRow(list, 2, 0);
    EXPECT_EQ(list.Items[0].Thumbnail.get(), handle);
    EXPECT_FALSE(list.Items[2].Thumbnail);
    SortFileList(list, false);
    EXPECT_EQ(FindItem(list, 2)->Thumbnail.get(), handle);
    ThumbnailHandle taken = std::move(FindItem(list, 2)->Thumbnail);
    taken = std::move(taken);  // self-assignment keeps it
    EXPECT_EQ(taken.get(), handle);
    EXPECT_EQ(g_freed, 0);
  }
  EXPECT_EQ(g_freed, 1);
}

TEST(FileListRecords, LookupsFindTheRowsRecordQuicklyOrByWalking) {
  FileList list = ListOf(4);
  EXPECT_EQ(FindItem(list, 3), &list.Items[3]);
  EXPECT_EQ(FindItem(list, 9), nullptr);
  EXPECT_EQ(FindItemIndex(list, 2), 2);
  EXPECT_EQ(FindItemIndex(list, -1), -1);
  EXPECT_EQ(FindRowItem(list, 1, 1), &list.Items[1]);
  EXPECT_EQ(FindRowItem(list, 0, 3), &list.Items[3]);  // not at its row: found by Id
  EXPECT_EQ(FindRowItem(list, 8, 2), &list.Items[2]);
  EXPECT_EQ(FindRowItem(list, 1, 42), nullptr);
}

TEST(FileListRecords, SortIsStableAndFoldsOnlyAsciiLetters) {
  FileList list;
  const wchar_t* names[] = {L"b.jpg", L"A.jpg", L"a.jpg"};
  const wchar_t* folders[] = {L"C:\\a\\", L"C:\\c\\", L"C:\\B\\"};
  for (int i = 0; i < 3; ++i) {
    FileItem item;
    item.Id = i;
    item.Name = names[i];
    item.Path = std::wstring(folders[i]) + names[i];
    item.State = i == 1 ? kRowChecked : 0;
    AddItemToList(list, std::move(item));
  }
  SortFileList(list, false);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{1, 2, 0}));  // A.jpg, a.jpg, b.jpg
  EXPECT_EQ(list.Items[0].State, kRowChecked);          // states travel with records
  SortFileList(list, true);
  EXPECT_EQ(IdsOf(list), (std::vector<int>{0, 2, 1}));  // folders a, B, c
}

TEST(FileListTexts, RowCellsFollowTheDisplaySettings) {
  FileItem item;
  item.Path = L"C:\\photos\\IMG_0001.JPG";
  item.Name = L"IMG_0001.JPG";
  item.Width = 1024;
  item.Height = 768;
  item.FileSize = 2345678;
  Settings settings;
  RowCells cells = RowCellsOf(item, settings);
  EXPECT_EQ(cells.filename, L"IMG_0001.JPG");
  EXPECT_EQ(cells.resolution, L"1024 x 768");  // never grouped
  EXPECT_EQ(cells.size, L"2.2 MB");            // cut, not rounded
  settings.ShowFullPath = 1;
  settings.ShowSizeCondensed = 0;
  cells = RowCellsOf(item, settings);
  EXPECT_EQ(cells.filename, L"C:\\photos\\IMG_0001.JPG");
  EXPECT_EQ(cells.size, L"2,345,678");

  // Not examined at intake: the size is still known.
  item.Width = 0;
  item.Height = 0;
  item.FileSize = 512;
  settings.ShowSizeCondensed = 1;
  cells = RowCellsOf(item, settings);
  EXPECT_EQ(cells.resolution, L"? x ?");
  EXPECT_EQ(cells.size, L"512 ");
  item.FileSize = 1536;
  EXPECT_EQ(RowCellsOf(item, settings).size, L"1.5 KB");
  item.FileSize = 3'500'000'000;  // beyond 2 GB still reads right
  EXPECT_EQ(RowCellsOf(item, settings).size, L"3.2 GB");

  // A turned row gives its page's size behind the turn it has, turns adding up.
  item.Width = 1600;
  item.Height = 1200;
  for (const auto& [turns, resolution] :
       {std::pair{1, L"90\u00B0 1200 x 1600"}, {2, L"270\u00B0 1200 x 1600"}, {-1, L"180\u00B0 1600 x 1200"},
        {-5, L"90\u00B0 1200 x 1600"}, {3, L"1600 x 1200"}}) {
    TurnItem(item, turns * 90);
    EXPECT_EQ(RowCellsOf(item, settings).resolution, resolution);
  }
}

TEST(FileListTexts, TotalsCountFilesAndBytes) {
  FileList list;
  EXPECT_EQ(FileTotalsText(list), L"");
  FileItem one;
  one.FileSize = 1536;
  AddItemToList(list, std::move(one));
  EXPECT_EQ(FileTotalsText(list), L"1 file  1 KB");  // no decimals in the total
  for (int i = 0; i < 1233; ++i) {
    FileItem item;
    item.Id = i + 1;
    item.FileSize = 2'000'000;  // 2.4 GB in all: past what 32 bits can count
    AddItemToList(list, std::move(item));
  }
  EXPECT_EQ(FileTotalsText(list), L"1,234 files  2 GB");
  EXPECT_EQ(list.TotalFileBytes, 1536 + 1233LL * 2'000'000);
}

TEST(FileListTexts, ContextMenuNamesTheRowOrTheCheckedCount) {
  EXPECT_EQ(ContextMenuEntries(0, L"scan 01.jpg"),
            (std::vector<MenuEntry>{{13, L"Move scan 01.jpg to &TOP"},
                                    {14, L"Move scan 01.jpg to &BOTTOM"},
                                    {0, L""},
                                    {22, L"Rotate ri&ght\tCtrl+R"},
                                    {23, L"Rotate &left\tCtrl+L"},
                                    {24, L"Rotate &180\u00B0"},
                                    {0, L""},
                                    {15, L"&Remove scan 01.jpg\t[Del]"},
                                    {16, L"&Close"}}));
  EXPECT_EQ(ContextMenuEntries(3, L"ignored.jpg"),
            (std::vector<MenuEntry>{{13, L"Move selected items (3) to &TOP"},
                                    {14, L"Move selected items (3) to &BOTTOM"},
                                    {0, L""},
                                    {22, L"Rotate ri&ght\tCtrl+R"},
                                    {23, L"Rotate &left\tCtrl+L"},
                                    {24, L"Rotate &180\u00B0"},
                                    {0, L""},
                                    {15, L"&Remove selected items (3)\t[Del]"},
                                    {16, L"&Close"}}));
  // An "&" in a file name shows as itself, not as a mnemonic.
  EXPECT_EQ(ContextMenuEntries(0, L"Tom & Jerry.png")[0].text, L"Move Tom && Jerry.png to &TOP");
  EXPECT_EQ(ContextMenuEntries(1234, L"")[0].text, L"Move selected items (1234) to &TOP");
}

TEST(FileListRecords, BuildItemsFollowListOrder) {
  FileList list = ListOf(3);
  TurnItem(list.Items[2], 270);
  MoveRow(list, 2, 0);
  const std::vector<BuildItem> items = BuildItemsOf(list);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].Name, L"f2.jpg");
  EXPECT_EQ(items[0].Path, L"C:\\scans\\f2.jpg");
  EXPECT_EQ(items[0].Turn, 270);  // the turn goes with its record
  EXPECT_EQ(items[2].Name, L"f1.jpg");
}

}  // namespace
