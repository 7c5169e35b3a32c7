#include "filelist/intake_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "filelist/list_view_win.h"
#include "format/text_format.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/window_helpers.h"

namespace {

constexpr int kClientWidth = 450;
constexpr int kClientHeight = 70;
constexpr int kCancelId = IDCANCEL;  // Escape presses it too
constexpr wchar_t kOpenFailed[] = L"Open window failed For #WIN_PROCESS.";

// Places and sizes are given at 96 DPI.
HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           int id) {
  const int dpi = WindowDpi(parent);
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  const HWND child = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(w), px(h),
                                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      ::GetModuleHandleW(nullptr), nullptr);
  if (child) ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont(dpi)), FALSE);
  return child;
}

// The bar's positions are plain ints; a drop larger than that would only
// stop the bar short of its end.
int BarValue(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, 0, 0x7FFFFFFF));
}

}  // namespace

std::wstring IntakeWindowTitle(std::size_t pathCount) {
  return L"Processing " + FormatNumber(static_cast<std::int64_t>(pathCount)) + L" files ...";
}

IntakeProgressWindow::IntakeProgressWindow(bool probing, std::function<void()> layoutNeeded)
    : probing_(probing), layoutNeeded_(std::move(layoutNeeded)) {}

IntakeProgressWindow::~IntakeProgressWindow() {
  if (mainDisabled_ && MainWindow()) ::EnableWindow(MainWindow(), TRUE);
  if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
}

LRESULT CALLBACK IntakeProgressWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<IntakeProgressWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CLOSE:  // stops the intake; the intake closes the window itself
      if (self) self->stopRequested_ = true;
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCancelId && self) {
        self->stopRequested_ = true;
        self->cancelPressed_ = true;
      }
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void IntakeProgressWindow::Open(std::size_t pathCount) {
  const std::wstring className =
      RegisterWindowClass(kWinIntakeProgress, Proc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
  // Sized for the main window's monitor, where it is centred.
  const int dpi = WindowDpi(MainWindow());
  const SIZE outer = OuterSizeAtDpi(ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi), style,
                                    WS_EX_DLGMODALFRAME, dpi);
  window_ = CheckCreated(
      ::CreateWindowExW(WS_EX_DLGMODALFRAME, className.c_str(), IntakeWindowTitle(pathCount).c_str(), style, 0, 0,
                        outer.cx, outer.cy, MainWindow(), nullptr, ::GetModuleHandleW(nullptr), this),
      probing_ ? L"ProcesFilesDropped" : L"AddFilesDropped", kOpenFailed,
      probing_ ? kLineProcesFilesDropped : kLineAddFilesDropped);
  progressBar_ = Child(window_, PROGRESS_CLASSW, L"", 0, 5, 10, kClientWidth - 10, 20, 0);
  ::SendMessageW(progressBar_, PBM_SETRANGE32, 0, BarValue(static_cast<std::int64_t>(pathCount) * 100));
  Child(window_, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, (kClientWidth - 100) / 2, kClientHeight - 35, 100,
        30, kCancelId);
  CentreWindow(window_, MainWindow(), true);
  if (MainWindow() && ::IsWindowEnabled(MainWindow())) {
    ::EnableWindow(MainWindow(), FALSE);
    mainDisabled_ = true;
  }
  HandlePendingEvents(1);
}

void IntakeProgressWindow::Cleared() {
  ClearFileListAndRows();
  layoutPending_ = true;
}

void IntakeProgressWindow::Added(const FileItem& item) {
  AddItemRow(item);
  layoutPending_ = true;
}

void IntakeProgressWindow::RefreshLayout() {
  if (!layoutPending_) return;
  layoutPending_ = false;
  if (layoutNeeded_) layoutNeeded_();
}

bool IntakeProgressWindow::Step(std::int64_t value, bool& cancelled) {
  // Brought up to date only as often as RefreshPace allows (the drawing
  // costs more than a file takes).
  const DWORD now = ::GetTickCount();
  if (!pace_.Due(now)) return false;
  if (probing_ && window_ && ::GetActiveWindow() != window_) ::SetActiveWindow(window_);
  RefreshLayout();
  SetProgress(value);
  HandlePendingEvents(probing_ ? -1 : 0);
  pace_.Refreshed(now, ::GetTickCount());
  // Only the probing intake reports Cancel: the plain one keeps what it added either way.
  if (probing_ && cancelPressed_) cancelled = true;
  return stopRequested_;
}

void IntakeProgressWindow::Finish(std::int64_t value) {
  RefreshLayout();
  if (!window_) return;
  SetProgress(value);
  HandlePendingEvents(1);
  ::Sleep(250);  // the full bar stays readable for a moment
  if (progressBar_) ::DestroyWindow(std::exchange(progressBar_, nullptr));
  if (mainDisabled_ && MainWindow()) {
    // Enabled before the window goes, so that the activation returns to it.
    ::EnableWindow(MainWindow(), TRUE);
    mainDisabled_ = false;
  }
  ::DestroyWindow(std::exchange(window_, nullptr));
}

void IntakeProgressWindow::Sorted() {
  RebuildRows();
  SetCurrentRow(0);
}

void IntakeProgressWindow::SetProgress(std::int64_t value) {
  if (!progressBar_) return;
  // Back one and forward again: a bar that animates its way to a new value
  // shows it at once this way.
  const int position = BarValue(value);
  ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(std::max(position - 1, 0)), 0);
  ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void IntakeProgressWindow::HandlePendingEvents(int pauseMs) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The program is asked to end: stop here and leave the request to the main loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      stopRequested_ = true;
      return;
    }
    if (!window_ || !::IsDialogMessageW(window_, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (pauseMs >= 0) ::Sleep(static_cast<DWORD>(pauseMs));
  }
}

void IntakeProgressWindow::AddElementFailed(const wchar_t* procedure, std::int32_t line) {
  FatalError(procedure, line, L"AddElement failed.");
}
