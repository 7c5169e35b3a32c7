// Creates and destroys one window so that the Wine server and its desktop
// process are running, attached to the test display, before the tests start.
#include <windows.h>

int main() {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"prime", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                                  nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  ::DestroyWindow(window);
  return 0;
}
