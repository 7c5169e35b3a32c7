#include "app/main_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>

#include "app/path_handoff.h"
#include "app/status_texts.h"
#include "filelist/list_commands.h"
#include "filelist/list_drag_win.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_win.h"
#include "format/program_info.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/placement.h"
#include "ui/status_bar.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr std::int32_t kLineMainWindow = 3971;
constexpr wchar_t kMainWindowFailed[] = L"Open window failed for #WIN_MAIN.";
constexpr int kMinClientWidth = 600;
constexpr int kMinClientHeight = 400;
constexpr wchar_t kFileListName[] = L"Image files";

MainWindowControls g_controls;

// What the layout last placed things for: the intake refreshes the layout
// after every added file, and mostly nothing has changed since.
struct AppliedLayout {
  HWND list = nullptr;
  LONG clientWidth = -1;
  LONG clientHeight = -1;
  bool scrollBar = false;
  bool operator==(const AppliedLayout&) const = default;
};
AppliedLayout g_applied;
Settings* g_settings = nullptr;
bool g_layoutRunning = false;
MainCommandHandler g_commandHandler;
MainDropHandler g_dropHandler;
MainPathsHandler g_pathsHandler;
// The control that had the keyboard when the window was last deactivated:
// it gets it back, as in a dialog.
HWND g_lastFocus = nullptr;
win::UniqueFont g_statusFont;
int g_statusFontDpi = 0;
// Where the window was when it was last minimised through its system menu
// (or caption button): what the settings keep when it is minimised at exit.
std::optional<MainWindowGeometry> g_lastNormal;

const Settings& CurrentSettings() {
  static const Settings defaults;
  return g_settings ? *g_settings : defaults;
}

class LayoutFlag {
 public:
  LayoutFlag() : previous_(std::exchange(g_layoutRunning, true)) {}
  ~LayoutFlag() { g_layoutRunning = previous_; }
  LayoutFlag(const LayoutFlag&) = delete;
  LayoutFlag& operator=(const LayoutFlag&) = delete;

 private:
  bool previous_;
};

// Places and sizes are given at 96 DPI.
HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                   int width, int height, int id) {
  const int dpi = WindowDpi(parent);
  x = ScaleToDpi(x, dpi), y = ScaleToDpi(y, dpi);
  width = ScaleToDpi(width, dpi), height = ScaleToDpi(height, dpi);
  return CheckCreated(::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                        ::GetModuleHandleW(nullptr), nullptr),
                      L"Main", kMainWindowFailed, kLineMainWindow);
}

// Each settings field as wide as its sample text in the status font, plus 4,
// plus the margins its text is drawn within (else the sample itself would be
// cut off at both ends); the totals field takes the rest.
void SetStatusParts(HWND status) {
  std::array<int, kSettingsStatusFields + 1> rights{};
  const int dpi = WindowDpi(status);
  const win::WindowDc dc(status);
  int right = 0;
  {
    win::SavedDcState saved(dc.get());
    ::SelectObject(dc.get(), StatusFont());
    for (std::size_t i = 0; i < kStatusSampleTexts.size(); ++i) {
      SIZE extent{};
      const wchar_t* sample = kStatusSampleTexts[i];
      ::GetTextExtentPoint32W(dc.get(), sample, static_cast<int>(std::wcslen(sample)), &extent);
      const ScreenRect probe{0, 0, 100, 10};
      const int margins = probe.Width() - StatusTextRect(probe, static_cast<std::int32_t>(i), dpi).Width();
      right += extent.cx + ScaleToDpi(4, dpi) + margins;
      rights[i] = right;
    }
  }
  rights.back() = -1;
  ::SendMessageW(status, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

int WindowHeight(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r.bottom - r.top;
}

bool HasVerticalScrollBar(HWND list) { return (::GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) != 0; }

void SetColumnWidths(HWND list, int listWidth) {
  const bool scrollBar = HasVerticalScrollBar(list);
  const int dpi = WindowDpi(list);
  const int first = listWidth - ScaleToDpi(200, dpi) - 4 * ::GetSystemMetrics(SM_CXBORDER) -
                    (scrollBar ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
  ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(std::max(first, 0), 0));
  ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(ScaleToDpi(100, dpi), 0));
}

void ShowTotalsField(const std::wstring& text) {
  if (const HWND status = MainControls().statusBar) {
    SetStatusField(status, kTotalsStatusField, text, kDefaultColour, kDefaultColour,
                   DT_SINGLELINE | DT_VCENTER | DT_RIGHT, StatusFont());
  }
}

LRESULT HandleListNotification(HWND window, NMHDR& header) {
  switch (header.code) {
    case LVN_DELETEALLITEMS:
      return TRUE;  // no notice per row wanted: rows own nothing
    case LVN_GETDISPINFOW:
      FillRowText(reinterpret_cast<NMLVDISPINFOW&>(header));
      break;
    case LVN_BEGINDRAG:
      BeginRowDrag(reinterpret_cast<const NMLISTVIEW&>(header));
      break;
    case NM_CLICK:
      // The list sends this before it toggles a clicked check box: the
      // state is read once the click has been handled in full.
      ::PostMessageW(window, kMessageRecordRowState, 0, 0);
      break;
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      const bool selected = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
                            !(change.uOldState & LVIS_SELECTED);
      if (selected && change.iItem >= 0) {
        // Posted: the thumbnail follows once the list has finished changing.
        ::PostMessageW(window, kMessageShowThumbnail, static_cast<WPARAM>(change.iItem), 0);
        ::SetFocus(header.hwndFrom);
      }
      break;
    }
  }
  return 0;
}

