#include "filelist/list_view_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "filelist/list_commands.h"
#include "ui/fatal_error.h"
#include "ui/dpi.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr wchar_t kFindFailed[] = L"FindElement() failed.";
constexpr wchar_t kHintLine1[] = L"Drop your files here";
constexpr wchar_t kHintLine2[] = L"( JPG, PNG, BMP, TIFF, GIF )";
constexpr UINT kCheckedImage = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT kUncheckedImage = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT_PTR kBatchTimer = 1;
// Under Wine every row added to a list that is drawing costs a round trip to
// the display (about 20 ms); rows added in a run are drawn this often instead.
constexpr UINT kBatchDrawMs = 200;

struct MenuTraits {
  static void Close(HMENU h) { ::DestroyMenu(h); }
};
using UniqueMenu = win::UniqueHandle<HMENU, MenuTraits>;

// What the list procedures work on; one list per process.
struct ListContext {
  HWND list = nullptr;
  FileList* items = nullptr;
  Settings* settings = nullptr;
  bool batchOpen = false;  // rows are being added with drawing held back
};
ListContext g_list;
ThumbnailHooks g_hooks;
ListViewOwner g_owner;

void LayoutNeeded() {
  if (g_owner.layoutNeeded) g_owner.layoutNeeded();
}
void StatusChanged() {
  if (g_owner.statusChanged) g_owner.statusChanged();
}

FileList& Items() { return g_list.items ? *g_list.items : ProgramFileList(); }
const Settings& ShownSettings() {
  static const Settings defaults;
  return g_list.settings ? *g_list.settings : defaults;
}

void CloseThumbnailHook() {
  if (g_hooks.closeThumbnail) g_hooks.closeThumbnail();
}
void ShowThumbnailHook(std::int32_t row) {
  if (g_hooks.showThumbnail) g_hooks.showThumbnail(row);
}

void RequestThumbnail(std::int32_t row) {
  if (g_owner.rowClicked) g_owner.rowClicked(row);
}

}  // namespace

