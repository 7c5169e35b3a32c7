#include "app/single_instance_win.h"

#include <shellapi.h>

#include <string_view>
#include <vector>

#include "app/main_window_win.h"
#include "app/path_handoff.h"
#include "format/program_info.h"
#include "platform/file.h"
#include "ui/window_helpers.h"

namespace {

BOOL CALLBACK FindFirstMatch(HWND window, LPARAM lParam) {
  if (!IsRunningInstanceWindow(window)) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = window;
  return FALSE;
}

// The window to bring forward: a modal window the running copy has open
// (About, a message box) rather than the main window it disabled.
void BringForward(HWND window) {
  ::ShowWindow(window, SW_RESTORE);
  ::ShowWindow(window, SW_SHOW);
  const HWND popup = ::GetLastActivePopup(window);
  ::SetForegroundWindow(popup && ::IsWindowVisible(popup) ? popup : window);
}

// One piece of a hand-over sent and answered. The running copy only notes
// the paths, however busy it is; a copy that does not answer for a long
// time (stopped in a debugger) costs the wait and then the user is told.
bool SendPiece(HWND window, const std::wstring& piece, bool more) {
  COPYDATASTRUCT data{};
  data.dwData = more ? kMorePathsCopyDataTag : kPathsCopyDataTag;
  data.cbData = static_cast<DWORD>(piece.size() * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(piece.data());
  DWORD_PTR taken = FALSE;
  const LRESULT sent = ::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                             SMTO_NORMAL, 20000, &taken);
  return sent != 0 && taken == TRUE;
}

}  // namespace

std::wstring SingleInstanceMutexName() { return std::wstring(L"pbmutex_single_instance_") + kProgramTitle; }

bool ClaimSingleInstance(const std::wstring& name) {
  // Never closed: the mutex lives as long as the process.
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  return !(mutex && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

bool IsRunningInstanceWindow(HWND window) {
  wchar_t className[256] = {};
  if (::GetClassNameW(window, className, 256) <= 0 || WindowClassName(kWinMain) != className) return false;
  wchar_t caption[512] = {};
  const int length = ::GetWindowTextW(window, caption, 512);
  if (length <= 0) return false;
  if (std::wstring_view(caption, static_cast<std::size_t>(length)).find(kProgramTitle) == std::wstring_view::npos) {
    return false;
  }
  return ::IsWindowVisible(window) != FALSE;
}

HWND FindRunningInstance() {
  HWND found = nullptr;
  ::EnumWindows(FindFirstMatch, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool ActivateRunningInstance() {
  const HWND window = FindRunningInstance();
  if (!window) return false;
  // A window that does not answer must not hold the second start up for ever.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(window, kMessageActivate, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  BringForward(window);
  return true;
}

std::wstring CommandLinePaths(const wchar_t* commandLine) {
  if (!commandLine || !*commandLine) return {};
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(commandLine, &count);
  if (!arguments) return {};
  std::vector<std::wstring> paths;
  for (int i = 1; i < count; ++i) {
    if (arguments[i][0] != L'\0') paths.push_back(platform::FullPath(arguments[i]));
  }
  ::LocalFree(arguments);
  return JoinPaths(paths);
}

bool HandPathsToRunningInstance(const std::wstring& pathsText, DWORD waitMs) {
  const DWORD start = ::GetTickCount();
  HWND window = FindRunningInstance();
  while (!window && ::GetTickCount() - start < waitMs) {
    ::Sleep(100);
    window = FindRunningInstance();
  }
  if (!window) return false;
  const std::vector<std::wstring> pieces = HandOffPieces(pathsText);
  bool taken = true;
  for (std::size_t i = 0; i < pieces.size() && taken; ++i) taken = SendPiece(window, pieces[i], i + 1 < pieces.size());
  // Then as any second start: message 1, and the window to the front while
  // this process may still give the foreground away.
  ActivateRunningInstance();
  return taken;
}