void PlaceControls(const MainWindowControls& c, const RECT& client);

// Message 1 from a second start: the window comes to the front, restored
// when it was minimised.
void ComeToFront(HWND window) {
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::ShowWindow(window, SW_SHOW);
  // A modal window open over it (About, a message box) is the one in front.
  const HWND popup = ::GetLastActivePopup(window);
  ::SetForegroundWindow(popup && ::IsWindowVisible(popup) ? popup : window);
}

// The outer size of a window whose client area, menu bar included, is
// width x height: the frame alone, without a menu, around that area.
SIZE OuterSizeFor(HWND window, DWORD style, int width, int height) {
  return OuterSizeAtDpi(width, height, style,
                        window ? static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)) : 0, WindowDpi(window));
}

// One item of a menu; a null text is a separator. "&" marks the letter
// that picks the item from the keyboard.
struct MainMenuItem {
  std::int32_t command;
  const wchar_t* text;
};
struct MainMenuPopup {
  const wchar_t* title;
  std::span<const MainMenuItem> items;
};

std::span<const MainMenuPopup> MainMenuTable() {
  // The items that came first keep their texts and order; each text only
  // gains its letter. No two items of one menu share a letter.
  static constexpr MainMenuItem kFiles[] = {
      {kCommandAddFiles, L"&Add files...\tCtrl+O"}, {kCommandAddFolder, L"Add &folder...\tCtrl+Shift+O"},
      {kCommandBuildPdf, L"&Build PDF...\tCtrl+B"}, {0, nullptr},
      {1, L"&Sort now"}, {3, L"Se&lect all"}, {4, L"&Deselect all"}, {2, L"&Clear"}, {5, L"&Quit"}};
  static constexpr MainMenuItem kOptions[] = {{6, L"Stay on &top"}, {7, L"&Remember window position"},
                                              {8, L"Show t&humbnail"}, {0, nullptr}, {9, L"&More options ..."}};
  static constexpr MainMenuItem kHelp[] = {{11, L"&Help\tF1"}, {10, L"&About"}};
  static constexpr MainMenuPopup kMenus[] = {{L"&Files", kFiles}, {L"&Options", kOptions}, {L"&Help", kHelp}};
  return kMenus;
}

// Paths from another start of the program: noted for the event loop (the
// sender waits meanwhile), and the window comes forward. Nothing may leave
// a window procedure: paths that could not be noted (memory short) are
// answered 0, and the sender tells its user.
bool TakeHandedPaths(HWND window, const COPYDATASTRUCT& data) {
  try {
    const std::optional<HandedPaths> handed = PathsFromCopyData(data.dwData, data.lpData, data.cbData);
    if (!handed || !g_pathsHandler || !g_pathsHandler(handed->text, handed->more)) return false;
    if (!handed->more) ComeToFront(window);
    return true;
  } catch (...) {
    return false;
  }
}

