// Entry point. The main window here is a stand-in that carries the menu and
// the status bar until the real one (list, button, drops) takes its place.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>  // before gdiplus.h, which needs the COM types
#include <gdiplus.h>

#include "app/about_window.h"
#include "app/fatal_error.h"
#include "app/message_box.h"
#include "app/program_info.h"
#include "app/status_bar.h"
#include "app/window_helpers.h"
#include "build/memory_watch.h"

namespace {

constexpr int kCommandAbout = 10;
constexpr int kStatusBarId = 2;

class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleSession() {
    if (ok_) ::OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool ok_;
};

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() { Shutdown(); }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return ok_; }
  void Shutdown() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
    ok_ = false;
  }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

void OnStatusClick(UINT message, std::int32_t, std::int32_t, std::int32_t) {
  if (message == WM_LBUTTONDBLCLK) ShowAbout();
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kCommandAbout) ShowAbout();
      return 0;
    case WM_SIZE:
      ::SendMessageW(::GetDlgItem(window, kStatusBarId), WM_SIZE, 0, 0);
      return 0;
    case WM_DESTROY:
      SetMainWindow(nullptr);
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HMENU BuildMenu() {
  const HMENU bar = ::CreateMenu();
  const HMENU help = ::CreatePopupMenu();
  ::AppendMenuW(help, MF_STRING, kCommandAbout, L"About");
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"Help");
  return bar;
}

void Main(HINSTANCE instance) {
  const HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  const std::wstring cls =
      RegisterWindowClass(kWinMain, MainProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  RECT frame{100, 100, 700, 500};
  ::AdjustWindowRectEx(&frame, style, TRUE, 0);
  const HWND window = CheckCreated(
      ::CreateWindowExW(0, cls.c_str(), kProgramTitle, style, 100, 100, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, BuildMenu(), instance, nullptr),
      L"Main", L"Open window failed for #WIN_MAIN.", 3971);
  SetMainWindow(window);

  const HWND status = ::CreateWindowExW(
      0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance, nullptr);
  const int parts[2] = {200, -1};
  ::SendMessageW(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SetStatusField(status, 0, L"Double-click for About", kDefaultColour, kDefaultColour,
                 DT_SINGLELINE | DT_VCENTER | DT_CENTER, nullptr);
  SetStatusField(status, 1, kCreatorText, static_cast<std::int32_t>(::GetSysColor(COLOR_GRAYTEXT)),
                 kDefaultColour, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, nullptr);
  SetStatusClickHandler(status, OnStatusClick);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const OleSession ole;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  if (GetOsVersionCode() < kOsCodeWindowsXp) {
    ShowMessage(nullptr, L"This program requires Windows XP or later to run.", MB_OK | MB_ICONERROR);
    return 0;
  }
  GdiplusSession gdiplus;
  if (!gdiplus.ok()) {
    ShowMessage(nullptr, L"GDI+ initialization error.", MB_OK | MB_ICONERROR);
    return 0;
  }
  const ShutdownAction endGdiplus([&gdiplus] { gdiplus.Shutdown(); });
  Main(instance);
  return 0;
}
