#pragma once
// The list view that shows the file list (control 0 of the main window): one
// row per record, in the records' order at all times. Every procedure here
// changes rows and records together. Windows-only.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>

#include "filelist/file_list.h"
#include "settings/settings.h"

// Calls into the thumbnail window, which lives elsewhere. Unset hooks do nothing.
struct ThumbnailHooks {
  std::function<void()> closeThumbnail;               // CloseThumbnail
  std::function<void(std::int32_t row)> showThumbnail;  // ShowThumbnail; -1 closes
  std::function<void()> placeThumbnail;               // PlaceThumbnail
};
void SetThumbnailHooks(ThumbnailHooks hooks);
const ThumbnailHooks& GetThumbnailHooks();

// The list is control 0 of the window that holds it.
inline constexpr int kControlFileList = 0;

// What the list view tells the window that holds it. The list never reaches
// into that window itself; unset calls do nothing (and layoutRunning unset
// reads as false).
struct ListViewOwner {
  std::function<void()> layoutNeeded;              // rows came or went: place the controls again
  std::function<bool()> layoutRunning;             // only then may the columns change width
  std::function<void()> statusChanged;             // settings or rows changed: rewrite the status bar
  std::function<void(const std::wstring& text)> totalsChanged;  // the totals field's new text
  std::function<void(bool hasRows)> rowsPresence;  // commands that need rows follow
  std::function<void()> rowsRemoved;               // checked rows went and some remain: focus moves on
  std::function<void(std::int32_t row)> rowClicked;  // the user clicked row (-1: off the rows)
  // Files were dropped on the list; the receiver owns drop (DragFinish).
  std::function<void(HDROP drop)> filesDropped;
};
void SetListViewOwner(ListViewOwner owner);

// A record's thumbnail that owns bitmap (freed with DeleteObject).
ThumbnailHandle OwnThumbnailBitmap(HBITMAP bitmap);

// Creates the list view as control 0 of parent at (15, 15), size 0 x 0 (the
// main window's layout sizes it), with its three columns, and subclasses it
// and its header. It shows `list` with `settings` from then on.
HWND CreateFileListView(HWND parent, FileList& list, Settings& settings);
// The list view, or null when there is none.
HWND FileListView();
FileList& ShownFileList();

std::int32_t RowCount();
// The one selected row, or -1.
std::int32_t CurrentRow();
// Selects row (and gives it the keyboard focus mark); -1 selects none.
void SetCurrentRow(std::int32_t row);
// kRowSelected and kRowChecked of a row, as the user sees them now.
std::int32_t RowState(std::int32_t row);
void SetRowState(std::int32_t row, std::int32_t state);
// The row's item data: the Id of its record.
std::int32_t RowId(std::int32_t row);
std::int32_t CountCheckedRows();
bool AnyRowChecked();  // stops at the first checked row

// Appends a row for record (its State, its Id) and refreshes the totals.
// Rows added in a run are drawn together, at the latest after a fraction of
// a second of handled events, or when the commands, totals or status bar are
// next refreshed.
void AddItemRow(const FileItem& record);
// Draws the rows added since the list last drew, with the totals and layout.
void DrawAddedRows();
// Removes all rows and appends one per record, states from the records.
void RebuildRows();
// Re-creates the row of record id, taken from row `from`, at `to` - 1 when
// it moves down and at `to` when it moves up, keeping its state flags.
void MoveItemToGadget(std::int32_t id, std::int32_t from, std::int32_t to);
// Moves row and record `from` before the entry now at `to` (`to` = row
// count: after the last). Returns the entry's new row.
std::int32_t MoveRow(std::int32_t from, std::int32_t to);
std::int32_t MoveRowToEnd(std::int32_t row, bool top);
// The current row one place up or down: it stays current and in view, and
// the thumbnail keeps showing it. Nothing at either end of the list.
void MoveCurrentRowOneStep(bool up);
// Checked rows to the top or bottom, in their order, still checked; the
// first (top) or last (bottom) row is scrolled into view.
void MoveCheckedRows(bool top);
// Removes every checked row; when rows remain, "Build PDF" gets the focus.
void RemoveCheckedRows();
// Removes one row and its record, then refreshes the status bar.
void DeleteItem(std::int32_t row);
// Copies the row's state flags into its record's State.
void SetItemStatus(std::int32_t row);

// Sorts the records (on Path or Name as SortIncludingPath says) and rebuilds
// the rows; row 0 becomes current.
void SortFileListAndRows();
// The Clear command: no rows, no records, Ids start at 0 again.
void ClearFileListAndRows();
// Every row and record checked (or none); the current row stays current.
void CheckAllRows(bool checked);

// Writes the totals into the status bar's totals field.
void ShowFileTotals();
// "Build PDF" and the "Files" items that need rows follow whether there are
// rows; the thumbnail follows the current row.
void UpdateListCommands();
// One row down (or up) from the rows now in view, when there is one.
void ScrollListOneRow(bool up);

// Answers the list's request for a cell's text (LVN_GETDISPINFOW, sent to
// the list's parent): cells are drawn from the row's record.
void FillRowText(NMLVDISPINFOW& info);

// Runs a list command (1-4, 13-16, 20, 21). False for any other command.
bool RunListCommand(std::int32_t command);

// The list's window procedure (the previous one is kept in "oldWinProc").
LRESULT CALLBACK CallBack_ListView(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Fixed line numbers of the list's fatal reports.
inline constexpr std::int32_t kLineMoveItemToGadget = 1427;
inline constexpr std::int32_t kLineSetItemStatus = 1504;
inline constexpr std::int32_t kLineDeleteItem = 1076;
inline constexpr std::int32_t kLineCallBackListView = 1268;
