#include "app/single_instance_win.h"

#include <string_view>

#include "app/main_window_win.h"
#include "format/program_info.h"

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