void DrawAddedRows() {
  if (!g_list.batchOpen) return;
  g_list.batchOpen = false;
  ::KillTimer(g_list.list, kBatchTimer);
  ::SendMessageW(g_list.list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(g_list.list, nullptr, TRUE);
  ShowFileTotals();
  LayoutNeeded();  // a vertical scroll bar may have come with the rows
}

namespace {

void FlushRowBatch() { DrawAddedRows(); }

void OpenRowBatch() {
  if (g_list.batchOpen) return;
  g_list.batchOpen = true;
  ::SendMessageW(g_list.list, WM_SETREDRAW, FALSE, 0);
  ::SetTimer(g_list.list, kBatchTimer, kBatchDrawMs, nullptr);
}

// Drawing stays off for a run of row changes, then the list is drawn once.
class RedrawPause {
 public:
  explicit RedrawPause(HWND list) : list_(list) {
    FlushRowBatch();
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawPause() {
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND list_;
};

// Inserts a row for record at row with the given state flags and the
// record's Id as item data. The cells' texts are asked for when they are
// drawn (FillRowText), always from the row's record.
void InsertRow(std::int32_t row, const FileItem& record, std::int32_t state) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = row;
  item.pszText = LPSTR_TEXTCALLBACKW;
  item.lParam = static_cast<LPARAM>(record.Id);
  row = static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  // A new row starts unchecked and unselected; the list keeps no check
  // state given with the insertion itself.
  if (row < 0 || state == 0) return;
  LVITEMW flags{};
  flags.stateMask = LVIS_STATEIMAGEMASK;
  flags.state = IsRowChecked(state) ? kCheckedImage : kUncheckedImage;
  if (state & kRowSelected) {
    flags.stateMask |= LVIS_SELECTED | LVIS_FOCUSED;
    flags.state |= LVIS_SELECTED | LVIS_FOCUSED;
  }
  ::SendMessageW(g_list.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&flags));
}

// All rows anew from the records, with the given state flags. Under Wine
// this is several times faster than rewriting the rows one by one.
void ReloadRows(const std::vector<std::int32_t>& states) {
  const FileList& items = Items();
  ::SendMessageW(g_list.list, LVM_DELETEALLITEMS, 0, 0);
  ::SendMessageW(g_list.list, LVM_SETITEMCOUNT, items.Items.size(), 0);
  for (std::size_t i = 0; i < items.Items.size(); ++i) {
    InsertRow(static_cast<std::int32_t>(i), items.Items[i], i < states.size() ? states[i] : 0);
  }
}

// Makes row the top row in view, as far as the rows below allow.
void ScrollToTopRow(std::int32_t row) {
  const std::int32_t count = RowCount();
  if (count == 0) return;
  ::SendMessageW(g_list.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
  ::SendMessageW(g_list.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::min(row, count - 1)), FALSE);
}

// The live state flags of every row. Rows and records are in step (every
// change goes through this file), so row i is record i: only the counts are
// checked here, a lookup per row would cost as much again.
std::vector<std::int32_t> ReadRowStates(const wchar_t* procedure, std::int32_t line) {
  const std::int32_t count = RowCount();
  CheckCreated(static_cast<std::size_t>(count) == Items().Items.size(), procedure, kFindFailed, line);
  std::vector<std::int32_t> states(static_cast<std::size_t>(count));
  for (std::int32_t row = 0; row < count; ++row) states[static_cast<std::size_t>(row)] = RowState(row);
  return states;
}

std::int32_t RowAt(HWND list, LPARAM point) {
  LVHITTESTINFO hit{};
  hit.pt = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
  ::SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.iItem;
}

// The hint of an empty list: two lines 1.5 line heights apart, symmetric
// about the middle of the list.
void DrawEmptyListHint(HWND list, HDC dc) {
  RECT client{};
  ::GetClientRect(list, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
  win::SavedDcState saved(dc);
  const win::UniqueFont font(::CreateFontW(-::MulDiv(12, WindowDpi(list), 72), 0, 0, 0,
                                           FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                           DEFAULT_PITCH | FF_DONTCARE, L"Comic Sans MS"));
  if (font) ::SelectObject(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, kHintLine1, static_cast<int>(std::wcslen(kHintLine1)), &extent);
  const int h = extent.cy;
  constexpr UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  RECT first = client;
  first.bottom -= static_cast<LONG>(std::lround(1.5 * h));
  ::DrawTextW(dc, kHintLine1, -1, &first, flags);
  RECT second = first;
  second.bottom += 3 * h;
  ::DrawTextW(dc, kHintLine2, -1, &second, flags);
}

void ShowContextMenu(HWND list, std::int32_t row, LPARAM point) {
  const std::int32_t checked = CountCheckedRows();
  std::wstring name;
  if (checked == 0) {
    const FileItem* record = CheckCreated(FindRowItem(Items(), row, RowId(row)), L"CallBack_ListView",
                                          kFindFailed, kLineCallBackListView);
    name = record->Name;
  }
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu) return;
  for (const MenuEntry& entry : ContextMenuEntries(checked, name)) {
    if (entry.command == 0) {
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(entry.command), entry.text.c_str());
    }
  }
  SetCurrentRow(row);
  RequestThumbnail(row);
  POINT at{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
  ::ClientToScreen(list, &at);
  const HWND owner = MainWindow() ? MainWindow() : ::GetParent(list);
  // The chosen command reaches the owner as WM_COMMAND, like a menu bar item.
  ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

// Column widths change only through the program's own layout.
bool IsRefusedHeaderChange(const NMHDR& header) {
  switch (header.code) {
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA:
      return !(g_owner.layoutRunning && g_owner.layoutRunning());
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
      return true;
  }
  return false;
}

LRESULT CALLBACK HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    // Never the sizing cursor over a divider: the columns are not the user's to size.
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
  }
  return CallOldWindowProc(window, message, wParam, lParam);
}

}  // namespace

void SetThumbnailHooks(ThumbnailHooks hooks) { g_hooks = std::move(hooks); }
void SetListViewOwner(ListViewOwner owner) { g_owner = std::move(owner); }
const ThumbnailHooks& GetThumbnailHooks() { return g_hooks; }

