#pragma once
// Reordering the file list by dragging one row onto another, above the rows
// (on the column header) or below them. The drag goes through the system's
// drag and drop with a private payload (the source row's index as decimal
// text); the list is its own drop target while one of its rows is dragged,
// and a rounded label with the file's name (window 5) follows the pointer.
// Windows-only.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

// The label that follows the pointer while a row is dragged.
struct DragCursor {
  std::int32_t LabelX = 0;  // screen position of the label's top-left corner
  std::int32_t LabelY = 0;
  std::int32_t TextWidth = 0;  // the file name in the list's font, pixels
  std::int32_t TextHeight = 0;
  COLORREF Color = 0;  // the system's tooltip background, read when the drag starts
  std::int32_t Shown = 0;
};

// The list announced a drag (LVN_BEGINDRAG, sent to its parent): drags the
// notification's row, and returns once the button is released or the drag
// was cancelled. The notification's item is the row under the pointer when
// the drag began: the list's hot row is not reliable on every system.
void BeginRowDrag(const NMLISTVIEW& notification);

// The row being dragged, -1 when none; the label reads its file name.
std::int32_t DragSourceRow();
void SetDragSourceRow(std::int32_t row);
const DragCursor& CurrentDragCursor();
// The label window, or null when no drag runs.
HWND DragLabelWindow();

// Opens the hidden label for DragSourceRow and measures its file name.
void CreateDragCursor();
// Moves, shapes and paints the label at (LabelX, LabelY).
void DrawDragCursor();
// The pointer left the list (the main window itself was hit-tested): the
// label hides until the pointer is back over the list.
void HideDragCursor();
void CloseDragCursor();

// Fixed line numbers of the drag's fatal reports.
inline constexpr std::int32_t kLineCreateDragCursorWindow = 714;
inline constexpr std::int32_t kLineCreateDragCursorFind = 718;
inline constexpr std::int32_t kLineDrawDragCursor = 697;
