#include "app/settings_window_win.h"

#include <commctrl.h>

#include <string>

#include "app/help_win.h"
#include "app/main_window_win.h"
#include "app/settings_pages_win.h"
#include "app/settings_panel_texts.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_win.h"
#include "ui/dpi.h"
#include "ui/fatal_error.h"
#include "ui/win_handles.h"
#include "ui/window_helpers.h"

namespace {

constexpr std::int32_t kLineShowSettingsPanel = 2577;
constexpr wchar_t kSettingsWindowFailed[] = L"Open window failed for #WIN_SETTINGS.";
constexpr wchar_t kPanelProperty[] = L"settingsPanel";
constexpr int kClientWidth = 500;
constexpr int kClientHeight = 340;
constexpr int kCommandHelp = 11;
constexpr int kMenuShowThumbnail = 8;
constexpr int kPaperlessIndex = 5;
constexpr int kGeneralTab = 3;
constexpr int kTextTab = 1;

struct Panel {
  explicit Panel(Settings& edited) : settings(edited) {}
  Settings& settings;
  bool listHasFiles = false;
  HWND window = nullptr;
  HWND tabs = nullptr;
  SettingsControls controls;
  HWND lastFocus = nullptr;  // while another window is active
  bool closed = false;
  bool accepted = false;
  bool closeBox = false;
};

HWND Control(const Panel& panel, int id) { return panel.controls[id]; }

void Enable(const Panel& panel, int id, bool enabled) { ::EnableWindow(Control(panel, id), enabled ? TRUE : FALSE); }

bool Checked(const Panel& panel, int id) { return IsChecked(Control(panel, id)); }

bool PaperlessChosen(const Panel& panel) {
  return ::SendMessageW(Control(panel, kComboPaper), CB_GETCURSEL, 0, 0) == kPaperlessIndex;
}

void UpdateJpgControls(const Panel& panel) {
  const bool jpg = Checked(panel, kCheckJpgCompression);
  for (const int id : {kLabelQualityCaption, kSliderQuality, kLabelQuality}) Enable(panel, id, jpg);
}

void UpdateQualityText(const Panel& panel) {
  const auto quality = static_cast<std::int32_t>(::SendMessageW(Control(panel, kSliderQuality), TBM_GETPOS, 0, 0));
  ::SetWindowTextW(Control(panel, kLabelQuality), QualityText(quality).c_str());
}

void UpdateScalingControls(const Panel& panel) {
  const auto scaling = static_cast<std::int32_t>(::SendMessageW(Control(panel, kSliderScaling), TBM_GETPOS, 0, 0));
  ::SetWindowTextW(Control(panel, kLabelScaling), ScalingText(scaling).c_str());
  Enable(panel, kEntryWidth, scaling != 100);
}

// Keeping the ratio only means something while images are enlarged, and
// neither does on Paperless pages, which take the image's own size.
void UpdatePageOutputControls(const Panel& panel) {
  const bool paper = !PaperlessChosen(panel);
  for (const int id : {kLabelOrientation, kOptionPortrait, kOptionLandscape, kCheckEnlarge}) Enable(panel, id, paper);
  Enable(panel, kCheckKeepAspect, paper && Checked(panel, kCheckEnlarge));
}

void UpdateHeaderControls(const Panel& panel) {
  const bool header = Checked(panel, kCheckHeader);
  for (const int id : {kComboFontSize, kComboContents, kComboPosition, kComboAlignment}) Enable(panel, id, header);
}

void UpdateThumbSideControls(const Panel& panel) {
  const bool locked = Checked(panel, kCheckThumbLocked);
  Enable(panel, kOptionThumbLeft, locked);
  Enable(panel, kOptionThumbRight, locked);
}

int CurrentTab(const Panel& panel) { return static_cast<int>(::SendMessageW(panel.tabs, TCM_GETCURSEL, 0, 0)); }

// Shows the page of the tab now selected. The focus follows into the page
// when it was on a page that is now hidden; the General tab always starts on
// its first box.
void ShowCurrentPage(Panel& panel) {
  const int tab = CurrentTab(panel);
  if (tab == kTextTab) {
    ::SetWindowTextW(Control(panel, kCheckHeader), HeaderCheckText(PaperlessChosen(panel)).c_str());
  }
  const HWND focus = ::GetFocus();
  bool focusHidden = focus == nullptr || focus == panel.window;
  for (int i = 0; i < kSettingsPageCount; ++i) {
    const HWND page = panel.controls.pages[static_cast<std::size_t>(i)];
    if (i == tab) continue;
    if (focus && (focus == page || ::IsChild(page, focus))) focusHidden = true;
    ::ShowWindow(page, SW_HIDE);
  }
  const HWND shown = panel.controls.pages[static_cast<std::size_t>(tab)];
  ::ShowWindow(shown, SW_SHOW);
  if (tab == kGeneralTab) {
    ::SetFocus(Control(panel, kCheckClearBeforeDrop));
  } else if (focusHidden) {
    const HWND first = ::GetNextDlgTabItem(shown, nullptr, FALSE);
    ::SetFocus(first ? first : panel.tabs);
  }
}

void SelectTab(Panel& panel, int tab) {
  tab = (tab + kSettingsPageCount) % kSettingsPageCount;
  ::SendMessageW(panel.tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  ShowCurrentPage(panel);
}

void OnControlClicked(Panel& panel, int id) {
  switch (id) {
    case kCheckJpgCompression:
      UpdateJpgControls(panel);
      break;
    case kCheckEnlarge:
      UpdatePageOutputControls(panel);
      break;
    case kCheckHeader:
      UpdateHeaderControls(panel);
      break;
    case kCheckThumbLocked:
      UpdateThumbSideControls(panel);
      break;
    // The PDF goes either where the last one went or beside the images.
    case kCheckSameDirectory:
      if (Checked(panel, kCheckSameDirectory)) SetChecked(Control(panel, kCheckRememberDirectory), false);
      break;
    case kCheckRememberDirectory:
      if (Checked(panel, kCheckRememberDirectory)) SetChecked(Control(panel, kCheckSameDirectory), false);
      break;
  }
}

// What else changes when the new settings take effect.
void ApplyFollowUps(Settings& settings, const Settings& before) {
  const HWND main = MainWindow();
  const HMENU menu = main ? ::GetMenu(main) : nullptr;
  // The thumbnail shows the probe's reduced image: nothing to show without it.
  if (settings.Preprocessing == 0) {
    settings.ShowThumbs = 0;
    if (menu) ::CheckMenuItem(menu, kMenuShowThumbnail, MF_BYCOMMAND | MF_UNCHECKED);
    if (before.ShowThumbs == 1 && GetThumbnailHooks().closeThumbnail) GetThumbnailHooks().closeThumbnail();
  }
  if (menu) {
    ::EnableMenuItem(menu, kMenuShowThumbnail,
                     MF_BYCOMMAND | (settings.Preprocessing == 1 ? MF_ENABLED : MF_GRAYED));
  }
  if (settings.ShowThumbs == 1) {
    // Size, colour and docking may have changed: the current row is drawn anew.
    ForgetShownThumbnail();
    const std::int32_t row = CurrentRow();
    if (row >= 0 && main) ::PostMessageW(main, kMessageShowThumbnail, static_cast<WPARAM>(row), 0);
    if (GetThumbnailHooks().placeThumbnail) GetThumbnailHooks().placeThumbnail();
  }
  if (settings.ShowFullPath != before.ShowFullPath || settings.ShowSizeCondensed != before.ShowSizeCondensed ||
      settings.JpgNoRecompression != before.JpgNoRecompression) {
    RebuildRows();
    LayoutMainWindow();  // the note label tells whether JPG files are stored as they are
  }
}

void Accept(Panel& panel) {
  const Settings before = panel.settings;
  CopyControlsToSettings(panel.controls, panel.settings);
  ApplyFollowUps(panel.settings, before);
  panel.accepted = true;
  panel.closed = true;
}

LRESULT OnCommand(Panel& panel, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case kButtonOk:
    case IDOK:
      if (code == BN_CLICKED) Accept(panel);
      return 0;
    case kButtonCancel:
    case IDCANCEL:
      if (code == BN_CLICKED) panel.closed = true;
      return 0;
    case kCommandHelp:
      ShowHelp(panel.window, HelpTopicOfTab(CurrentTab(panel)));
      return 0;
    case kComboPaper:
      if (code == CBN_SELCHANGE) UpdatePageOutputControls(panel);
      return 0;
  }
  if (code == BN_CLICKED) OnControlClicked(panel, id);
  return 0;
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* panel = static_cast<Panel*>(::GetPropW(window, kPanelProperty));
  if (!panel) return ::DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      return OnCommand(*panel, wParam);
    case WM_HSCROLL: {
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id == kSliderQuality) UpdateQualityText(*panel);
      if (id == kSliderScaling) UpdateScalingControls(*panel);
      return 0;
    }
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.hwndFrom == panel->tabs && header.code == TCN_SELCHANGE) ShowCurrentPage(*panel);
      return 0;
    }
    case DM_GETDEFID: {
      // Enter presses the focused button, else OK.
      const bool onCancel = ::GetFocus() == Control(*panel, kButtonCancel);
      return MAKELRESULT(onCancel ? kButtonCancel : kButtonOk, DC_HASDEFID);
    }
    case WM_NEXTDLGCTL: {
      // The arrows within an option group: the option reached is chosen, as
      // in any dialog.
      const HWND next = lParam ? reinterpret_cast<HWND>(wParam)
                               : ::GetNextDlgTabItem(window, ::GetFocus(), wParam != 0 ? TRUE : FALSE);
      if (!next) return 0;
      ::SetFocus(next);
      if ((::SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) && !IsChecked(next)) {
        ::SendMessageW(next, BM_CLICK, 0, 0);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // Back from another window, the keyboard is where the user left it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(window, focus)) panel->lastFocus = focus;
        return 0;
      }
      if (panel->lastFocus && ::IsWindowVisible(panel->lastFocus) && ::IsWindowEnabled(panel->lastFocus)) {
        ::SetFocus(panel->lastFocus);
        return 0;
      }
      break;
    case WM_CLOSE:
      panel->closeBox = true;
      panel->closed = true;
      return 0;
    case WM_NCDESTROY:
      ::RemovePropW(window, kPanelProperty);
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// Keys the window takes before the dialog navigation sees them: F1, and
// Ctrl+Tab (Shift for backwards) or Ctrl+Page Down / Page Up between tabs.
bool HandleWindowKey(Panel& panel, const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  if (msg.wParam == VK_F1) {
    ::SendMessageW(panel.window, WM_COMMAND, kCommandHelp, 0);
    return true;
  }
  if (::GetKeyState(VK_CONTROL) >= 0) return false;
  int step = 0;
  if (msg.wParam == VK_TAB) step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
  if (msg.wParam == VK_NEXT) step = 1;
  if (msg.wParam == VK_PRIOR) step = -1;
  if (step == 0) return false;
  SelectTab(panel, CurrentTab(panel) + step);
  return true;
}

void RunModalLoop(Panel& panel) {
  MSG msg;
  while (!panel.closed) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is asked to quit: leave as after Cancel, and let the main
      // loop see the request.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    const bool ours = msg.hwnd == panel.window || ::IsChild(panel.window, msg.hwnd);
    if (ours && HandleWindowKey(panel, msg)) continue;
    if (!::IsDialogMessageW(panel.window, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// After the close box: what is still queued for the window is handled
// before it goes, one message per millisecond at most.
void DrainWindowMessages(HWND window) {
  MSG msg;
  for (int handled = 0; handled < 1000 && ::PeekMessageW(&msg, window, 0, 0, PM_REMOVE); ++handled) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    ::Sleep(1);
  }
}

// Places and sizes are given at 96 DPI and scaled to dpi.
void BuildControls(Panel& panel, int dpi) {
  const HFONT font = MessageFont(dpi);
  const auto px = [dpi](int pixels) { return ScaleToDpi(pixels, dpi); };
  const auto create = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    const HWND control = CheckCreated(
        ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, px(x), px(y), px(w), px(h), panel.window,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr),
        L"ShowSettingsPanel", kSettingsWindowFailed, kLineShowSettingsPanel);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    panel.controls.byId[static_cast<std::size_t>(id)] = control;
    return control;
  };
  panel.tabs = create(WC_TABCONTROLW, L"", WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP, 8, 8, 484, 284, kSettingsTabs);
  for (int i = 0; i < kSettingsPageCount; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kSettingsTabCaptions[static_cast<std::size_t>(i)]);
    ::SendMessageW(panel.tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  RECT area{px(8), px(8), px(8 + 484), px(8 + 284)};
  ::SendMessageW(panel.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  CreateSettingsPages(panel.window, area, font, dpi, panel.controls);
  create(WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 282, 302, 100, 30, kButtonOk);
  create(WC_BUTTONW, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 392, 302, 100, 30, kButtonCancel);
  // Last in the Tab order, as in property sheets, and drawn under the pages.
  ::SetWindowPos(panel.tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ShowSettings(Panel& panel) {
  ShowSettingsInControls(panel.controls, panel.settings);
  UpdateJpgControls(panel);
  UpdateQualityText(panel);
  UpdateScalingControls(panel);
  UpdatePageOutputControls(panel);
  UpdateHeaderControls(panel);
  UpdateThumbSideControls(panel);
  // A list with files was probed (or not) with the thumbnail size and the
  // preprocessing of the time: both stay as they are until it is emptied.
  for (const int id : {kOptionThumb320, kOptionThumb480, kOptionThumb640, kCheckPreprocessing}) {
    Enable(panel, id, !panel.listHasFiles);
  }
  // Limits after the texts: a longer author or title kept in the settings
  // file is shown and kept whole; only typing is held to 60 characters.
  ::SendMessageW(Control(panel, kEntryWidth), EM_LIMITTEXT, 4, 0);
  ::SendMessageW(Control(panel, kEntryAuthor), EM_LIMITTEXT, 60, 0);
  ::SendMessageW(Control(panel, kEntryTitle), EM_LIMITTEXT, 60, 0);
}

}  // namespace

bool ShowSettingsPanel(HWND owner, Settings& settings, const FileList& list) {
  Panel panel(settings);
  panel.listHasFiles = !list.Items.empty();

  const std::wstring className =
      RegisterWindowClass(kWinSettings, SettingsWindowProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CLIPCHILDREN;
  // Sized for the owner's monitor, where it is centred.
  const int dpi = WindowDpi(owner);
  const SIZE frame = OuterSizeAtDpi(ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi), style,
                                    WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, dpi);
  win::UniqueWindow window(CheckCreated(
      ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, className.c_str(), L"Options", style, 0, 0,
                        frame.cx, frame.cy, owner, nullptr,
                        ::GetModuleHandleW(nullptr), nullptr),
      L"ShowSettingsPanel", kSettingsWindowFailed, kLineShowSettingsPanel));
  panel.window = window.get();
  ::SetPropW(panel.window, kPanelProperty, &panel);

  BuildControls(panel, dpi);
  ShowSettings(panel);
  CentreWindow(panel.window, owner, true);
  if (owner) ::EnableWindow(owner, FALSE);
  ShowCurrentPage(panel);  // once the window shows: only then can it take the focus

  RunModalLoop(panel);
  if (panel.closeBox) DrainWindowMessages(panel.window);

  // The owner first, so that the system hands the activation back to it.
  if (owner) ::EnableWindow(owner, TRUE);
  window.reset();
  return panel.accepted;
}