ThumbnailHandle OwnThumbnailBitmap(HBITMAP bitmap) {
  return ThumbnailHandle(bitmap, [](void* handle) { ::DeleteObject(static_cast<HBITMAP>(handle)); });
}

HWND CreateFileListView(HWND parent, FileList& list, Settings& settings) {
  const HWND view = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 15, 15, 0, 0,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlFileList)), ::GetModuleHandleW(nullptr),
      nullptr);
  if (!view) return nullptr;
  g_list = {view, &list, &settings};
  const LPARAM features = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ::SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, features, features);
  // Cleared on purpose: the list draws its own empty-list hint while erasing.
  ::SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER, 0);

  struct Column {
    const wchar_t* title;
    int format;
    int width;
  };
  const Column columns[] = {{L"Filename", LVCFMT_LEFT, 0},
                            {L"Resolution", LVCFMT_RIGHT, Scaled(parent, 100)},
                            {L"Size", LVCFMT_RIGHT, Scaled(parent, 100)}};
  int index = 0;
  for (const Column& c : columns) {
    std::wstring title = c.title;
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = c.format;
    column.cx = c.width;
    column.pszText = title.data();
    column.iSubItem = index;
    ::SendMessageW(view, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    ++index;
  }
  SubclassWindow(view, CallBack_ListView);
  SubclassWindow(reinterpret_cast<HWND>(::SendMessageW(view, LVM_GETHEADER, 0, 0)), HeaderProc);
  return view;
}

HWND FileListView() { return g_list.list && ::IsWindow(g_list.list) ? g_list.list : nullptr; }
FileList& ShownFileList() { return Items(); }

std::int32_t RowCount() {
  if (!FileListView()) return 0;
  return static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_GETITEMCOUNT, 0, 0));
}

