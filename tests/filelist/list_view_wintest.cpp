// The file list view on a real window: rows and records in step through
// every command, the context menu, clicks, the empty-list hint and the
// fatal reports of a row without its record.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "filelist/list_commands.h"
#include "filelist/gui_steps_win.h"
#include "filelist/list_view_win.h"
#include "support/gui_harness_win.h"

using namespace testsupport;
using gui_steps::CellText;

namespace {

// Client point in the middle of a row's "Resolution" cell (away from the check box).
POINT RowPoint(HWND list, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  return {r.right - 150, (r.top + r.bottom) / 2};
}

POINT CheckBoxPoint(HWND list, int row) {
  const POINT inRow = RowPoint(list, row);
  for (int x = 0; x < 60; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, inRow.y};
    ::SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) return {x + 2, inRow.y};
  }
  ADD_FAILURE() << "no check box found in row " << row;
  return inRow;
}

void Click(HWND list, POINT p, bool right = false) {
  const LPARAM at = MAKELPARAM(p.x, p.y);
  ::SendMessageW(list, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
  ::SendMessageW(list, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
  PumpMessages();
}

bool MenuItemEnabled(HWND window, UINT command) {
  return !(::GetMenuState(::GetMenu(window), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

// The texts of the pop-up menu that opens while `open` runs, then closes it.
std::vector<std::wstring> PopupMenuTexts(const std::function<void()>& open) {
  std::vector<std::wstring> texts;
  TimerTask reader([&] {
    const HWND popup = FindThreadWindow(L"#32768");
    if (!popup) return false;
    const auto menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (!menu) return false;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
      wchar_t text[256] = {};
      ::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
      const UINT id = ::GetMenuItemID(menu, i);
      texts.push_back(std::to_wstring(static_cast<int>(id)) + L":" + text);
    }
    ::EndMenu();
    return true;
  });
  open();
  PumpMessages();
  EXPECT_TRUE(reader.done()) << "no pop-up menu opened";
  return texts;
}

// The runs of text lines drawn in the list below its header, in window
// coordinates, with the list's middle.
struct TextBands {
  std::vector<std::pair<int, int>> bands;
  int middle = 0;
};
// With repaint false, only what the list itself asked to repaint is drawn.
TextBands FindTextBands(HWND window, HWND list, const std::wstring& screenshot, bool repaint) {
  if (repaint) ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
  ::UpdateWindow(list);
  SaveScreenshot(window, screenshot);
  const Capture shot = CaptureWindow(window);
  RECT listRect = WindowRect(list);
  const RECT frame = WindowRect(window);
  ::OffsetRect(&listRect, -frame.left, -frame.top);
  const std::uint32_t background = ::GetSysColor(COLOR_WINDOW);
  const std::uint32_t paper = ((background & 0xFF) << 16) | (background & 0xFF00) | ((background >> 16) & 0xFF);
  TextBands found;
  found.middle = (listRect.top + listRect.bottom) / 2;
  for (int y = listRect.top + 30; y < listRect.bottom - 4; ++y) {
    for (int x = listRect.left + 4; x < listRect.right - 4; ++x) {
      if (shot.at(x, y) == paper) continue;
      if (found.bands.empty() || y > found.bands.back().second + 1) found.bands.push_back({y, y});
      found.bands.back().second = y;
      break;
    }
  }
  return found;
}

// Two lines, symmetric about the middle of the list.
void ExpectHint(HWND window, HWND list, const std::wstring& screenshot, bool repaint = true) {
  const TextBands hint = FindTextBands(window, list, screenshot, repaint);
  ASSERT_EQ(hint.bands.size(), 2u) << "the hint is not drawn as two lines";
  const int above = hint.middle - (hint.bands[0].first + hint.bands[0].second) / 2;
  const int below = (hint.bands[1].first + hint.bands[1].second) / 2 - hint.middle;
  EXPECT_NEAR(above, below, 3);
}

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    ::SetMenu(window.get(), BuildMainMenu());
    CreateMainWindowControls(window.get(), settings, records);
    list = MainControls().list;
    SetThumbnailHooks({[this] { ++thumbnailClosed; }, [this](std::int32_t row) { thumbnailShown.push_back(row); },
                       nullptr});
    UpdateListCommands();
    PumpMessages();
  }
  void TearDown() override { SetThumbnailHooks({}); }

  // Adds a record and its row as the intake does.
  void Add(const std::wstring& name, std::int32_t state = 0, std::int64_t size = 1000) {
    FileItem item;
    item.Id = records.ItemsAdded++;
    item.Name = name;
    item.Path = L"C:\\scans\\" + name;
    item.FileSize = size;
    item.State = state;
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
  }
  void AddNumbered(int count) {
    for (int i = 0; i < count; ++i) Add(L"p" + std::to_wstring(i) + L".jpg");
    UpdateListCommands();
  }

  std::vector<int> RowIds() { return gui_steps::RowIds(records, list); }
  std::vector<int> CheckedRows() {
    std::vector<int> rows;
    for (int row = 0; row < RowCount(); ++row) {
      if (IsRowChecked(RowState(row))) rows.push_back(row);
    }
    return rows;
  }
  void Command(int command) {
    ::SendMessageW(window.get(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    PumpMessages();
  }

  Settings settings;
  FileList records;
  TestWindow window{{40, 40, 760, 600}, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, HandleMainWindowMessage};
  ScopedMainWindow scope{window.get()};
  HWND list = nullptr;
  int thumbnailClosed = 0;
  std::vector<std::int32_t> thumbnailShown;
};

TEST_F(ListViewTest, IsACheckBoxReportWithThreeFixedColumns) {
  EXPECT_EQ(::GetDlgCtrlID(list), 0);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(list, GWL_STYLE));
  EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  const auto extended = static_cast<DWORD>(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(extended & LVS_EX_DOUBLEBUFFER);

  const wchar_t* titles[] = {L"Filename", L"Resolution", L"Size"};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, titles[i]);
    if (i > 0) {
      EXPECT_EQ(column.cx, 100);
      EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
    }
  }

  // The header refuses width changes that do not come from the layout, and
  // never shows the sizing cursor.
  const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  HDITEMW item{};
  item.mask = HDI_WIDTH;
  item.cxy = 40;
  ::SendMessageW(header, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 100);
  ::SetWindowPos(window.get(), nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages();
  EXPECT_GT(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 400);  // the layout still can
  EXPECT_EQ(::SendMessageW(header, WM_SETCURSOR, reinterpret_cast<WPARAM>(header), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(ListViewTest, EmptyListShowsTheHintAndDisablesTheListCommands) {
  EXPECT_FALSE(::IsWindowEnabled(MainControls().buildButton));
  for (UINT command : {1u, 2u, 3u, 4u}) EXPECT_FALSE(MenuItemEnabled(window.get(), command)) << command;
  EXPECT_TRUE(MenuItemEnabled(window.get(), 5));  // "Quit" is not the list's

  ScreenLock lock(window.get());
  ExpectHint(window.get(), list, L"file_list_empty");

  AddNumbered(1);
  EXPECT_TRUE(::IsWindowEnabled(MainControls().buildButton));
  for (UINT command : {1u, 2u, 3u, 4u}) EXPECT_TRUE(MenuItemEnabled(window.get(), command)) << command;
}

TEST_F(ListViewTest, RowsShowTheirRecordsAndCarryIdAndState) {
  Add(L"scan.jpg", kRowChecked, 2345678);
  records.Items[0].Width = 1024;
  records.Items[0].Height = 768;
  Add(L"note.txt", 0, 512);
  RebuildRows();
  EXPECT_EQ(CellText(list, 0, 0), L"scan.jpg");
  EXPECT_EQ(CellText(list, 0, 1), L"1024 x 768");
  EXPECT_EQ(CellText(list, 0, 2), L"2.2 MB");
  EXPECT_EQ(CellText(list, 1, 1), L"? x ?");
  EXPECT_EQ(RowState(0), kRowChecked);
  EXPECT_EQ(RowState(1), 0);
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 1}));

  settings.ShowSizeCondensed = 0;
  settings.ShowFullPath = 1;
  RebuildRows();
  EXPECT_EQ(CellText(list, 0, 0), L"C:\\scans\\scan.jpg");
  EXPECT_EQ(CellText(list, 0, 2), L"2,345,678");
  EXPECT_EQ(RowState(0), kRowChecked);  // rebuilt from the record
}

TEST_F(ListViewTest, CheckedRowsMoveToTopOrBottomInTheirOrder) {
  AddNumbered(10);
  for (int row : {2, 5, 7}) SetRowState(row, kRowChecked);
  SetCurrentRow(4);
  Command(kCommandMoveToTop);
  EXPECT_EQ(RowIds(), (std::vector<int>{2, 5, 7, 0, 1, 3, 4, 6, 8, 9}));
  EXPECT_EQ(CheckedRows(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(CurrentRow(), 6);  // the unchecked current row kept its record
  EXPECT_EQ(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
  EXPECT_GE(thumbnailClosed, 1);

  Command(kCommandMoveToBottom);
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 1, 3, 4, 6, 8, 9, 2, 5, 7}));
  EXPECT_EQ(CheckedRows(), (std::vector<int>{7, 8, 9}));
}

TEST_F(ListViewTest, WithoutCheckedRowsTheCurrentRowMovesAndTheCursorStays) {
  AddNumbered(6);
  SetCurrentRow(3);
  Command(kCommandMoveToTop);
  EXPECT_EQ(RowIds(), (std::vector<int>{3, 0, 1, 2, 4, 5}));
  EXPECT_EQ(CurrentRow(), 3);
  Command(kCommandMoveToBottom);
  EXPECT_EQ(RowIds(), (std::vector<int>{3, 0, 1, 4, 5, 2}));
  EXPECT_EQ(CurrentRow(), 3);
  SetCurrentRow(-1);
  Command(kCommandMoveToTop);  // no current row, nothing checked: nothing moves
  EXPECT_EQ(RowIds(), (std::vector<int>{3, 0, 1, 4, 5, 2}));

  EXPECT_EQ(MoveRow(1, 4), 3);  // as a row drag would
  EXPECT_EQ(RowIds(), (std::vector<int>{3, 1, 4, 0, 5, 2}));
  EXPECT_EQ(MoveRow(5, 0), 0);
  EXPECT_EQ(RowIds(), (std::vector<int>{2, 3, 1, 4, 0, 5}));
}

TEST_F(ListViewTest, RemoveTakesCheckedRowsOrTheCurrentOneAndNeedsACurrentRow) {
  AddNumbered(6);
  SetRowState(1, kRowChecked);
  SetRowState(4, kRowChecked);
  // The Delete key with no current row does nothing, even with rows checked.
  SetCurrentRow(-1);
  Command(kCommandRemove);
  EXPECT_EQ(RowCount(), 6);

  const HACCEL keys = CreateMainAccelerators();
  SetCurrentRow(0);
  MSG key{};
  key.hwnd = window.get();
  key.message = WM_KEYDOWN;
  key.wParam = VK_DELETE;
  EXPECT_TRUE(::TranslateAcceleratorW(window.get(), keys, &key));
  ::DestroyAcceleratorTable(keys);
  PumpMessages();
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 2, 3, 5}));
  EXPECT_EQ(records.TotalFileBytes, 4000);
  EXPECT_TRUE(CheckedRows().empty());
  EXPECT_EQ(CurrentRow(), 0);
  // The keyboard stays with the list (unless another test program has just taken the foreground).
  if (::GetForegroundWindow() == window.get()) {
    EXPECT_EQ(::GetFocus(), list);
  }

  SetCurrentRow(2);
  Command(kCommandRemove);
  EXPECT_EQ(RowIds(), (std::vector<int>{0, 2, 5}));
  EXPECT_EQ(CurrentRow(), -1);

  // Removing the last rows brings the hint back and closes the thumbnail.
  for (int row = 0; row < 3; ++row) SetRowState(row, kRowChecked);
  SetCurrentRow(1);
  const int closedBefore = thumbnailClosed;
  Command(kCommandRemove);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(records.TotalFileBytes, 0);
  EXPECT_GT(thumbnailClosed, closedBefore);
  EXPECT_FALSE(::IsWindowEnabled(MainControls().buildButton));
}

