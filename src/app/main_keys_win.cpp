#include "app/main_keys_win.h"

namespace {

bool Held(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// The child of window that holds the keyboard (the list's header counts as
// the list), or null.
HWND FocusedControl(HWND window) {
  HWND focus = ::GetFocus();
  while (focus && ::GetParent(focus) && ::GetParent(focus) != window) focus = ::GetParent(focus);
  return focus && ::GetParent(focus) == window ? focus : nullptr;
}

}  // namespace

bool RouteMainWindowKey(HWND window, HWND buildButton, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !window || (msg.hwnd != window && !::IsChild(window, msg.hwnd))) return false;
  switch (msg.wParam) {
    case VK_TAB: {
      if (Held(VK_CONTROL) || Held(VK_MENU)) return false;
      const HWND next = ::GetNextDlgTabItem(window, FocusedControl(window), Held(VK_SHIFT));
      if (next) ::SetFocus(next);
      return true;
    }
    case VK_RETURN:
      if (!buildButton || ::GetFocus() != buildButton || !::IsWindowEnabled(buildButton)) return false;
      ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(buildButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(buildButton));
      return true;
  }
  return false;
}