std::int32_t CurrentRow() {
  if (!FileListView()) return -1;
  return static_cast<std::int32_t>(
      ::SendMessageW(g_list.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SetCurrentRow(std::int32_t row) {
  if (!FileListView()) return;
  LVITEMW item{};
  if (row < 0 || row >= RowCount()) {
    item.stateMask = LVIS_SELECTED;
    ::SendMessageW(g_list.list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    return;
  }
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(g_list.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::int32_t RowState(std::int32_t row) {
  if (!FileListView()) return 0;
  const auto state = static_cast<UINT>(::SendMessageW(g_list.list, LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                                      LVIS_SELECTED | LVIS_STATEIMAGEMASK));
  std::int32_t flags = 0;
  if (state & LVIS_SELECTED) flags |= kRowSelected;
  if ((state & LVIS_STATEIMAGEMASK) == kCheckedImage) flags |= kRowChecked;
  return flags;
}

void SetRowState(std::int32_t row, std::int32_t state) {
  if (!FileListView() || row < 0) return;
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = IsRowChecked(state) ? kCheckedImage : kUncheckedImage;
  // Selection is touched only where it is set, or was: a change of the
  // selection costs the list (and its parent) more than one of the check.
  if ((state & kRowSelected) || (RowState(row) & kRowSelected)) {
    item.stateMask |= LVIS_SELECTED | LVIS_FOCUSED;
    if (state & kRowSelected) item.state |= LVIS_SELECTED | LVIS_FOCUSED;
  }
  ::SendMessageW(g_list.list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::int32_t RowId(std::int32_t row) {
  if (!FileListView()) return -1;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!::SendMessageW(g_list.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return static_cast<std::int32_t>(item.lParam);
}

bool AnyRowChecked() {
  const std::int32_t count = RowCount();
  for (std::int32_t row = 0; row < count; ++row) {
    if (IsRowChecked(RowState(row))) return true;
  }
  return false;
}

std::int32_t CountCheckedRows() {
  const std::int32_t count = RowCount();
  std::int32_t checked = 0;
  for (std::int32_t row = 0; row < count; ++row) {
    if (IsRowChecked(RowState(row))) ++checked;
  }
  return checked;
}

void AddItemRow(const FileItem& record) {
  if (!FileListView()) return;
  // The totals follow when the run of added rows is drawn.
  OpenRowBatch();
  InsertRow(RowCount(), record, record.State);
}

void RebuildRows() {
  if (!FileListView()) return;
  const FileList& items = Items();
  std::vector<std::int32_t> states;
  states.reserve(items.Items.size());
  for (const FileItem& record : items.Items) states.push_back(record.State);
  {
    RedrawPause pause(g_list.list);
    ReloadRows(states);
  }
  ShowFileTotals();
}

void MoveItemToGadget(std::int32_t id, std::int32_t from, std::int32_t to) {
  if (!FileListView()) return;
  FlushRowBatch();
  const std::int32_t state = RowState(from);
  ::SendMessageW(g_list.list, LVM_DELETEITEM, static_cast<WPARAM>(from), 0);
  const FileItem* record =
      CheckCreated(FindItem(Items(), id), L"MoveItemToGadget", kFindFailed, kLineMoveItemToGadget);
  InsertRow(from < to ? to - 1 : to, *record, state);
}

std::int32_t MoveRow(std::int32_t from, std::int32_t to) {
  const std::int32_t count = RowCount();
  if (from == to || from < 0 || from >= count || to < 0 || to > count) return from;
  MoveItemToGadget(RowId(from), from, to);
  return MoveRow(Items(), from, to);
}

std::int32_t MoveRowToEnd(std::int32_t row, bool top) { return MoveRow(row, top ? 0 : RowCount()); }

void MoveCurrentRowOneStep(bool up) {
  const std::int32_t current = CurrentRow();
  if (current < 0 || (up && current == 0) || (!up && current + 1 >= RowCount())) return;
  // Down means before the entry two places on: the one below takes our place.
  const std::int32_t moved = MoveRow(current, up ? current - 1 : current + 2);
  SetCurrentRow(moved);
  ::SendMessageW(g_list.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(moved), FALSE);
  if (GetThumbnailHooks().showThumbnail) GetThumbnailHooks().showThumbnail(moved);
}

void MoveCheckedRows(bool top) {
  CloseThumbnailHook();
  if (!FileListView()) return;
  std::vector<std::int32_t> states = ReadRowStates(L"MoveItemToGadget", kLineMoveItemToGadget);
  FileList& items = Items();
  {
    RedrawPause pause(g_list.list);
    // One pass over the records, then the rows anew: whatever the number of
    // checked rows, no rescans.
    if (!MoveCheckedRows(items, states, top).empty()) ReloadRows(states);
  }
  const std::int32_t count = RowCount();
  if (count > 0) {
    ::SendMessageW(g_list.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top ? 0 : count - 1), FALSE);
  }
}

void RemoveCheckedRows() {
  CloseThumbnailHook();
  if (!FileListView()) return;
  std::vector<std::int32_t> states = ReadRowStates(L"DeleteItem", kLineDeleteItem);
  FileList& items = Items();
  const auto top = static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_GETTOPINDEX, 0, 0));
  RemovedRows removed;
  {
    RedrawPause pause(g_list.list);
    removed = RemoveCheckedRows(items, states);
    if (removed.removed > 0) {
      ReloadRows(states);
      ScrollToTopRow(top);  // the view stays where it was, as far as rows remain
    }
  }
  if (removed.removed > 0) StatusChanged();
  if (RowCount() > 0 && g_owner.rowsRemoved) g_owner.rowsRemoved();
}

void DeleteItem(std::int32_t row) {
  if (!FileListView() || row < 0 || row >= RowCount()) return;
  FlushRowBatch();
  FileList& items = Items();
  const FileItem* record =
      CheckCreated(FindRowItem(items, row, RowId(row)), L"DeleteItem", kFindFailed, kLineDeleteItem);
  DeleteItemAt(items, static_cast<std::size_t>(record - items.Items.data()));
  ::SendMessageW(g_list.list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  // The hint is centred on the whole list: a partial repaint would cut it.
  if (RowCount() == 0) ::InvalidateRect(g_list.list, nullptr, TRUE);
  StatusChanged();
}

void SetItemStatus(std::int32_t row) {
  if (!FileListView() || row < 0 || row >= RowCount()) return;
  FileItem* record =
      CheckCreated(FindRowItem(Items(), row, RowId(row)), L"SetItemStatus", kFindFailed, kLineSetItemStatus);
  record->State = RowState(row);
}

void SortFileListAndRows() {
  SortFileList(Items(), ShownSettings().SortIncludingPath == 1);
  RebuildRows();
  SetCurrentRow(0);
}

void ClearFileListAndRows() {
  FlushRowBatch();
  if (FileListView()) ::SendMessageW(g_list.list, LVM_DELETEALLITEMS, 0, 0);
  ClearFileList(Items());
  UpdateListCommands();
  CloseThumbnailHook();
  LayoutNeeded();
  if (FileListView()) ::SetFocus(g_list.list);
  StatusChanged();
}

void CheckAllRows(bool checked) {
  if (!FileListView()) return;
  const std::int32_t current = CurrentRow();
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_STATEIMAGEMASK;
  item.state = checked ? kCheckedImage : kUncheckedImage;
  ::SendMessageW(g_list.list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  // The records as well: a rebuild of the rows shows them.
  SetAllChecked(Items(), checked);
  if (current >= 0) SetCurrentRow(current);
}

namespace {

// Space toggles the check boxes of the list's selected rows; their records
// learn it as they do from a click.
void RecordSelectedRows() {
  for (auto row = static_cast<std::int32_t>(
           ::SendMessageW(g_list.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       row >= 0; row = static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_GETNEXTITEM,
                                                                  static_cast<WPARAM>(row), LVNI_SELECTED))) {
    SetItemStatus(row);
  }
}

}  // namespace

void ShowFileTotals() {
  if (g_list.batchOpen) {
    FlushRowBatch();  // which shows them
    return;
  }
  if (g_owner.totalsChanged) g_owner.totalsChanged(FileTotalsText(Items()));
}

void UpdateListCommands() {
  FlushRowBatch();
  const bool empty = RowCount() == 0;
  if (g_owner.rowsPresence) g_owner.rowsPresence(!empty);
  if (const HMENU menu = MainWindow() ? ::GetMenu(MainWindow()) : nullptr) {
    for (const std::int32_t command : {kCommandClear, kCommandSortNow, kCommandSelectAll, kCommandDeselectAll}) {
      ::EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (empty ? MF_GRAYED : MF_ENABLED));
    }
  }
  const std::int32_t current = CurrentRow();
  if (!empty && current >= 0) {
    ShowThumbnailHook(current);
  } else {
    CloseThumbnailHook();
  }
}

void ScrollListOneRow(bool up) {
  if (!FileListView()) return;
  FlushRowBatch();
  const auto top = static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_GETTOPINDEX, 0, 0));
  const auto perPage = static_cast<std::int32_t>(::SendMessageW(g_list.list, LVM_GETCOUNTPERPAGE, 0, 0));
  std::int32_t target = -1;
  if (up) {
    if (top > 0) target = top - 1;
  } else if (top + perPage < RowCount()) {
    target = top + perPage;
  }
  if (target >= 0) ::SendMessageW(g_list.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(target), FALSE);
}

void FillRowText(NMLVDISPINFOW& info) {
  if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  info.item.pszText[0] = L'\0';
  const FileItem* record = FindRowItem(Items(), info.item.iItem, RowId(info.item.iItem));
  if (!record) return;
  const RowCells cells = RowCellsOf(*record, ShownSettings());
  const std::wstring& text =
      info.item.iSubItem == 0 ? cells.filename : info.item.iSubItem == 1 ? cells.resolution : cells.size;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
  text.copy(info.item.pszText, length);
  info.item.pszText[length] = L'\0';
}

namespace {

// The rows a turn acts on are those the context menu's other items act on:
// the checked rows when there are any, else the current one. Their cells
// and, when it shows one of them, the thumbnail follow at once.
void TurnRows(std::int32_t degrees) {
  const std::int32_t current = CurrentRow();
  const bool checked = AnyRowChecked();
  if (!checked && current < 0) return;
  const std::int32_t count = RowCount();
  for (std::int32_t row = 0; row < count; ++row) {
    if (checked ? !IsRowChecked(RowState(row)) : row != current) continue;
    FileItem* record =
        CheckCreated(FindRowItem(Items(), row, RowId(row)), L"TurnRows", kFindFailed, kLineCallBackListView);
    TurnItem(*record, degrees);
    ::SendMessageW(g_list.list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
  }
  if (current >= 0) ShowThumbnailHook(current);
}

}  // namespace

bool RunListCommand(std::int32_t command) {
  if (const std::int32_t degrees = RotateCommandDegrees(command)) {
    TurnRows(degrees);
    return true;
  }
  switch (command) {
    case kCommandSortNow:
      SortFileListAndRows();
      return true;
    case kCommandMoveRowUp:
    case kCommandMoveRowDown:
      MoveCurrentRowOneStep(command == kCommandMoveRowUp);
      return true;
    case kCommandClear:
      ClearFileListAndRows();
      return true;
    case kCommandSelectAll:
    case kCommandDeselectAll:
      CheckAllRows(command == kCommandSelectAll);
      return true;
    case kCommandMoveToTop:
    case kCommandMoveToBottom: {
      const bool top = command == kCommandMoveToTop;
      if (AnyRowChecked()) {
        MoveCheckedRows(top);
        return true;
      }
      // The cursor stays at the same index: it now marks the next row.
      const std::int32_t current = CurrentRow();
      if (current < 0) return true;
      MoveRowToEnd(current, top);
      SetCurrentRow(current);
      return true;
    }
    case kCommandRemove: {
      const std::int32_t current = CurrentRow();
      if (current < 0) return true;
      if (AnyRowChecked()) {
        RemoveCheckedRows();
      } else {
        DeleteItem(current);
      }
      if (FileListView()) ::SetFocus(g_list.list);
      LayoutNeeded();
      UpdateListCommands();
      return true;
    }
    case kCommandCloseMenu:
      return true;
  }
  return false;
}

LRESULT CALLBACK CallBack_ListView(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      if (window == g_list.list && RowCount() == 0) {
        DrawEmptyListHint(window, reinterpret_cast<HDC>(wParam));
        return 1;
      }
      break;
    case WM_LBUTTONDOWN:
      if (window == g_list.list && RowCount() > 0) {
        const std::int32_t row = RowAt(window, lParam);
        ::SetFocus(window);
        SetCurrentRow(row);
        RequestThumbnail(row);
      }
      break;  // the list's own handling follows: check boxes toggle there
    case WM_RBUTTONDOWN:
      if (window == g_list.list && RowCount() > 0) {
        const std::int32_t row = RowAt(window, lParam);
        ::SetFocus(window);
        if (row >= 0) ShowContextMenu(window, row, lParam);
        return 0;
      }
      break;
    case WM_CONTEXTMENU:
      // From the keyboard (Shift+F10, the menu key): the menu of the current
      // row, under its name.
      if (window == g_list.list && lParam == -1) {
        const std::int32_t row = CurrentRow();
        RECT cell{LVIR_LABEL, 0, 0, 0};
        if (row >= 0 && ::SendMessageW(window, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                       reinterpret_cast<LPARAM>(&cell))) {
          ShowContextMenu(window, row, MAKELPARAM(cell.left, cell.bottom));
        }
        return 0;
      }
      break;
    case WM_NOTIFY:
      if (IsRefusedHeaderChange(*reinterpret_cast<const NMHDR*>(lParam))) return TRUE;
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (window == g_list.list && wParam == (message == WM_CHAR ? L' ' : VK_SPACE)) {
        // Whichever of the three the list toggles on, the records follow.
        const LRESULT result = CallOldWindowProc(window, message, wParam, lParam);
        RecordSelectedRows();
        return result;
      }
      break;
    case WM_DROPFILES:
      if (window == g_list.list) {
        const auto drop = reinterpret_cast<HDROP>(wParam);
        if (g_owner.filesDropped) {
          g_owner.filesDropped(drop);
        } else {
          ::DragFinish(drop);
        }
        return 0;
      }
      break;
    case WM_TIMER:
      if (window == g_list.list && wParam == kBatchTimer) {
        FlushRowBatch();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      if (window == g_list.list) g_list = {};
      break;
  }
  return CallOldWindowProc(window, message, wParam, lParam);
}
