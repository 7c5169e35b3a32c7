#include "pipeline/build_window_win.h"

#include <commctrl.h>
#include <objbase.h>

#include <utility>

#include "pipeline/memory_watch.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/message_box.h"
#include "ui/window_helpers.h"
#include "ui/save_dialog_win.h"

namespace {

constexpr int kCancelId = 100;
constexpr int kClientWidth = 450;
constexpr int kClientHeight = 120;

HFONT BoldMessageFont(int dpi) {
  LOGFONTW font{};
  ::GetObjectW(MessageFont(dpi), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  return ::CreateFontIndirectW(&font);
}

// Places and sizes are given at 96 DPI.
HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           int id = 0) {
  const int dpi = WindowDpi(parent);
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  HWND child = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(w), px(h),
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont(dpi)), FALSE);
  return child;
}

}  // namespace

BuildProgressWindow::BuildProgressWindow() = default;

BuildProgressWindow::~BuildProgressWindow() {
  if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
  if (boldFont_) ::DeleteObject(boldFont_);
}

LRESULT CALLBACK BuildProgressWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<BuildProgressWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CLOSE:  // the close box cancels; the build closes the window itself
      if (self) self->cancelRequested_ = true;
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCancelId && self) self->cancelRequested_ = true;
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void BuildProgressWindow::Open(std::int32_t fileCount) {
  const std::wstring className =
      RegisterWindowClass(kWinBuildPdf, Proc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
  // Sized for the main window's monitor, where it is centred.
  const int dpi = WindowDpi(MainWindow());
  const SIZE outer = OuterSizeAtDpi(ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi), style,
                                    WS_EX_DLGMODALFRAME, dpi);
  window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME, className.c_str(), L"", style, 0, 0, outer.cx, outer.cy,
                              MainWindow(), nullptr, ::GetModuleHandleW(nullptr), this);
  CheckCreated(window_, L"BuildPdf", L"Open window failed for #WIN_BUILD_PDF.", kLineBuildWindow);

  counterLine_ = Child(window_, L"STATIC", L"", SS_CENTER, 0, 10, kClientWidth, 20);
  fileLine_ = Child(window_, L"STATIC", L"", SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS, 0, 30, kClientWidth, 15);
  progressBar_ = Child(window_, PROGRESS_CLASSW, L"", 0, 5, 55, kClientWidth - 10, 20);
  ::SendMessageW(progressBar_, PBM_SETRANGE32, 0, fileCount);
  cancelButton_ = Child(window_, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 175, 85, 100, 30, kCancelId);
  boldFont_ = BoldMessageFont(WindowDpi(window_));
  ::SendMessageW(counterLine_, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), TRUE);
  ::SendMessageW(fileLine_, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_), TRUE);

  CentreWindow(window_, MainWindow(), true);
  if (MainWindow()) ::EnableWindow(MainWindow(), FALSE);
  Drain();
}

void BuildProgressWindow::ShowTitle(const std::wstring& title) { title_ = title; }

void BuildProgressWindow::ShowFile(std::int32_t counter, std::int32_t fileCount, const std::wstring& name) {
  counter_ = counter;
  fileCount_ = fileCount;
  fileName_ = name;
  if (pace_.Due(::GetTickCount())) Refresh();
}

void BuildProgressWindow::ShowProgress(std::int32_t counter) { position_ = counter; }

void BuildProgressWindow::Refresh() {
  if (!window_) return;
  const DWORD start = ::GetTickCount();
  // Only what changed: every text set is drawn again.
  const auto show = [](HWND control, const std::wstring& text, std::wstring& shown) {
    if (!control || text == shown) return;
    ::SetWindowTextW(control, text.c_str());
    shown = text;
  };
  show(window_, title_, shownTitle_);
  if (::GetActiveWindow() != window_) ::SetActiveWindow(window_);
  if (counter_ > 0) {
    show(counterLine_, std::to_wstring(counter_) + L" of " + std::to_wstring(fileCount_), shownCounter_);
    show(fileLine_, fileName_, shownFile_);
  }
  if (progressBar_ && position_ != shownPosition_) {
    ::SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    shownPosition_ = position_;
  }
  Drain();
  pace_.Refreshed(start, ::GetTickCount());
}

