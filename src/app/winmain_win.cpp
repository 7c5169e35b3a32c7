// Entry point. A stand-in start-up: the main window with its list, button and
// status bar, and a plain event loop; drops and the build are not wired yet.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/about_window.h"
#include "app/main_window_win.h"
#include "filelist/file_list.h"
#include "imaging/gdiplus_win.h"
#include "pipeline/memory_watch.h"
#include "settings/settings_file.h"
#include "ui/fatal_error.h"
#include "ui/message_box.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

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
  if (!gdiplus.Started()) {
    ShowMessage(nullptr, L"GDI+ initialization error.", MB_OK | MB_ICONERROR);
    return 0;
  }
  const ShutdownAction endGdiplus([&gdiplus] { gdiplus.Shutdown(); });
  Main();
  return 0;
}
