#include "filelist/list_drag_win.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "filelist/file_list.h"
#include "filelist/list_view_win.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr wchar_t kFindFailed[] = L"FindElement() failed.";
constexpr wchar_t kRowFormatName[] = L"Quillon file list row";
// Within this many pixels of the list's top (below the header) or bottom
// edge, the list scrolls by one row at each turn of the drag loop.
constexpr int kScrollMargin = 8;

struct PenTraits {
  static void Close(HPEN h) { ::DeleteObject(h); }
};
using UniquePen = win::UniqueHandle<HPEN, PenTraits>;
struct RegionTraits {
  static void Close(HRGN h) { ::DeleteObject(h); }
};
using UniqueRegion = win::UniqueHandle<HRGN, RegionTraits>;

struct DragState {
  std::int32_t sourceRow = -1;
  DragCursor cursor;
  HWND label = nullptr;
  POINT lastDrawn{-1, -1};  // kept from drag to drag
  std::int32_t highlighted = -1;  // the row drawn with the drop highlight
};
DragState g_drag;

CLIPFORMAT RowFormat() {
  static const auto format = static_cast<CLIPFORMAT>(::RegisterClipboardFormatW(kRowFormatName));
  return format;
}

FORMATETC RowFormatEtc() { return {RowFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

HFONT ListFont() {
  const HWND list = FileListView();
  const auto font = list ? reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)) : nullptr;
  return font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

const FileItem& SourceRecord(const wchar_t* procedure, std::int32_t line) {
  return *CheckCreated(FindRowItem(ShownFileList(), g_drag.sourceRow, RowId(g_drag.sourceRow)), procedure,
                       kFindFailed, line);
}

void PaintLabel(HDC dc) {
  const DragCursor& c = g_drag.cursor;
  // Pen and brush outlive the saved state: they are deselected before they go.
  const UniquePen pen(::CreatePen(PS_INSIDEFRAME, 1, RGB(0, 0, 0)));
  const win::UniqueBrush brush(::CreateSolidBrush(c.Color));
  const win::SavedDcState saved(dc);
  ::SelectObject(dc, pen.get());
  ::SelectObject(dc, brush.get());
  const int dpi = WindowDpi(FileListView());
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  ::RoundRect(dc, 0, 0, c.TextWidth + px(20) - 1, c.TextHeight + px(10) - 1, px(5), px(5));
  const FileItem& record = SourceRecord(L"DrawDragCursor", kLineDrawDragCursor);
  ::SelectObject(dc, ListFont());
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkColor(dc, c.Color);
  ::SetBkMode(dc, OPAQUE);
  ::TextOutW(dc, px(10), px(5), record.Name.c_str(), static_cast<int>(record.Name.size()));
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      if (window == g_drag.label && g_drag.sourceRow >= 0) PaintLabel(dc);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // never in the way of the drop target under it
    case WM_NCDESTROY:
      if (window == g_drag.label) g_drag.label = nullptr;
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void ShowLabel() {
  if (g_drag.cursor.Shown || !g_drag.label) return;
  ::ShowWindow(g_drag.label, SW_SHOWNOACTIVATE);
  g_drag.cursor.Shown = 1;
}

void SetDropHighlight(HWND list, std::int32_t row) {
  if (row == g_drag.highlighted) return;
  LVITEMW item{};
  item.stateMask = LVIS_DROPHILITED;
  if (g_drag.highlighted >= 0) {
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(g_drag.highlighted), reinterpret_cast<LPARAM>(&item));
  }
  g_drag.highlighted = row;
  if (row >= 0) {
    item.state = LVIS_DROPHILITED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

POINT ListClientPoint(HWND list, POINTL screen) {
  POINT p{screen.x, screen.y};
  ::ScreenToClient(list, &p);
  return p;
}

std::int32_t RowUnder(HWND list, POINT client) {
  LVHITTESTINFO hit{};
  hit.pt = client;
  ::SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.iItem;
}

int HeaderHeight(HWND list) {
  const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  RECT r{};
  if (!header || !::IsWindowVisible(header) || !::GetWindowRect(header, &r)) return 0;
  return r.bottom - r.top;
}

// The dropped row s goes where the pointer let go: before the current row
// (the row under the pointer), or to the top when dropped on the header,
// or to the bottom anywhere else off the rows. The moved row becomes current.
void MoveDroppedRow(HWND list, std::int32_t source, POINT client) {
  const std::int32_t target = CurrentRow();
  std::int32_t moved;
  if (target >= 0) {
    moved = MoveRow(source, target);
  } else {
    moved = MoveRowToEnd(source, client.y < HeaderHeight(list));
  }
  SetCurrentRow(moved);
  ::SetFocus(list);
}

// The row index the drag carries, or -1 when the data is not a row of this list.
std::int32_t DroppedRow(IDataObject* data) {
  FORMATETC format = RowFormatEtc();
  STGMEDIUM medium{};
  if (!data || FAILED(data->GetData(&format, &medium))) return -1;
  std::int32_t row = -1;
  if (medium.tymed == TYMED_HGLOBAL) {
    const SIZE_T bytes = ::GlobalSize(medium.hGlobal);
    if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(medium.hGlobal))) {
      const std::wstring digits(text, ::wcsnlen(text, bytes / sizeof(wchar_t)));
      ::GlobalUnlock(medium.hGlobal);
      if (!digits.empty() && digits.size() < 10 && digits.find_first_not_of(L"0123456789") == std::wstring::npos) {
        row = static_cast<std::int32_t>(std::stol(digits));
      }
    }
  }
  ::ReleaseStgMedium(&medium);
  return row < RowCount() ? row : -1;
}

// The drag's objects live as long as the process: the system may hold on to
// a reference a little longer than the drag itself.
template <typename Interface>
class StaticObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return references_ > 0 ? --references_ : 0; }

 private:
  ULONG references_ = 0;
};