void BuildProgressWindow::Drain() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop to see
      break;
    }
    if (window_ && ::IsDialogMessageW(window_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

bool BuildProgressWindow::PollCancel() {
  // Events are handled after every page, so Cancel answers at once; the
  // window is drawn anew only when it is time.
  if (pace_.Due(::GetTickCount())) Refresh();
  else Drain();
  return std::exchange(cancelRequested_, false);
}

bool BuildProgressWindow::ConfirmLowMemory() {
  ::EnableWindow(window_, FALSE);
  const bool goOn = AskLowMemory() == IDOK;
  ::EnableWindow(window_, TRUE);
  Drain();
  return goOn;
}

void BuildProgressWindow::EndFiles(bool saving) {
  Refresh();  // the last file as it ended, before the bar goes
  if (progressBar_) {
    ::DestroyWindow(progressBar_);
    progressBar_ = nullptr;
  }
  if (!saving) return;
  ::EnableWindow(cancelButton_, FALSE);
  ::DestroyWindow(counterLine_);
  counterLine_ = nullptr;
  Drain();
  ::SetWindowTextW(fileLine_, L"Saving PDF to disk, please wait ...");
  ::UpdateWindow(window_);
}

void BuildProgressWindow::Close() {
  if (!window_) return;
  ::Sleep(100);  // the last state stays readable for a moment
  // The main window is enabled before this one goes, so that the system
  // hands the activation back to it rather than to another program's window.
  if (MainWindow()) ::EnableWindow(MainWindow(), TRUE);
  ::DestroyWindow(window_);
  window_ = nullptr;
  if (boldFont_) {
    ::DeleteObject(boldFont_);
    boldFont_ = nullptr;
  }
}

void BuildProgressWindow::ShowError(const std::wstring& text) {
  ShowCentredMessage(MainWindow(), text, MB_ICONEXCLAMATION | MB_OK);
}

void BuildProgressWindow::Finish() {
  if (MainWindow()) {
    ::EnableWindow(MainWindow(), TRUE);
    ::SetForegroundWindow(MainWindow());
  }
}

void BuildProgressWindow::Fatal(std::int32_t line, const std::wstring& message) {
  FatalError(L"BuildPdf", line, message);
}

BuildServices WindowsBuildServices() {
  BuildServices services;
  services.prepare = [](const std::wstring& path, const Settings& settings, std::int32_t turn) {
    return PrepareImage(path, settings, 0, turn);
  };
  services.preparePage = PrepareImage;
  services.freeMemory = [](std::int64_t& bytes) { return GetFreePhysicalMemory(bytes) == 1; };
  services.trimWorkingSet = TrimWorkingSet;
  services.addressRoom = QueryAddressRoom;
  // One preparing thread per core. Each may hold a decoded image and its
  // canvas; four keep that within a 32-bit process's address space for
  // photos, and an image that still finds no memory is tried again alone.
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  services.workers = static_cast<std::int32_t>(system.dwNumberOfProcessors < 4 ? system.dwNumberOfProcessors : 4);
  // GDI+ decodes through COM objects: every thread that uses it joins COM.
  services.workerStarted = [] { ::CoInitializeEx(nullptr, COINIT_MULTITHREADED); };
  services.workerEnded = [] { ::CoUninitialize(); };
  return services;
}

std::int32_t BuildPdfWithWindow(const std::wstring& pdfPath, BuildLog& log, const std::vector<BuildItem>& items,
                                Settings& settings) {
  BuildProgressWindow window;
  const BuildServices services = WindowsBuildServices();
  return BuildPdf(pdfPath, log, items, settings, window, services);
}

std::wstring ChoosePdfFileName(const std::wstring& suggestedName, const Settings& settings,
                               const std::vector<BuildItem>& items) {
  const std::wstring name = DefaultPdfFolder(settings, items, DesktopFolderPath()) + suggestedName;
  const SaveDialogAnswer answer =
      AskSaveFileName(name, L"PDF documents (*.pdf)\0*.pdf;\0All files (*.*)\0*.*\0", L"PDF file name");
  if (answer.path.empty()) return {};
  return CompletePdfFileName(answer.path, answer.filterIndex);
}