// Leaving the window, the focused control is noted; coming back it gets the
// keyboard again (the list when that control is gone or disabled). True
// when the activation was handled here.
bool KeepFocusAcrossActivation(HWND window, WORD state) {
  if (state == WA_INACTIVE) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(window, focus)) g_lastFocus = focus;
    return false;
  }
  if (::IsIconic(window)) return false;
  HWND target = g_lastFocus;
  if (!target || !::IsChild(window, target) || !::IsWindowEnabled(target) || !::IsWindowVisible(target)) {
    target = MainControls().list;
  }
  if (!target) return false;
  ::SetFocus(target);
  return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleMainWindowMessage(window, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_CREATE:
      // Sent by a second start with no creation data: nothing to read in lParam.
      if (lParam == 0) {
        ComeToFront(window);
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close box asks like Files > Quit does.
      if (g_commandHandler && g_commandHandler(kCommandQuit, nullptr)) return 0;
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (MainWindow() == window) SetMainWindow(nullptr);
      g_controls = {};
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

const MainWindowControls& MainControls() {
  if (g_controls.window && !::IsWindow(g_controls.window)) {
    g_controls = {};
    g_settings = nullptr;
  }
  return g_controls;
}

HFONT StatusFont() {
  // One font until shutdown or a move to a monitor of another DPI: the
  // status fields keep its handle, and UpdateStatusBar hands them the new one.
  const int dpi = WindowDpi(MainControls().window);
  if (g_statusFont && g_statusFontDpi != dpi) g_statusFont.reset();
  g_statusFontDpi = dpi;
  if (!g_statusFont) g_statusFont = [dpi] {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
      // Systems before Vista know the record without its last field.
      metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
      ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    }
    LOGFONTW face = metrics.lfStatusFont;
    face.lfHeight = -::MulDiv(8, dpi, 72);
    face.lfWidth = 0;
    if (face.lfFaceName[0] == L'\0') ::wcscpy(face.lfFaceName, L"Tahoma");
    return win::UniqueFont(::CreateFontIndirectW(&face));
  }();
  return g_statusFont.get();
}

void ReleaseStatusFont() { g_statusFont.reset(); }

HMENU BuildMainMenu() {
  const HMENU bar = ::CreateMenu();
  for (const MainMenuPopup& popup : MainMenuTable()) {
    const HMENU menu = ::CreatePopupMenu();
    for (const MainMenuItem& item : popup.items) {
      if (item.text) {
        ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
      } else {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      }
    }
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), popup.title);
  }
  return bar;
}