class RowData final : public StaticObject<IDataObject> {
 public:
  void SetRow(std::int32_t row) { text_ = std::to_wstring(row); }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const SIZE_T bytes = (text_.size() + 1) * sizeof(wchar_t);
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return E_OUTOFMEMORY;
    if (void* target = ::GlobalLock(block)) {
      std::memcpy(target, text_.c_str(), bytes);
      ::GlobalUnlock(block);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    if (format->cfFormat != RowFormat()) return DV_E_FORMATETC;
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    return format->dwAspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format = RowFormatEtc();
    return ::SHCreateStdEnumFmtEtc(1, &format, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::wstring text_;
};

class RowSource final : public StaticObject<IDropSource> {
 public:
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON)) return DRAGDROP_S_DROP;
    return S_OK;
  }
  // The drag callback: the label follows the pointer over the list, and
  // the list scrolls near its edges.
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    const HWND list = FileListView();
    if (effect != DROPEFFECT_MOVE || !list) {
      // Off the list (possibly outside the program, where the main window
      // never sees the pointer): no label.
      HideDragCursor();
      return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    POINT p{};
    ::GetCursorPos(&p);
    g_drag.cursor.LabelX = p.x + Scaled(list, 5);
    g_drag.cursor.LabelY = p.y + Scaled(list, 20);
    if (g_drag.cursor.LabelX != g_drag.lastDrawn.x || g_drag.cursor.LabelY != g_drag.lastDrawn.y ||
        !g_drag.cursor.Shown) {
      ShowLabel();
      DrawDragCursor();
      ::UpdateWindow(list);
      g_drag.lastDrawn = {g_drag.cursor.LabelX, g_drag.cursor.LabelY};
    }
    ::ScreenToClient(list, &p);
    RECT client{};
    ::GetClientRect(list, &client);
    if (p.y <= HeaderHeight(list) + kScrollMargin) {
      ScrollListOneRow(true);
    } else if (p.y > client.bottom - kScrollMargin) {
      ScrollListOneRow(false);
    }
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

class RowTarget final : public StaticObject<IDropTarget> {
 public:
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL at, DWORD* effect) override {
    FORMATETC format = RowFormatEtc();
    accepted_ = data && data->QueryGetData(&format) == S_OK;
    return Over(at, effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL at, DWORD* effect) override { return Over(at, effect); }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    if (const HWND list = FileListView()) SetDropHighlight(list, -1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL at, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    const HWND list = FileListView();
    if (!list) return S_OK;
    SetDropHighlight(list, -1);
    const POINT client = ListClientPoint(list, at);
    SetCurrentRow(-1);
    SetCurrentRow(RowUnder(list, client));
    const std::int32_t source = accepted_ ? DroppedRow(data) : -1;
    if (source < 0) return S_OK;
    MoveDroppedRow(list, source, client);
    *effect = DROPEFFECT_MOVE;
    return S_OK;
  }

 private:
  HRESULT Over(POINTL at, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    const HWND list = FileListView();
    if (!accepted_ || !list) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    *effect &= DROPEFFECT_MOVE;
    SetDropHighlight(list, RowUnder(list, ListClientPoint(list, at)));
    return S_OK;
  }
  bool accepted_ = false;
};

RowData g_data;
RowSource g_source;
RowTarget g_target;

// While a row is dragged the list takes only its own rows: file drops
// (WM_DROPFILES) pause, and come back as they were when the drag ends.
class RowDropRegistration {
 public:
  explicit RowDropRegistration(HWND list)
      : list_(list), acceptedFiles_((::GetWindowLongPtrW(list, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0) {
    if (acceptedFiles_) ::DragAcceptFiles(list_, FALSE);
    registered_ = SUCCEEDED(::RegisterDragDrop(list_, &g_target));
  }
  ~RowDropRegistration() {
    if (registered_) ::RevokeDragDrop(list_);
    if (acceptedFiles_ && ::IsWindow(list_)) ::DragAcceptFiles(list_, TRUE);
  }
  RowDropRegistration(const RowDropRegistration&) = delete;
  RowDropRegistration& operator=(const RowDropRegistration&) = delete;
  bool registered() const { return registered_; }

 private:
  HWND list_;
  bool acceptedFiles_;
  bool registered_ = false;
};

class DragCursorScope {
 public:
  DragCursorScope() { CreateDragCursor(); }
  ~DragCursorScope() { CloseDragCursor(); }
  DragCursorScope(const DragCursorScope&) = delete;
  DragCursorScope& operator=(const DragCursorScope&) = delete;
};

}  // namespace

std::int32_t DragSourceRow() { return g_drag.sourceRow; }
void SetDragSourceRow(std::int32_t row) { g_drag.sourceRow = row; }
const DragCursor& CurrentDragCursor() { return g_drag.cursor; }
HWND DragLabelWindow() { return g_drag.label && ::IsWindow(g_drag.label) ? g_drag.label : nullptr; }

void CreateDragCursor() {
  g_drag.cursor.Color = ::GetSysColor(COLOR_INFOBK);
  CloseDragCursor();
  const std::wstring className = RegisterWindowClass(kWinDragLabel, LabelProc);
  g_drag.label = CheckCreated(::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, className.c_str(), L"", WS_POPUP,
                                                0, 0, 0, 0, MainWindow(), nullptr, ::GetModuleHandleW(nullptr),
                                                nullptr),
                              L"CreateDragCursor", L"Tooltip window creation failed.", kLineCreateDragCursorWindow);
  const FileItem& record = SourceRecord(L"CreateDragCursor", kLineCreateDragCursorFind);
  const win::WindowDc dc(g_drag.label);
  {
    const win::SavedDcState saved(dc.get());
    ::SelectObject(dc.get(), ListFont());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), record.Name.c_str(), static_cast<int>(record.Name.size()), &extent);
    g_drag.cursor.TextWidth = extent.cx;
    g_drag.cursor.TextHeight = extent.cy;
  }
  g_drag.cursor.Shown = 0;
}

