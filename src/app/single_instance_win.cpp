#include "app/single_instance_win.h"

#include <shellapi.h>

#include <string_view>
#include <vector>

#include "app/main_window_win.h"
#include "app/path_handoff.h"
#include "format/program_info.h"
#include "platform/file.h"

namespace {

BOOL CALLBACK FindFirstMatch(HWND window, LPARAM lParam) {
  wchar_t caption[512] = {};
  const int length = ::GetWindowTextW(window, caption, 512);
  if (length <= 0) return TRUE;
  wchar_t className[256] = {};
  ::GetClassNameW(window, className, 256);
  if (std::wstring_view(className).find(L"WindowClass_") == std::wstring_view::npos) return TRUE;
  if (std::wstring_view(caption, static_cast<std::size_t>(length)).find(kProgramTitle) == std::wstring_view::npos) {
    return TRUE;
  }
  if (!::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = window;
  return FALSE;
}

}  // namespace

std::wstring SingleInstanceMutexName() { return std::wstring(L"pbmutex_single_instance_") + kProgramTitle; }

bool ClaimSingleInstance(const std::wstring& name) {
  // Never closed: the mutex lives as long as the process.
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  return !(mutex && ::GetLastError() == ERROR_ALREADY_EXISTS);
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
  ::ShowWindow(window, SW_RESTORE);
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
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
  COPYDATASTRUCT data{};
  data.dwData = kPathsCopyDataTag;
  data.cbData = static_cast<DWORD>(pathsText.size() * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(pathsText.data());
  // The running copy only notes the paths while this waits, however busy it is.
  DWORD_PTR taken = FALSE;
  const bool sent = ::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                          10000, &taken) != 0;
  // Then as any second start: message 1, and the window to the front while
  // this process may still give the foreground away.
  ActivateRunningInstance();
  return sent && taken == TRUE;
}
