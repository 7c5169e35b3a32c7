#include "ui/window_helpers.h"

#include <unordered_map>

#include <cwctype>

#include "ui/placement.h"
#include "ui/win_handles.h"

namespace {

constexpr wchar_t kOldWinProc[] = L"oldWinProc";
constexpr std::int32_t kUnset = -65535;

HWND g_mainWindow = nullptr;

// The previous procedures of the windows the program subclassed, beside
// their "oldWinProc" properties: under Wine reading a property is a round
// trip to the Wine server, and a list view forwards every one of its
// messages this way, thousands while a large drop is taken in.
std::unordered_map<HWND, WNDPROC>& OldProcedures() {
  static std::unordered_map<HWND, WNDPROC> procedures;
  return procedures;
}

WNDPROC TakeOldProcedure(HWND window) {
  OldProcedures().erase(window);
  return reinterpret_cast<WNDPROC>(::RemovePropW(window, kOldWinProc));
}

// One armed placement at a time; see CentreNextDialog.
struct DialogPlacement {
  HWND owner = nullptr;
  ScreenPoint position{kUnset, kUnset};
  win::UniqueHook hook;
};
DialogPlacement g_placement;

ScreenRect ToScreenRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The top-left corner of the work area of the monitor owner is (mostly) on:
// what a centred window is kept right of and below.
ScreenPoint WorkAreaOriginOf(HWND owner) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  const HMONITOR monitor = ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  if (!monitor || !::GetMonitorInfoW(monitor, &info)) return {};
  return {info.rcWork.left, info.rcWork.top};
}

std::wstring LowerClassName(HWND window) {
  wchar_t name[64] = {};
  const int length = ::GetClassNameW(window, name, 64);
  std::wstring lower(name, name + (length > 0 ? length : 0));
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return lower;
}

// Windows of this class (the program's own input prompts) are placed like
// dialogs although they never receive WM_INITDIALOG.
bool IsInputRequester(HWND window) { return LowerClassName(window) == L"inputrequester"; }

bool IsPositionUnset() {
  return g_placement.position.x == kUnset && g_placement.position.y == kUnset;
}

void PlaceDialog(HWND dialog) {
  if (IsPositionUnset()) {
    RECT owner{}, own{};
    if (!g_placement.owner || !::GetWindowRect(g_placement.owner, &owner) ||
        !::GetWindowRect(dialog, &own)) {
      return;  // owner gone: the system's placement stands
    }
    g_placement.position = CentredPosition(ToScreenRect(owner), own.right - own.left, own.bottom - own.top,
                                           WorkAreaOriginOf(g_placement.owner));
    g_placement.owner = nullptr;
  }
  ::SetWindowPos(dialog, nullptr, g_placement.position.x, g_placement.position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK PlacementProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG || (IsInputRequester(window) && message == WM_SHOWWINDOW)) {
    // Move after the dialog's own initialisation: a message box centres
    // itself on the screen while it handles WM_INITDIALOG, and that would
    // undo a move made before.
    const LRESULT result = CallOldWindowProc(window, message, wParam, lParam);
    PlaceDialog(window);
    return result;
  }
  if (message == WM_DESTROY) {
    const WNDPROC old = TakeOldProcedure(window);
    if (old) {
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      return ::CallWindowProcW(old, window, message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return CallOldWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK PlacementHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK self = g_placement.hook.get();
  if (code == HC_ACTION && self) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent->message == WM_INITDIALOG || IsInputRequester(sent->hwnd)) {
      // The dialog's procedure is swapped before this message reaches it, so
      // the placement procedure sees the WM_INITDIALOG the hook just saw.
      SubclassWindow(sent->hwnd, PlacementProc);
      const LRESULT result = ::CallNextHookEx(self, code, wParam, lParam);
      g_placement.hook.reset();  // one arming places one dialog
      return result;
    }
  }
  return ::CallNextHookEx(self, code, wParam, lParam);
}

}  // namespace

HWND MainWindow() { return g_mainWindow && ::IsWindow(g_mainWindow) ? g_mainWindow : nullptr; }
void SetMainWindow(HWND window) { g_mainWindow = window; }

std::wstring WindowClassName(std::int32_t windowNumber) {
  return L"WindowClass_" + std::to_wstring(windowNumber);
}

std::wstring RegisterWindowClass(std::int32_t windowNumber, WNDPROC procedure, HBRUSH background,
                                 HICON icon) {
  std::wstring name = WindowClassName(windowNumber);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(instance, name.c_str(), &existing)) return name;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = name.c_str();
  ::RegisterClassExW(&wc);
  return name;
}

bool SubclassWindow(HWND window, WNDPROC procedure) {
  if (!window || IsSubclassed(window)) return false;
  const auto old = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC));
  if (!old || !::SetPropW(window, kOldWinProc, reinterpret_cast<HANDLE>(old))) return false;
  if (!::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure))) {
    ::RemovePropW(window, kOldWinProc);
    return false;
  }
  OldProcedures()[window] = old;
  return true;
}

bool IsSubclassed(HWND window) { return ::GetPropW(window, kOldWinProc) != nullptr; }

LRESULT CallOldWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto known = OldProcedures().find(window);
  const WNDPROC old = known != OldProcedures().end() ? known->second
                                                     : reinterpret_cast<WNDPROC>(::GetPropW(window, kOldWinProc));
  const LRESULT result = old ? ::CallWindowProcW(old, window, message, wParam, lParam)
                             : ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) TakeOldProcedure(window);
  return result;
}

void CentreNextDialog(HWND owner) {
  g_placement.hook.reset();
  g_placement.owner = owner;
  g_placement.position = {kUnset, kUnset};
  if (!owner) return;
  g_placement.hook.reset(
      ::SetWindowsHookExW(WH_CALLWNDPROC, PlacementHook, nullptr, ::GetCurrentThreadId()));
}

void CentreWindow(HWND window, HWND owner, bool show) {
  RECT area{}, own{};
  if (!owner || !::GetWindowRect(owner, &area)) {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  if (::GetWindowRect(window, &own)) {
    const ScreenPoint p = CentredPosition(ToScreenRect(area), own.right - own.left, own.bottom - own.top,
                                          owner ? WorkAreaOriginOf(owner) : ScreenPoint{area.left, area.top});
    ::SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (show) ::ShowWindow(window, SW_SHOW);
}