void DrawDragCursor() {
  const HWND label = DragLabelWindow();
  if (!label) return;
  const DragCursor& c = g_drag.cursor;
  // Margins and corners given at 96 DPI; the text is measured in the list's font.
  const int dpi = WindowDpi(FileListView());
  const int width = c.TextWidth + ScaleToDpi(20, dpi);
  const int height = c.TextHeight + ScaleToDpi(10, dpi);
  ::SetWindowPos(label, HWND_TOP, c.LabelX, c.LabelY, width, height, SWP_NOACTIVATE);
  UniqueRegion shape(::CreateRoundRectRgn(0, 0, width, height, ScaleToDpi(5, dpi), ScaleToDpi(5, dpi)));
  if (shape && ::SetWindowRgn(label, shape.get(), TRUE)) shape.release();  // the window owns it now
  {
    const win::WindowDc dc(label);
    PaintLabel(dc.get());
  }
  ::ValidateRect(label, nullptr);
  const HWND main = MainWindow();
  if (main && ::GetActiveWindow() != main) ::SetActiveWindow(main);
}

void HideDragCursor() {
  if (!g_drag.cursor.Shown) return;
  if (const HWND label = DragLabelWindow()) ::ShowWindow(label, SW_HIDE);
  g_drag.cursor.Shown = 0;
}

void CloseDragCursor() {
  if (const HWND label = DragLabelWindow()) ::DestroyWindow(label);
  g_drag.label = nullptr;
  g_drag.cursor.Shown = 0;
}

void BeginRowDrag(const NMLISTVIEW& notification) {
  const HWND list = FileListView();
  if (!list || notification.hdr.hwndFrom != list) return;
  const std::int32_t row = notification.iItem;
  if (row < 0 || row >= RowCount()) return;
  SetCurrentRow(row);
  const RowDropRegistration registration(list);
  if (!registration.registered()) return;  // no OLE on this thread: no row drags
  g_drag.sourceRow = row;
  DWORD effect = DROPEFFECT_NONE;
  {
    const DragCursorScope label;
    g_data.SetRow(row);
    const HRESULT result = ::DoDragDrop(&g_data, &g_source, DROPEFFECT_MOVE, &effect);
    // Dropped nowhere, or cancelled.
    if (result != DRAGDROP_S_DROP || effect == DROPEFFECT_NONE) {
      if (GetThumbnailHooks().closeThumbnail) GetThumbnailHooks().closeThumbnail();
    }
  }
  SetDropHighlight(list, -1);
  g_drag.sourceRow = -1;
}
