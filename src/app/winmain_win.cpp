// Entry point: the start-up checks, one running copy, then Main.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/main_loop_win.h"
#include "app/path_handoff.h"
#include "app/single_instance_win.h"
#include "imaging/gdiplus_win.h"
#include "imaging/wic_decode_win.h"
#include "pipeline/memory_watch.h"
#include "settings/settings_file.h"
#include "ui/fatal_error.h"
#include "ui/message_box.h"

namespace {

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
  const std::wstring paths = CommandLinePaths(::GetCommandLineW());
  if (!ClaimSingleInstance(SingleInstanceMutexName())) {
    // Another copy runs: it comes to the front, with the paths this one was
    // given; this one ends without reading the settings. Files the running
    // copy did not take are never dropped without a word.
    if (paths.empty()) {
      ActivateRunningInstance();
    } else if (!HandPathsToRunningInstance(paths, 10000)) {
      ShowMessage(nullptr, HandOffFailedText(paths), MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    }
    return 0;
  }
  // Which files this machine reads is asked of its decoders once, at start.
  MachineImageExtensions();
  return Main(LocateSettingsFiles(), paths);
}
