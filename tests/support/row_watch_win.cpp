// Watches the desktop program's list from outside, as a benchmark or a test
// script needs it: finds the main window by its title, says "ready", then
// waits until its list holds at least the expected number of rows and no
// "Processing ..." window is left, and prints the milliseconds that took.
// Usage: row_watch TITLE ROWS [TIMEOUT_S]. Exits 0 when the rows came, 1 on
// timeout (printing the rows seen), 2 when the window is not found.
//        row_watch TITLE --key VK [TIMEOUT_S]: presses the key on the list
// and prints the milliseconds until the middle of the thumbnail window on
// the screen shows a new picture (neither the one before nor the black
// background).
//        row_watch TITLE --cells: prints every row's name and resolution,
// separated by a tab, one row a line (UTF-8).
//        row_watch TITLE --front: prints the class of the foreground window
// ("none" without one), then makes the main window the foreground window,
// as a window manager gives a clicked window the activation (Wine without
// one never does); exits 0 when it is in front afterwards.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

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

COLORREF ThumbnailMiddle(HWND thumb) {
  RECT client{};
  ::GetClientRect(thumb, &client);
  POINT middle{client.right / 2, client.bottom / 2};
  ::ClientToScreen(thumb, &middle);
  const HDC screen = ::GetDC(nullptr);
  const COLORREF colour = ::GetPixel(screen, middle.x, middle.y);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

int TimeThumbnail(HWND list, WPARAM key, DWORD timeoutMs) {
  const HWND thumb = ::FindWindowW(nullptr, L"Quillon - Thumbnail");
  if (!thumb) return 2;
  const COLORREF before = ThumbnailMiddle(thumb);
  const DWORD start = ::GetTickCount();
  ::PostMessageW(list, WM_KEYDOWN, key, 0);
  ::PostMessageW(list, WM_KEYUP, key, 0xC0000001);
  while (::GetTickCount() - start < timeoutMs) {
    const COLORREF now = ThumbnailMiddle(thumb);
    if (now != before && now != RGB(0, 0, 0)) {
      std::printf("%lu ms\n", static_cast<unsigned long>(::GetTickCount() - start));
      return 0;
    }
    ::Sleep(2);
  }
  std::printf("timeout\n");
  return 1;
}

// The list lives in another process: the item and its text buffer are
// placed in that process's memory and read back from there.
int PrintCells(HWND list) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(list, &processId);
  const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return 2;
  constexpr int kChars = 520;
  auto* remote = static_cast<unsigned char*>(
      ::VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  const long rows = static_cast<long>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (long row = 0; row < rows; ++row) {
    std::string line;
    for (int column = 0; column < 2; ++column) {
      LVITEMW item{};
      item.iSubItem = column;
      item.cchTextMax = kChars;
      item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
      ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
      ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
      wchar_t text[kChars]{};
      ::ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof text, nullptr);
      text[kChars - 1] = 0;
      char utf8[kChars * 3]{};
      ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
      line += column ? "\t" : "";
      line += utf8;
    }
    std::printf("%s\n", line.c_str());
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  ::CloseHandle(process);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 64;
  const std::wstring title = argv[1];
  const std::wstring mode = argv[2];
  if (mode == L"--key" || mode == L"--cells" || mode == L"--front") {
    const HWND main = ::FindWindowW(nullptr, title.c_str());
    const HWND list = main ? ::FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (!list) return 2;
    if (mode == L"--cells") return PrintCells(list);
    if (mode == L"--front") {
      char name[64] = "none";
      if (const HWND front = ::GetForegroundWindow()) ::GetClassNameA(front, name, sizeof name);
      std::printf("%s\n", name);
      return ::SetForegroundWindow(main) && ::GetForegroundWindow() == main ? 0 : 1;
    }
    return argc > 3 ? TimeThumbnail(list, std::wcstoul(argv[3], nullptr, 0), 5000) : 64;
  }
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
