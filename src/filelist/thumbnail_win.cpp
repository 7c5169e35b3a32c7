#include "filelist/thumbnail_win.h"

#include <memory>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_layout.h"
#include "imaging/thumbnail_cache_win.h"
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
// Thumbnails held at most: about 140 at 480 pixels, whatever the list's length.
constexpr std::int64_t kCacheBudgetBytes = std::int64_t{64} << 20;
// Rows on each side of the current one whose thumbnails are made next, so
// that stepping through the list finds them ready.
constexpr std::int32_t kNeighbours = 3;
constexpr wchar_t kNoticeClass[] = L"Quillon thumbnail notices";
constexpr UINT kMessageThumbnailMade = WM_APP + 1;

// One thumbnail window per process.
struct ThumbnailState {
  Settings* settings = nullptr;
  HWND window = nullptr;
  win::UniqueBitmap canvas;  // edge x edge, 24 bits, drawn on and shown
  std::int32_t edge = 0;     // the canvas's edge, fixed while the window is open
  HBITMAP lastShown = nullptr;
  ScreenPoint freePosition{};
  bool freePositionSet = false;  // the first opening of a run sets it
  std::int32_t appliedLock = -1;  // ThumbLocked as the system menu was last trimmed for
  bool justOpened = false;
  ThumbnailKey pending;  // the shown row's picture, while it is being made
  std::int32_t pendingRow = -1;
  win::UniqueWindow notices;  // receives the worker's notices on the window thread
  std::unique_ptr<ThumbnailCache> cache;
};
ThumbnailState g_thumb;

const Settings& ThumbSettings();

// The square's edge in pixels: ThumbSize's at 96 DPI, as large on the screen
// at the main window's DPI. Pictures are made for it, so they are drawn
// pixel for pixel, sharp at any DPI. An open window keeps the edge it opened with.
std::int32_t ThumbBox() {
  if (g_thumb.window && g_thumb.edge > 0) return g_thumb.edge;
  return ScaleToDpi(ThumbnailPixels(ThumbSettings()), WindowDpi(MainWindow()));
}

void ShowRow(std::int32_t row, bool retryFailed);

LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kMessageThumbnailMade) return ::DefWindowProcW(window, message, wParam, lParam);
  // Several notices may be queued: the first takes in what there is.
  MSG more;
  while (::PeekMessageW(&more, window, kMessageThumbnailMade, kMessageThumbnailMade, PM_REMOVE)) {
  }
  if (g_thumb.cache) g_thumb.cache->Collect(g_thumb.lastShown, g_thumb.pending);
  // The row waiting for its picture shows it, if it still is that file's row
  // and the window is still open: whatever closed it (a drop, the user)
  // holds, and a picture that could not be made is not asked for again here.
  const std::int32_t row = g_thumb.pendingRow;
  if (ThumbnailWindow() && !g_thumb.pending.path.empty() && row >= 0 && row < RowCount()) {
    const FileItem* record = FindRowItem(ShownFileList(), row, RowId(row));
    if (record && record->Path == g_thumb.pending.path) ShowRow(row, false);
  }
  return 0;
}

// Stops the worker and lets the pictures go; GDI+ must still be running.
void StopCache() {
  g_thumb.cache.reset();
  g_thumb.pending = {};
  g_thumb.pendingRow = -1;
}

ThumbnailCache& Cache() {
  if (!g_thumb.cache) {
    // The fatal report ends the program without unwinding: the worker is
    // stopped before GDI+ shuts down. Registered once, for the whole run.
    static const ShutdownAction stopBeforeGdiplus(StopCache);
    WNDCLASSW notices{};
    notices.lpfnWndProc = NoticeProc;
    notices.hInstance = ::GetModuleHandleW(nullptr);
    notices.lpszClassName = kNoticeClass;
    ::RegisterClassW(&notices);
    if (!g_thumb.notices) {
      g_thumb.notices.reset(::CreateWindowExW(0, kNoticeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              ::GetModuleHandleW(nullptr), nullptr));
    }
    const HWND target = g_thumb.notices.get();
    g_thumb.cache = std::make_unique<ThumbnailCache>(kCacheBudgetBytes, [target] {
      ::PostMessageW(target, kMessageThumbnailMade, 0, 0);
    });
  }
  return *g_thumb.cache;
}

