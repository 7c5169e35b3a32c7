// Entry point. A stand-in start-up: the main window with its list, button and
// status bar, and a plain event loop; drops and the build are not wired yet.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>  // before gdiplus.h, which needs the COM types
#include <gdiplus.h>

#include "app/about_window.h"
#include "app/fatal_error.h"
#include "app/main_window_win.h"
#include "app/message_box.h"
#include "app/win_handles.h"
#include "app/window_helpers.h"
#include "filelist/file_list.h"
#include "build/memory_watch.h"
#include "settings/settings_file.h"

namespace {

constexpr std::int32_t kCommandAbout = 10;

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

struct AcceleratorTraits {
  static void Close(HACCEL h) { ::DestroyAcceleratorTable(h); }
};

constexpr std::int32_t kCommandQuit = 5;

bool OnCommand(std::int32_t command, HWND control) {
  if (control) return false;  // "Build PDF" comes with the build
  switch (command) {
    case kCommandAbout:
      ShowAbout();
      return true;
    case kCommandQuit:
      ::DestroyWindow(MainWindow());
      return true;
  }
  return false;
}

void Main() {
  Settings settings;
  LoadSettings(settings);
  FileList& list = ProgramFileList();
  list.ItemsAdded = 0;
  SetMainCommandHandler(OnCommand);
  const HWND window = CreateMainWindow(settings, list);
  const win::UniqueHandle<HACCEL, AcceleratorTraits> keys(CreateMainAccelerators());

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (keys && ::IsWindow(window) && ::TranslateAcceleratorW(window, keys.get(), &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ClearFileList(list);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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
  Main();
  return 0;
}
