#include "app/about_window.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "format/program_info.h"
#include "format/text_format.h"
#include "pipeline/memory_watch.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 300;
constexpr int kBannerHeight = 60;
constexpr int kGreatButton = IDOK;  // Enter presses it too
constexpr wchar_t kStateProperty[] = L"aboutState";

struct AboutState {
  bool closed = false;
  HBITMAP banner = nullptr;  // owned by ShowAbout
  SIZE bannerSize{};
};

void PaintBanner(HWND window, const AboutState& state) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  if (state.banner) {
    const win::UniqueMemoryDc source(::CreateCompatibleDC(dc));
    const win::SavedDcState saved(source.get());
    ::SelectObject(source.get(), state.banner);
    ::BitBlt(dc, 0, 0, state.bannerSize.cx, state.bannerSize.cy, source.get(), 0, 0, SRCCOPY);
  }
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = static_cast<AboutState*>(::GetPropW(window, kStateProperty));
  switch (message) {
    case WM_COMMAND:
      // Escape arrives as IDCANCEL from the dialog navigation of the loop.
      if (LOWORD(wParam) == kGreatButton || LOWORD(wParam) == IDCANCEL) {
        if (state) state->closed = true;
        return 0;
      }
      break;
    case WM_PAINT:
      if (state) {
        PaintBanner(window, *state);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (state) state->closed = true;
      return 0;  // the loop closes the window once the main window is enabled again
    case WM_NCDESTROY:
      ::RemovePropW(window, kStateProperty);
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

win::UniqueFont CreatePointFont(const wchar_t* face, int points, int weight, int dpi) {
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(points, dpi, 72);
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return win::UniqueFont(::CreateFontIndirectW(&font));
}

// The banner is drawn rather than stored: a blue band fading downwards with
// a sheet of paper and the program's name. Drawn in figures at 96 DPI, which
// the mapping mode scales to dpi (textFont is made at 96 DPI for that).
win::UniqueBitmap DrawBanner(HFONT textFont, int dpi) {
  const win::WindowDc screen(nullptr);
  win::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), ScaleToDpi(kClientWidth, dpi),
                                                    ScaleToDpi(kBannerHeight, dpi)));
  const win::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
  if (!bitmap || !dc) return bitmap;
  const win::SavedDcState saved(dc.get());
  ::SelectObject(dc.get(), bitmap.get());
  if (dpi != kBaseDpi) {
    ::SetMapMode(dc.get(), MM_ANISOTROPIC);
    ::SetWindowExtEx(dc.get(), kBaseDpi, kBaseDpi, nullptr);
    ::SetViewportExtEx(dc.get(), dpi, dpi, nullptr);
  }
  for (int row = 0; row < kBannerHeight; ++row) {
    const int shade = row * 3 / 2;  // up to 88: every channel stays below 256
    const win::UniqueBrush band(::CreateSolidBrush(RGB(20 + shade, 60 + shade, 140 + shade)));
    const RECT line{0, row, kClientWidth, row + 1};
    ::FillRect(dc.get(), &line, band.get());
  }
  // A page with a folded corner.
  const win::UniqueBrush paper(::CreateSolidBrush(RGB(250, 250, 245)));
  const RECT sheet{18, 10, 48, 50};
  ::FillRect(dc.get(), &sheet, paper.get());
  const win::UniqueBrush fold(::CreateSolidBrush(RGB(190, 200, 215)));
  const POINT corner[3] = {{40, 10}, {48, 18}, {40, 18}};
  ::SelectObject(dc.get(), fold.get());
  ::SelectObject(dc.get(), ::GetStockObject(NULL_PEN));
  ::Polygon(dc.get(), corner, 3);
  const win::UniqueBrush ink(::CreateSolidBrush(RGB(120, 140, 170)));
  for (int y = 24; y <= 42; y += 6) {
    const RECT line{23, y, 43, y + 2};
    ::FillRect(dc.get(), &line, ink.get());
  }
  ::SetBkMode(dc.get(), TRANSPARENT);
  ::SetTextColor(dc.get(), RGB(255, 255, 255));
  if (textFont) ::SelectObject(dc.get(), textFont);
  RECT text{64, 0, kClientWidth - 8, kBannerHeight};
  ::DrawTextW(dc.get(), L"Quillon", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  return bitmap;
}

std::wstring FreeMemoryLine() {
  std::int64_t bytes = -1;
  GetFreePhysicalMemory(bytes);
  if (bytes < 0) return L"Free physical memory: unknown";
  return L"Free physical memory: " + FormatByteSize(bytes, 0, 2);  // the user's separators
}

// Places and sizes are given at 96 DPI.
HWND AddControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int x,
                int y, int width, int height, int id, HFONT font, int dpi) {
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  const HWND control = ::CreateWindowExW(
      0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(width), px(height), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void RunModalLoop(HWND window, const AboutState& state) {
  MSG msg;
  while (!state.closed) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Someone asked the program to quit: leave, and let the main loop see it.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    if (!::IsDialogMessageW(window, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

}  // namespace

void ShowAbout() {
  const HWND mainWindow = MainWindow();
  // Made for the main window's monitor, where it is centred.
  const int dpi = WindowDpi(mainWindow);
  const win::UniqueFont font = CreatePointFont(L"Comic Sans MS", 10, FW_NORMAL, dpi);
  const win::UniqueFont bannerFont = CreatePointFont(L"Comic Sans MS", 22, FW_BOLD, kBaseDpi);
  const win::UniqueBitmap banner = DrawBanner(bannerFont.get(), dpi);

  if (mainWindow) ::EnableWindow(mainWindow, FALSE);

  const std::wstring className =
      RegisterWindowClass(kWinAbout, AboutProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
  const SIZE frame = OuterSizeAtDpi(ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi), style,
                                    WS_EX_DLGMODALFRAME, dpi);
  AboutState state;
  state.banner = banner.get();
  state.bannerSize = {ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kBannerHeight, dpi)};
  win::UniqueWindow about(CheckCreated(
      ::CreateWindowExW(WS_EX_DLGMODALFRAME, className.c_str(), kCreatorText, style,
                        CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy, mainWindow, nullptr,
                        ::GetModuleHandleW(nullptr), nullptr),
      L"ShowAbout", L"Open window failed For #WIN_ABOUT.", 2080));
  const HWND window = about.get();
  ::SetPropW(window, kStateProperty, &state);

  // Single lines: SS_CENTERIMAGE keeps a static from wrapping its text.
  const DWORD line = SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX;
  AddControl(window, L"STATIC", kProgramTitle, line, 10, 78, 280, 22, 11, font.get(), dpi);
  AddControl(window, L"STATIC", L"Image files in, one PDF out.", line, 10, 112, 280, 22, 12,
             font.get(), dpi);
  AddControl(window, L"STATIC", FreeMemoryLine(), line, 10, 160, 280, 22, 13, font.get(), dpi);
  const HWND great = AddControl(window, L"BUTTON", L"Great !", BS_DEFPUSHBUTTON | WS_TABSTOP, 100,
                                240, 100, 32, kGreatButton, font.get(), dpi);

  CentreWindow(window, mainWindow, true);
  ::SetFocus(great);
  RunModalLoop(window, state);

  // Enable the main window before the About window goes, so that the system
  // hands the activation back to it rather than to another program.
  if (mainWindow) ::EnableWindow(mainWindow, TRUE);
  about.reset();
}