TEST_F(ListViewTest, DeletingTheOnlyRowShowsTheHintAgain) {
  AddNumbered(1);
  ScreenLock lock(window.get());
  ::UpdateWindow(list);  // the row on screen, so that its removal repaints only part
  SetCurrentRow(0);
  Command(kCommandRemove);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_TRUE(records.Items.empty());
  EXPECT_FALSE(::IsWindowEnabled(MainControls().buildButton));
  EXPECT_FALSE(MenuItemEnabled(window.get(), kCommandClear));
  // UpdateListCommands ends with the thumbnail closed.
  EXPECT_GE(thumbnailClosed, 1);
  ExpectHint(window.get(), list, L"file_list_emptied", false);
}

TEST_F(ListViewTest, SelectAllSortAndClear) {
  Add(L"b.jpg", 0);
  Add(L"A.jpg", kRowChecked);
  Add(L"a.jpg", 0);
  UpdateListCommands();
  SetCurrentRow(1);
  Command(kCommandSelectAll);
  EXPECT_EQ(CheckedRows(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(CurrentRow(), 1);
  EXPECT_EQ(records.Items[0].State, kRowChecked);  // the records as well as the rows
  Command(kCommandDeselectAll);
  EXPECT_TRUE(CheckedRows().empty());
  EXPECT_EQ(CurrentRow(), 1);
  // Space on the current row checks it, row and record.
  SetCurrentRow(2);  // a.jpg
  ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageW(list, WM_CHAR, L' ', 0);
  ::SendMessageW(list, WM_KEYUP, VK_SPACE, 0);
  PumpMessages();
  EXPECT_EQ(CheckedRows(), (std::vector<int>{2}));

  // The rebuilt rows show the marks the user last set.
  Command(kCommandSortNow);
  EXPECT_EQ(RowIds(), (std::vector<int>{1, 2, 0}));  // A.jpg, a.jpg, b.jpg
  EXPECT_EQ(CheckedRows(), (std::vector<int>{1}));
  EXPECT_EQ(CurrentRow(), 0);

  Command(kCommandClear);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(records.ItemsAdded, 0);
  EXPECT_FALSE(MenuItemEnabled(window.get(), kCommandSortNow));
  Add(L"next.jpg");
  EXPECT_EQ(records.Items[0].Id, 0);  // the next drop starts from Id 0 again
}

TEST_F(ListViewTest, ClicksMakeRowsCurrentAndRecordTheirState) {
  AddNumbered(5);
  Click(list, RowPoint(list, 2));
  EXPECT_EQ(CurrentRow(), 2);
  ASSERT_FALSE(thumbnailShown.empty());
  EXPECT_EQ(thumbnailShown.back(), 2);

  Click(list, CheckBoxPoint(list, 3));
  EXPECT_EQ(CurrentRow(), 3);
  EXPECT_EQ(RowState(3), kRowChecked | kRowSelected);
  EXPECT_EQ(records.Items[3].State, kRowChecked | kRowSelected);  // recorded on the click

  RECT last{};
  last.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
  Click(list, {60, last.bottom + 30});  // below the rows
  EXPECT_EQ(CurrentRow(), -1);
  EXPECT_EQ(thumbnailShown.back(), -1);
}

TEST_F(ListViewTest, ContextMenuNamesTheClickedRowOrTheCheckedCount) {
  Add(L"cover & back.jpg");
  Add(L"page 1.jpg");
  Add(L"page 2.jpg");
  Add(L"page 3.jpg");
  std::vector<std::wstring> texts = PopupMenuTexts([&] { Click(list, RowPoint(list, 1), true); });
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"13:Move page 1.jpg to &TOP", L"14:Move page 1.jpg to &BOTTOM", L"0:",
                                              L"22:Rotate ri&ght\tCtrl+R", L"23:Rotate &left\tCtrl+L",
                                              L"24:Rotate &180\u00B0", L"0:", L"15:&Remove page 1.jpg\t[Del]",
                                              L"16:&Close"}));
  EXPECT_EQ(CurrentRow(), 1);
  EXPECT_EQ(thumbnailShown.back(), 1);

  for (int row : {0, 2, 3}) SetRowState(row, kRowChecked);
  texts = PopupMenuTexts([&] { Click(list, RowPoint(list, 1), true); });
  ASSERT_EQ(texts.size(), 9u);
  EXPECT_EQ(texts[0], L"13:Move selected items (3) to &TOP");
  EXPECT_EQ(texts[1], L"14:Move selected items (3) to &BOTTOM");
  EXPECT_EQ(texts[7], L"15:&Remove selected items (3)\t[Del]");

  for (int row : {0, 2, 3}) SetRowState(row, 0);
  texts = PopupMenuTexts([&] { Click(list, RowPoint(list, 0), true); });
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], L"13:Move cover && back.jpg to &TOP");  // shows a single "&"

  // Below the rows: no menu, the click is consumed.
  RECT last{};
  last.left = LVIR_BOUNDS;
  ::SendMessageW(list, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&last));
  TimerTask watch(
      [] {
        if (!FindThreadWindow(L"#32768")) return false;
        ::EndMenu();
        return true;
      },
      200);
  Click(list, {60, last.bottom + 30}, true);
  EXPECT_FALSE(watch.done());
}