HACCEL CreateMainAccelerators() {
  ACCEL keys[] = {
      {FVIRTKEY, VK_F1, kCommandHelp},
      {FVIRTKEY, VK_DELETE, static_cast<WORD>(kCommandRemove)},
      {FVIRTKEY | FCONTROL, 'O', kCommandAddFiles},
      {FVIRTKEY | FCONTROL | FSHIFT, 'O', kCommandAddFolder},
      {FVIRTKEY | FCONTROL, 'B', kCommandBuildPdf},
      {FVIRTKEY, VK_F5, kCommandBuildPdf},
      {FVIRTKEY | FALT, VK_UP, static_cast<WORD>(kCommandMoveRowUp)},
      {FVIRTKEY | FALT, VK_DOWN, static_cast<WORD>(kCommandMoveRowDown)},
      {FVIRTKEY | FCONTROL, 'R', static_cast<WORD>(kCommandRotateRight)},
      {FVIRTKEY | FCONTROL, 'L', static_cast<WORD>(kCommandRotateLeft)},
  };
  return ::CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

HWND CreateMainWindow(Settings& settings, FileList& list) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const bool remembered = settings.RememberWinPos == 1;
  // A remembered place is in the screen's pixels already; the default one
  // is given at 96 DPI (the window takes the system's until it is shown).
  const int dpi = WindowDpi(nullptr);
  const int x = remembered ? settings.X : ScaleToDpi(100, dpi);
  const int y = remembered ? settings.Y : ScaleToDpi(100, dpi);
  const int width = remembered ? settings.W : ScaleToDpi(kMinClientWidth, dpi);
  const int height = remembered ? settings.H : ScaleToDpi(kMinClientHeight, dpi);
  const std::wstring cls = RegisterWindowClass(kWinMain, MainWindowProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                               ::LoadIconW(instance, MAKEINTRESOURCEW(1)));
  // Children are left out of the background erase: no flicker while sizing.
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  // The height counts the menu bar in: the frame alone goes around it.
  const SIZE outer = OuterSizeFor(nullptr, style, width, height);
  const HWND window = CheckCreated(::CreateWindowExW(0, cls.c_str(), kProgramTitle, style, x, y, outer.cx, outer.cy,
                                                     nullptr, BuildMainMenu(), instance, nullptr),
                                   L"Main", kMainWindowFailed, kLineMainWindow);
  g_lastNormal.reset();
  SetMainWindow(window);
  CreateMainWindowControls(window, settings, list);

  const HMENU menu = ::GetMenu(window);
  ::CheckMenuItem(menu, 6, MF_BYCOMMAND | (settings.StayOnTop == 1 ? MF_CHECKED : MF_UNCHECKED));
  ::CheckMenuItem(menu, 7, MF_BYCOMMAND | (settings.RememberWinPos == 1 ? MF_CHECKED : MF_UNCHECKED));
  ::CheckMenuItem(menu, 8, MF_BYCOMMAND | (settings.ShowThumbs == 1 ? MF_CHECKED : MF_UNCHECKED));
  ::EnableMenuItem(menu, 8, MF_BYCOMMAND | (settings.Preprocessing == 0 ? MF_GRAYED : MF_ENABLED));
  UpdateListCommands();
  if (settings.StayOnTop == 1) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ::ShowWindow(window, SW_SHOW);
  // Once more now that the window is shown: the size is the one asked for.
  const MainWindowGeometry shown = WindowGeometryOf(window);
  if (shown.width != width || shown.height != height) {
    const SIZE again = OuterSizeFor(window, style, width, height);
    ::SetWindowPos(window, nullptr, 0, 0, again.cx, again.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Maximised over the normal place just set, which a restore returns to.
  if (remembered && settings.Maximized == 1) ::ShowWindow(window, SW_SHOWMAXIMIZED);
  return window;
}

void CreateMainWindowControls(HWND window, Settings& settings, FileList& list) {
  g_settings = &settings;
  MainWindowControls controls;
  controls.window = window;
  controls.list = CheckCreated(CreateFileListView(window, list, settings), L"Main", kMainWindowFailed,
                               kLineMainWindow);
  // The name screen readers announce for the list (it shows no caption).
  ::SetWindowTextW(controls.list, kFileListName);
  controls.noteLabel = CreateControl(window, L"STATIC", L"", SS_RIGHT, 0, 0, 140, 20, kControlNoteLabel);
  controls.buildButton = CreateControl(window, L"BUTTON", L"Build PDF", WS_TABSTOP | BS_PUSHBUTTON, 15, 0, 200, 38,
                                       kControlBuildButton);
  controls.statusBar = CreateControl(window, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, 0, 0, 0, 0, kControlStatusBar);
  const auto guiFont = reinterpret_cast<WPARAM>(MessageFont(WindowDpi(window)));
  ::SendMessageW(controls.noteLabel, WM_SETFONT, guiFont, FALSE);
  ::SendMessageW(controls.buildButton, WM_SETFONT, guiFont, FALSE);
  ::SendMessageW(controls.statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(StatusFont()), FALSE);
  g_controls = controls;
  g_applied = {};
  InstallThumbnailWindow(settings);
  SetListViewOwner({
      .layoutNeeded = LayoutMainWindow,
      .layoutRunning = IsLayoutRunning,
      .statusChanged = UpdateStatusBar,
      .totalsChanged = ShowTotalsField,
      .rowsPresence =
          [](bool hasRows) {
            if (const HWND button = MainControls().buildButton) ::EnableWindow(button, hasRows);
            if (const HMENU menu = MainControls().window ? ::GetMenu(MainControls().window) : nullptr) {
              ::EnableMenuItem(menu, kCommandBuildPdf, MF_BYCOMMAND | (hasRows ? MF_ENABLED : MF_GRAYED));
            }
          },
      .rowsRemoved =
          [] {
            if (const HWND button = MainControls().buildButton) ::SetFocus(button);
          },
      .rowClicked =
          [](std::int32_t row) {
            if (const HWND main = MainWindow()) {
              ::SendMessageW(main, kMessageShowThumbnail, static_cast<WPARAM>(row), 0);
            }
          },
      .filesDropped =
          [](HDROP drop) {
            if (g_dropHandler) {
              g_dropHandler(drop);
            } else {
              ::DragFinish(drop);
            }
          },
  });
  ::DragAcceptFiles(controls.list, TRUE);
  SetStatusParts(controls.statusBar);
  UpdateStatusBar();
  LayoutMainWindow();
}

void LayoutMainWindow() {
  const MainWindowControls& c = MainControls();
  if (!c.window || !c.list) return;
  const LayoutFlag running;
  const Settings& settings = CurrentSettings();
  RECT client{};
  ::GetClientRect(c.window, &client);
  const AppliedLayout wanted{c.list, client.right, client.bottom, HasVerticalScrollBar(c.list)};
  if (wanted != g_applied) {
    PlaceControls(c, client);
    g_applied = {c.list, client.right, client.bottom, HasVerticalScrollBar(c.list)};
  }
  if (RowCount() == 0) ::InvalidateRect(c.list, nullptr, TRUE);
  if (c.noteLabel) {
    const wchar_t* note = settings.JpgNoRecompression == 1 ? L"JPG storing is enabled" : L"";
    wchar_t shown[64] = {};
    ::GetWindowTextW(c.noteLabel, shown, 64);
    if (std::wcscmp(shown, note) != 0) ::SetWindowTextW(c.noteLabel, note);
  }
  if (settings.ShowThumbs == 1 && GetThumbnailHooks().placeThumbnail) GetThumbnailHooks().placeThumbnail();
}

namespace {

void PlaceControls(const MainWindowControls& c, const RECT& client) {
  int statusHeight = 0;
  if (c.statusBar) {
    ::SendMessageW(c.statusBar, WM_SIZE, 0, 0);  // the status bar places itself at the bottom
    statusHeight = WindowHeight(c.statusBar);
  }
  // The client rectangle is already below the menu bar.
  const int dpi = WindowDpi(c.window);
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  const int listWidth = std::max<int>(client.right - px(30), 0);
  const int listHeight = std::max<int>(client.bottom - statusHeight - px(75), 0);
  const auto placeList = [&] {
    ::SetWindowPos(c.list, nullptr, px(15), px(15), listWidth, listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  // Growing: size first, so that the columns see whether a scroll bar is
  // still needed; shrinking: columns first, so no horizontal scroll bar flashes up.
  if (listHeight > WindowHeight(c.list)) {
    placeList();
    SetColumnWidths(c.list, listWidth);
  } else {
    SetColumnWidths(c.list, listWidth);
    placeList();
  }
  if (c.buildButton) {
    ::SetWindowPos(c.buildButton, nullptr, px(15), listHeight + px(27), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (c.noteLabel) {
    ::SetWindowPos(c.noteLabel, nullptr, client.right - px(160), client.bottom - px(65), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace

bool IsLayoutRunning() { return g_layoutRunning; }

void SetMainCommandHandler(MainCommandHandler handler) { g_commandHandler = std::move(handler); }
void SetMainDropHandler(MainDropHandler handler) { g_dropHandler = std::move(handler); }
void SetMainPathsHandler(MainPathsHandler handler) { g_pathsHandler = std::move(handler); }

MainWindowGeometry WindowGeometryOf(HWND window) {
  RECT outer{};
  RECT client{};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  // The frame without a menu, taken from the outer height, leaves the client
  // area with the menu bar, however many lines the menu takes.
  const SIZE frame = OuterSizeFor(window, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), 0, 0);
  return {outer.left, outer.top, client.right, (outer.bottom - outer.top) - frame.cy};
}

namespace {

// The place the system would restore the window to. Its rectangle is in
// workspace coordinates: they start at the primary work area's corner,
// which a taskbar at the left or top moves away from the screen's.
MainWindowGeometry NormalPlaceOf(HWND window) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ::GetWindowPlacement(window, &placement);
  RECT normal = placement.rcNormalPosition;
  RECT work{};
  if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) ::OffsetRect(&normal, work.left, work.top);
  const SIZE frame = OuterSizeFor(window, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), 0, 0);
  return {normal.left, normal.top, (normal.right - normal.left) - frame.cx, (normal.bottom - normal.top) - frame.cy};
}

}  // namespace

MainWindowGeometry GeometryToRemember(HWND window) {
  if (::IsZoomed(window)) return NormalPlaceOf(window);
  if (!::IsIconic(window)) return WindowGeometryOf(window);
  if (g_lastNormal) return *g_lastNormal;
  // Minimised some other way than through the system command: the system
  // still knows the place it would restore to.
  return NormalPlaceOf(window);
}

bool MaximizedToRemember(HWND window) {
  if (::IsZoomed(window)) return true;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  return ::IsIconic(window) && ::GetWindowPlacement(window, &placement) &&
         (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
}

void UpdateStatusBar() {
  const HWND status = MainControls().statusBar;
  if (!status) return;
  const auto texts = SettingsStatusTexts(CurrentSettings());
  const auto grey = static_cast<std::int32_t>(::GetSysColor(COLOR_GRAYTEXT));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SetStatusField(status, static_cast<std::int32_t>(i), texts[i].text, texts[i].grey ? grey : kDefaultColour,
                   kDefaultColour, DT_SINGLELINE | DT_VCENTER | DT_CENTER, StatusFont());
  }
  ShowFileTotals();
}

namespace {

// Moved to a monitor of another DPI: the place the system suggests, then
// fonts, status fields and layout at the new DPI.
void ApplyDpiChange(HWND window, const RECT& suggested) {
  ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  const MainWindowControls& c = MainControls();
  const auto font = reinterpret_cast<WPARAM>(MessageFont(WindowDpi(window)));
  for (const HWND control : {c.list, c.buildButton, c.noteLabel}) {
    if (control) ::SendMessageW(control, WM_SETFONT, font, TRUE);
  }
  // The layout sets the other columns; the last keeps what it is given here.
  if (c.list) ::SendMessageW(c.list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(Scaled(window, 100), 0));
  if (c.buildButton) {
    ::SetWindowPos(c.buildButton, nullptr, 0, 0, Scaled(window, 200), Scaled(window, 38),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (c.noteLabel) {
    ::SetWindowPos(c.noteLabel, nullptr, 0, 0, Scaled(window, 140), Scaled(window, 20),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (c.statusBar) {
    ::SendMessageW(c.statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(StatusFont()), FALSE);
    SetStatusParts(c.statusBar);
    UpdateStatusBar();
  }
  g_applied = {};
  LayoutMainWindow();
}

}  // namespace

bool HandleMainWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && window == MainControls().window) {
        DrawAddedRows();  // the layout must see the rows' scroll bar
        LayoutMainWindow();
      }
      return false;
    case WM_GETMINMAXINFO: {
      // 600 x 400 with the menu bar counted in, as everywhere else.
      const int dpi = WindowDpi(window);
      const SIZE frame = OuterSizeFor(window, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                                      ScaleToDpi(kMinClientWidth, dpi), ScaleToDpi(kMinClientHeight, dpi));
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {frame.cx, frame.cy};
      return true;
    }
    case WM_DPICHANGED:
      if (window == MainControls().window) {
        ApplyDpiChange(window, *reinterpret_cast<const RECT*>(lParam));
        return true;
      }
      return false;
    case WM_NCHITTEST:
      // The pointer is over the main window but off the list: no drag label.
      HideDragCursor();
      return false;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE && window == MainControls().window && !::IsIconic(window)) {
        g_lastNormal = ::IsZoomed(window) ? NormalPlaceOf(window) : WindowGeometryOf(window);
      }
      return false;
    case WM_MOVING:
    case WM_MOVE:
      // A docked thumbnail window follows, once the move has been handled.
      if (window == MainControls().window && CurrentSettings().ShowThumbs == 1 && !::IsIconic(window)) {
        ::PostMessageW(window, kMessagePlaceThumbnail, 0, 0);
      }
      return false;
    case WM_COPYDATA:
      if (window == MainControls().window) {
        result = TakeHandedPaths(window, *reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
        return true;
      }
      return false;
    case WM_ACTIVATE:
      return window == MainControls().window && KeepFocusAcrossActivation(window, LOWORD(wParam));
    case WM_MOUSEWHEEL:
      // Only turns the list did not take itself arrive here.
      ScrollListOneRow(GET_WHEEL_DELTA_WPARAM(wParam) > 0);
      return true;
    case kMessageShowThumbnail:
      if (GetThumbnailHooks().showThumbnail) {
        GetThumbnailHooks().showThumbnail(static_cast<std::int32_t>(static_cast<INT_PTR>(wParam)));
      }
      return true;
    case kMessageRecordRowState: {
      const std::int32_t current = CurrentRow();
      if (current >= 0) SetItemStatus(current);
      return true;
    }
    case kMessagePlaceThumbnail:
      if (GetThumbnailHooks().placeThumbnail) GetThumbnailHooks().placeThumbnail();
      return true;
    case WM_COMMAND: {
      // Menu items and shortcuts come without a control handle.
      const auto control = reinterpret_cast<HWND>(lParam);
      if (!control && RunListCommand(LOWORD(wParam))) return true;
      return g_commandHandler && g_commandHandler(LOWORD(wParam), control);
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.code == HDN_ITEMCHANGINGW || header.code == HDN_ITEMCHANGINGA) {
        result = IsLayoutRunning() ? FALSE : TRUE;
        return true;
      }
      if (header.hwndFrom == MainControls().list && header.hwndFrom) {
        result = HandleListNotification(window, header);
        return true;
      }
      return false;
    }
  }
  return false;
}
