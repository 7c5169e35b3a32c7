#include "filelist/thumbnail_win.h"

#include "filelist/file_list.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_layout.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr wchar_t kTitle[] = L"Quillon - Thumbnail";
constexpr wchar_t kProcedure[] = L"ShowThumbnail";
constexpr UINT kMenuShowThumbnail = 8;  // "Show thumbnail" in the main window's "Options" menu
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

// One thumbnail window per process.
struct ThumbnailState {
  Settings* settings = nullptr;
  HWND window = nullptr;
  win::UniqueBitmap canvas;  // edge x edge, 24 bits, drawn on and shown
  std::int32_t edge = 0;     // the canvas's edge, fixed while the window is open
  std::int32_t dpi = kBaseDpi;  // the main window's when the window opened
  HBITMAP lastShown = nullptr;
  ScreenPoint freePosition{};
  bool freePositionSet = false;  // the first opening of a run sets it
  std::int32_t appliedLock = -1;  // ThumbLocked as the system menu was last trimmed for
  bool justOpened = false;
};
ThumbnailState g_thumb;

const Settings& ThumbSettings() {
  static const Settings defaults;
  return g_thumb.settings ? *g_thumb.settings : defaults;
}

bool IsDocked() { return ThumbSettings().ThumbLocked == 1; }

// Only Close stays, and Move while the window is free: a docked window
// follows the main window and must not be moved away from it.
void TrimSystemMenu(HWND window, bool docked) {
  ::GetSystemMenu(window, TRUE);  // back to the default menu first
  const HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return;
  for (const UINT command : {SC_SIZE, SC_RESTORE, SC_MINIMIZE, SC_MAXIMIZE}) {
    ::DeleteMenu(menu, command, MF_BYCOMMAND);
  }
  if (docked) ::DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i) {
    if (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
      ::DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
    }
  }
  ::DrawMenuBar(window);
}

void PaintCanvas(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  if (g_thumb.canvas) {
    const win::UniqueMemoryDc source(::CreateCompatibleDC(dc));
    const win::SavedDcState saved(source.get());
    ::SelectObject(source.get(), g_thumb.canvas.get());
    ::BitBlt(dc, 0, 0, g_thumb.edge, g_thumb.edge, source.get(), 0, 0, SRCCOPY);
  }
  ::EndPaint(window, &paint);
}

// The close box switches the thumbnail off, as the menu item does.
void CloseByUser() {
  if (g_thumb.settings) g_thumb.settings->ShowThumbs = 0;
  if (const HWND main = MainWindow()) {
    if (const HMENU menu = ::GetMenu(main)) ::CheckMenuItem(menu, kMenuShowThumbnail, MF_BYCOMMAND | MF_UNCHECKED);
  }
  CloseThumbnail();
}