TEST_F(ListViewTest, ScrollsOneRowAtATimeAndWithTheWheel) {
  AddNumbered(100);
  const auto top = [&] { return static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); };
  ASSERT_EQ(top(), 0);
  ScrollListOneRow(false);
  EXPECT_EQ(top(), 1);
  ScrollListOneRow(true);
  EXPECT_EQ(top(), 0);
  ScrollListOneRow(true);  // already at the top
  EXPECT_EQ(top(), 0);
  ::SendMessageW(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(top(), 1);
  ::SendMessageW(window.get(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(top(), 0);

  const int perPage = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
  ::SendMessageW(list, LVM_ENSUREVISIBLE, 99, FALSE);
  const int bottomTop = top();
  EXPECT_EQ(bottomTop + perPage, 100);
  ScrollListOneRow(false);  // already at the bottom
  EXPECT_EQ(top(), bottomTop);
}

TEST_F(ListViewTest, ScreenshotOfAListWithRows) {
  AddNumbered(12);
  for (int row : {2, 5, 7}) SetRowState(row, kRowChecked);
  SetCurrentRow(4);
  LayoutMainWindow();
  ScreenLock lock(window.get());
  ::RedrawWindow(window.get(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
  EXPECT_FALSE(SaveScreenshot(window.get(), L"file_list_rows").empty());
}

// A row whose Id has no record is an internal fault, reported by the
// procedure that looked for it.
TEST_F(ListViewTest, RowWithoutRecordEndsInTheFatalReport) {
  AddNumbered(3);
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = 1;
  item.lParam = 77;
  ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));

  struct Case {
    std::function<void()> run;
    std::wstring text;
  };
  const Case cases[] = {
      {[] { SetItemStatus(1); }, L"Fatal error in SetItemStatus() on line 1504.\r\n\r\nFindElement() failed."},
      {[] { DeleteItem(1); }, L"Fatal error in DeleteItem() on line 1076.\r\n\r\nFindElement() failed."},
      {[&] {
         const POINT p = RowPoint(list, 1);
         CallBack_ListView(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
       },
       L"Fatal error in CallBack_ListView() on line 1268.\r\n\r\nFindElement() failed."},
      {[] { MoveItemToGadget(77 + 1, 1, 0); },
       L"Fatal error in MoveItemToGadget() on line 1427.\r\n\r\nFindElement() failed."},
  };
  for (const Case& c : cases) {
    CatchProgramEnd catcher;
    DialogAnswerer answers;
    answers.Press(IDOK);
    EXPECT_THROW(c.run(), ProgramEnded);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, c.text);
  }
}

}  // namespace
