// Watches the desktop program's list from outside, as a benchmark or a test
// script needs it: finds the main window by its title, says "ready", then
// waits until its list holds at least the expected number of rows and no
// "Processing ..." window is left, and prints the milliseconds that took.
// Usage: row_watch TITLE ROWS [TIMEOUT_S]. Exits 0 when the rows came, 1 on
// timeout (printing the rows seen), 2 when the window is not found.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND g_progress = nullptr;

BOOL CALLBACK FindProgress(HWND window, LPARAM) {
  wchar_t title[64]{};
  ::GetWindowTextW(window, title, 64);
  if (::IsWindowVisible(window) && std::wcsncmp(title, L"Processing ", 11) == 0) {
    g_progress = window;
    return FALSE;
  }
  return TRUE;
}

bool IntakeWindowOpen() {
  g_progress = nullptr;
  ::EnumWindows(FindProgress, 0);
  return g_progress != nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 64;
  const std::wstring title = argv[1];
  const long rows = std::wcstol(argv[2], nullptr, 10);
  const DWORD timeoutMs = static_cast<DWORD>((argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 60) * 1000);
  HWND main = nullptr;
  for (int i = 0; i < 300 && !main; ++i) {
    main = ::FindWindowW(nullptr, title.c_str());
    if (!main) ::Sleep(50);
  }
  const HWND list = main ? ::FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
  if (!list) return 2;
  std::printf("ready\n");
  std::fflush(stdout);
  const DWORD start = ::GetTickCount();
  long seen = 0;
  while (::GetTickCount() - start < timeoutMs) {
    seen = static_cast<long>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (seen >= rows && !IntakeWindowOpen()) {
      std::printf("%lu ms %ld rows\n", static_cast<unsigned long>(::GetTickCount() - start), seen);
      return 0;
    }
    ::Sleep(5);
  }
  std::printf("timeout %ld rows\n", seen);
  return 1;
}