LRESULT CALLBACK ThumbnailProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintCanvas(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the canvas covers the whole client area
    case WM_MOVING:
      // The user drags the free window: the free position goes with it.
      if (window == g_thumb.window) {
        const auto* proposed = reinterpret_cast<const RECT*>(lParam);
        g_thumb.freePosition = {proposed->left, proposed->top};
      }
      break;
    case WM_SYSCOMMAND:
      // Not every system honours a missing Move entry when the caption is
      // dragged: a docked window refuses the move itself.
      if ((wParam & 0xFFF0) == SC_MOVE && IsDocked()) return 0;
      break;
    case WM_CLOSE:
      CloseByUser();
      return 0;
    case WM_NCDESTROY:
      if (window == g_thumb.window) {
        g_thumb.window = nullptr;
        g_thumb.canvas.reset();
        g_thumb.lastShown = nullptr;
      }
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

win::UniqueBitmap CreateCanvas(std::int32_t edge) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = edge;
  info.bmiHeader.biHeight = edge;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return win::UniqueBitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

void OpenWindow() {
  // The square is given at 96 DPI: as large on the screen at any DPI.
  const std::int32_t dpi = WindowDpi(MainWindow());
  const std::int32_t edge = ScaleToDpi(ThumbnailPixels(ThumbSettings()), dpi);
  win::UniqueBitmap canvas(CheckCreated(CreateCanvas(edge).release(), kProcedure, L"CreateImage failed.",
                                        kLineShowThumbnailCanvas));
  const std::wstring className = RegisterWindowClass(kWinThumbnail, ThumbnailProc);
  RECT frame{0, 0, edge, edge};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const HWND window = CheckCreated(
      ::CreateWindowExW(kExStyle, className.c_str(), kTitle, kStyle, 1, 1, frame.right - frame.left,
                        frame.bottom - frame.top, MainWindow(), nullptr, ::GetModuleHandleW(nullptr), nullptr),
      kProcedure, L"Open window failed For #WIN_THUMB.", kLineShowThumbnailWindow);
  g_thumb.window = window;
  g_thumb.canvas = std::move(canvas);
  g_thumb.edge = edge;
  g_thumb.dpi = dpi;
  // The keyboard stays with the list.
  if (const HWND main = MainWindow()) ::SetActiveWindow(main);
  if (const HWND list = FileListView()) ::SetFocus(list);
  if (!g_thumb.freePositionSet) {
    g_thumb.freePosition = FirstFreeThumbnailPosition(::GetSystemMetrics(SM_CXSCREEN), edge);
    g_thumb.freePositionSet = true;
  }
  g_thumb.justOpened = true;
  PlaceThumbnail();
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
}

// The square in the background colour with bitmap (if any) centred on it.
void DrawCanvas(HBITMAP bitmap) {
  const win::WindowDc screen(nullptr);
  const win::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!dc) return;
  {
    const win::SavedDcState saved(dc.get());
    ::SelectObject(dc.get(), g_thumb.canvas.get());
    const RECT square{0, 0, g_thumb.edge, g_thumb.edge};
    const COLORREF colour = ThumbSettings().ThumbColor == 2 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    const win::UniqueBrush background(::CreateSolidBrush(colour));
    ::FillRect(dc.get(), &square, background.get());
    BITMAP size{};
    if (bitmap && ::GetObjectW(bitmap, sizeof size, &size)) {
      const win::UniqueMemoryDc source(::CreateCompatibleDC(screen.get()));
      const win::SavedDcState sourceSaved(source.get());
      ::SelectObject(source.get(), bitmap);
      // Thumbnails are made for the square at 96 DPI: scaled with it.
      const std::int32_t width = ScaleToDpi(size.bmWidth, g_thumb.dpi);
      const std::int32_t height = ScaleToDpi(size.bmHeight, g_thumb.dpi);
      const ScreenPoint at = CentredThumbnailOrigin(g_thumb.edge, width, height);
      if (width == size.bmWidth && height == size.bmHeight) {
        ::BitBlt(dc.get(), at.x, at.y, width, height, source.get(), 0, 0, SRCCOPY);
      } else {
        ::SetStretchBltMode(dc.get(), HALFTONE);
        ::StretchBlt(dc.get(), at.x, at.y, width, height, source.get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
      }
    }
  }
  ::GdiFlush();
  ::InvalidateRect(g_thumb.window, nullptr, FALSE);
}

}  // namespace

void InstallThumbnailWindow(Settings& settings) {
  g_thumb.settings = &settings;
  SetThumbnailHooks({CloseThumbnail, ShowThumbnail, PlaceThumbnail});
}

HWND ThumbnailWindow() {
  if (g_thumb.window && !::IsWindow(g_thumb.window)) g_thumb.window = nullptr;
  return g_thumb.window;
}

void ShowThumbnail(std::int32_t row) {
  if (row == -1) {
    CloseThumbnail();
    return;
  }
  const std::int32_t count = RowCount();
  if (ThumbSettings().ShowThumbs == 0 || count == 0) return;
  // A request can arrive after its row went (it is posted): nothing to show then.
  if (row < 0 || row >= count) return;
  FileItem* record = CheckCreated(FindRowItem(ShownFileList(), row, RowId(row)), kProcedure,
                                  L"FindElement() failed.", kLineShowThumbnailFind);
  const auto bitmap = static_cast<HBITMAP>(record->Thumbnail.get());
  if (bitmap == g_thumb.lastShown) return;
  g_thumb.lastShown = bitmap;
  if (!ThumbnailWindow()) {
    if (!bitmap) return;
    OpenWindow();
  }
  DrawCanvas(bitmap);
}

void CloseThumbnail() {
  if (const HWND window = ThumbnailWindow()) ::DestroyWindow(window);
  g_thumb.window = nullptr;
  g_thumb.canvas.reset();
  g_thumb.lastShown = nullptr;
}

void PlaceThumbnail() {
  const HWND window = ThumbnailWindow();
  if (!window) return;
  const Settings& settings = ThumbSettings();
  const HWND main = MainWindow();
  if (settings.ThumbLocked == 1 && main) {
    RECT frame{}, client{}, own{};
    ::GetWindowRect(main, &frame);
    ::GetClientRect(main, &client);
    ::GetClientRect(window, &own);
    g_thumb.freePosition = DockedThumbnailPosition({frame.left, frame.top, frame.right, frame.bottom},
                                                   client.right, own.right, settings.ThumbSide);
  }
  ::SetWindowPos(window, nullptr, g_thumb.freePosition.x, g_thumb.freePosition.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (g_thumb.justOpened || settings.ThumbLocked != g_thumb.appliedLock) {
    TrimSystemMenu(window, settings.ThumbLocked == 1);
    g_thumb.appliedLock = settings.ThumbLocked;
    g_thumb.justOpened = false;
  }
  // The main window may be in the middle of a sizing step: show the move now.
  ::UpdateWindow(window);
}

void ForgetShownThumbnail() { g_thumb.lastShown = nullptr; }