// A row's picture for the square of the moment, as the row's page will show
// it: the photo's own orientation when AutoRotate honours it, then the row's
// turn.
ThumbnailKey KeyOf(const FileItem& record) {
  const std::wstring& path = record.Path;
  ThumbnailKey key{path, ThumbBox(), 0, {ThumbSettings().AutoRotate == 1, record.Turn}};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    key.lastWrite = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                              data.ftLastWriteTime.dwLowDateTime);
  }
  return key;
}

// The picture for a row: the record's own when it carries one, else the
// cache's. pending is set when it is still to be made; the current row's
// file and its neighbours' are then asked for, the current one first. With
// retryFailed a picture that could not be made is tried once more: the row
// is being shown anew, and the file may be readable now.
HBITMAP RowPicture(std::int32_t row, const FileItem& record, bool retryFailed, bool& pending) {
  pending = false;
  if (record.Thumbnail) return static_cast<HBITMAP>(record.Thumbnail.get());
  if (record.Path.empty()) return nullptr;  // no file to make one from
  ThumbnailCache& cache = Cache();
  const ThumbnailKey key = KeyOf(record);
  HBITMAP bitmap = nullptr;
  pending = !cache.Find(key, bitmap);
  if (!pending && !bitmap && retryFailed) {
    cache.Forget(key);
    pending = true;
  }
  std::vector<ThumbnailKey> wanted;
  if (pending) wanted.push_back(key);
  FileList& list = ShownFileList();
  const std::int32_t count = RowCount();
  for (std::int32_t step = 1; step <= kNeighbours; ++step) {
    for (const std::int32_t nearby : {row + step, row - step}) {
      if (nearby < 0 || nearby >= count) continue;
      const FileItem* other = FindRowItem(list, nearby, RowId(nearby));
      if (!other || other->Thumbnail || other->Path.empty()) continue;
      ThumbnailKey neighbour = KeyOf(*other);
      HBITMAP held = nullptr;
      if (!cache.Find(neighbour, held)) wanted.push_back(std::move(neighbour));
    }
  }
  // The current row's entry stays the most recently used.
  if (!pending) cache.Find(key, bitmap);
  cache.Want(std::move(wanted));
  g_thumb.pending = pending ? key : ThumbnailKey{};
  g_thumb.pendingRow = row;
  cache.Collect(bitmap, g_thumb.pending);
  return bitmap;
}

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
  const std::int32_t edge = ThumbBox();
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
      const ScreenPoint at = CentredThumbnailOrigin(g_thumb.edge, size.bmWidth, size.bmHeight);
      ::BitBlt(dc.get(), at.x, at.y, size.bmWidth, size.bmHeight, source.get(), 0, 0, SRCCOPY);
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
  ShowRow(row, true);
}

void CloseThumbnail() {
  if (const HWND window = ThumbnailWindow()) ::DestroyWindow(window);
  g_thumb.window = nullptr;
  g_thumb.canvas.reset();
  g_thumb.lastShown = nullptr;
  // A picture still being made must not bring the window back.
  g_thumb.pending = {};
  g_thumb.pendingRow = -1;
}

void ReleaseThumbnailCache() {
  StopCache();
  g_thumb.notices.reset();
}

namespace {

void ShowRow(std::int32_t row, bool retryFailed) {
  const std::int32_t count = RowCount();
  if (ThumbSettings().ShowThumbs == 0 || count == 0) return;
  // A request can arrive after its row went (it is posted): nothing to show then.
  if (row < 0 || row >= count) return;
  FileItem* record = CheckCreated(FindRowItem(ShownFileList(), row, RowId(row)), kProcedure,
                                  L"FindElement() failed.", kLineShowThumbnailFind);
  bool pending = false;
  const HBITMAP bitmap = RowPicture(row, *record, retryFailed, pending);
  // Until its picture comes, a row shows the background.
  if (ThumbnailWindow() && bitmap == g_thumb.lastShown) return;
  g_thumb.lastShown = bitmap;
  if (!ThumbnailWindow()) {
    if (!bitmap && !pending) return;
    OpenWindow();
  }
  DrawCanvas(bitmap);
}

}  // namespace

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

void SetThumbnailCacheBudget(std::int64_t bytes) { Cache().SetBudget(bytes); }

std::int64_t HeldThumbnailBytes() { return g_thumb.cache ? g_thumb.cache->HeldBytes() : 0; }
