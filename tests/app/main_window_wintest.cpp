// Window 0 as the program opens it: geometry, controls, menus, status
// fields, and the layout as the window changes size.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/program_window_win.h"
#include "app/status_texts.h"
#include "filelist/list_view_win.h"
#include "format/program_info.h"
#include "support/gui_harness_win.h"
#include "ui/dpi.h"
#include "ui/placement.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

SIZE ClientSize(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return {r.right, r.bottom};
}

// The height of the menu bar as the window shows it.
int MenuBarHeight(HWND window) {
  MENUBARINFO bar{};
  bar.cbSize = sizeof bar;
  if (!::GetMenuBarInfo(window, OBJID_MENU, 0, &bar)) return 0;
  return bar.rcBar.bottom - bar.rcBar.top;
}

// "id:text" per item, the text without its "&"; letters collects the
// marked letters, which must differ within one menu.
std::vector<std::wstring> MenuTexts(HMENU menu, std::wstring* letters = nullptr) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    std::wstring shown(text);
    if (const auto mark = shown.find(L'&'); mark != std::wstring::npos) {
      if (letters) letters->push_back(static_cast<wchar_t>(::towupper(shown[mark + 1])));
      shown.erase(mark, 1);
    }
    texts.push_back(std::to_wstring(static_cast<int>(::GetMenuItemID(menu, i))) + L":" + shown);
  }
  return texts;
}

bool AllDifferent(std::wstring letters) {
  std::sort(letters.begin(), letters.end());
  return std::adjacent_find(letters.begin(), letters.end()) == letters.end();
}

class MainWindowTest : public ProgramWindowTest {
 protected:
  // The layout's rules for the current client size.
  void ExpectLayout() {
    const SIZE client = ClientSize(window);
    const MainWindowControls& c = MainControls();
    const int statusHeight = WindowRect(c.statusBar).bottom - WindowRect(c.statusBar).top;
    const RECT list = ChildRect(c.list);
    EXPECT_EQ(list.left, 15);
    EXPECT_EQ(list.top, 15);
    EXPECT_EQ(list.right - list.left, client.cx - 30);
    const int listHeight = client.cy - statusHeight - 75;
    EXPECT_EQ(list.bottom - list.top, listHeight);
    const RECT button = ChildRect(c.buildButton);
    EXPECT_EQ(button.left, 15);
    EXPECT_EQ(button.top, listHeight + 27);  // 12 pixels under the list
    EXPECT_EQ(button.right - button.left, 200);
    EXPECT_EQ(button.bottom - button.top, 38);
    const RECT note = ChildRect(c.noteLabel);
    EXPECT_EQ(note.left, client.cx - 160);
    EXPECT_EQ(note.top, client.cy - 65);
    EXPECT_EQ(ChildRect(c.statusBar).bottom, client.cy);

    const bool scrollBar = (::GetWindowLongPtrW(c.list, GWL_STYLE) & WS_VSCROLL) != 0;
    const int first = client.cx - 30 - 200 - 4 * ::GetSystemMetrics(SM_CXBORDER) -
                      (scrollBar ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
    EXPECT_EQ(::SendMessageW(c.list, LVM_GETCOLUMNWIDTH, 0, 0), first);
    EXPECT_EQ(::SendMessageW(c.list, LVM_GETCOLUMNWIDTH, 1, 0), 100);
    EXPECT_EQ(::SendMessageW(c.list, LVM_GETCOLUMNWIDTH, 2, 0), 100);
  }
  // The client size with the menu bar counted in, as the settings keep it.
  void Resize(int clientWidth, int clientHeight) {
    RECT outer{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE, 0);
    ::SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    PumpMessages();
  }
};

TEST_F(MainWindowTest, OpensAtItsDefaultPlaceWithItsControlsAndMenus) {
  Open();
  EXPECT_EQ(MainWindow(), window);
  EXPECT_EQ(ClassNameOf(window), L"WindowClass_0");
  EXPECT_EQ(WindowText(window), kProgramTitle);
  EXPECT_EQ(WindowRect(window).left, 100);
  EXPECT_EQ(WindowRect(window).top, 100);
  // 600 x 400 with the menu bar: stored, shown and stored again, the window
  // never grows by a menu bar.
  EXPECT_EQ(WindowGeometryOf(window), (MainWindowGeometry{100, 100, 600, 400}));
  const SIZE client = ClientSize(window);
  EXPECT_EQ(client.cx, 600);
  ASSERT_GT(MenuBarHeight(window), 0);
  EXPECT_EQ(client.cy + MenuBarHeight(window), 400);
  EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CLIPCHILDREN);

  const MainWindowControls& c = MainControls();
  EXPECT_EQ(::GetDlgCtrlID(c.list), 0);
  EXPECT_EQ(::GetDlgCtrlID(c.buildButton), 1);
  EXPECT_EQ(::GetDlgCtrlID(c.statusBar), 2);
  EXPECT_EQ(::GetDlgCtrlID(c.noteLabel), 3);
  EXPECT_EQ(ClassNameOf(c.list), WC_LISTVIEWW);
  EXPECT_EQ(WindowText(c.buildButton), L"Build PDF");
  EXPECT_FALSE(::IsWindowEnabled(c.buildButton));  // nothing to build yet
  EXPECT_EQ(WindowText(c.noteLabel), L"");
  ExpectLayout();

  // Every menu and item has its letter, none twice in one menu.
  const HMENU bar = ::GetMenu(window);
  std::wstring letters[4];
  EXPECT_EQ(MenuTexts(bar, &letters[3]), (std::vector<std::wstring>{L"-1:Files", L"-1:Options", L"-1:Help"}));
  EXPECT_EQ(MenuTexts(::GetSubMenu(bar, 0), &letters[0]),
            (std::vector<std::wstring>{L"17:Add files...\tCtrl+O", L"18:Add folder...\tCtrl+Shift+O",
                                       L"19:Build PDF...\tCtrl+B", L"0:", L"1:Sort now", L"3:Select all",
                                       L"4:Deselect all", L"2:Clear", L"5:Quit"}));
  EXPECT_EQ(MenuTexts(::GetSubMenu(bar, 1), &letters[1]),
            (std::vector<std::wstring>{L"6:Stay on top", L"7:Remember window position", L"8:Show thumbnail", L"0:",
                                       L"9:More options ..."}));
  EXPECT_EQ(MenuTexts(::GetSubMenu(bar, 2), &letters[2]), (std::vector<std::wstring>{L"11:Help\tF1", L"10:About"}));
  for (const std::wstring& marked : {letters[0], letters[1], letters[2], letters[3]}) {
    EXPECT_TRUE(AllDifferent(marked)) << std::string(marked.begin(), marked.end());
  }
  EXPECT_EQ(letters[0].size() + letters[1].size() + letters[2].size() + letters[3].size(), 8u + 4 + 2 + 3);

  // The window cannot be made smaller than 600 x 400 client pixels.
  Resize(300, 200);
  EXPECT_EQ(WindowGeometryOf(window), (MainWindowGeometry{100, 100, 600, 400}));
}

TEST_F(MainWindowTest, StatusFieldsAreAsWideAsTheirSampleTexts) {
  Open();
  const HWND status = MainControls().statusBar;
  int rights[16] = {};
  ASSERT_EQ(::SendMessageW(status, SB_GETPARTS, 16, reinterpret_cast<LPARAM>(rights)), 8);
  EXPECT_EQ(rights[7], -1);
  const HDC dc = ::GetDC(status);
  const HGDIOBJ old = ::SelectObject(dc, StatusFont());
  int left = 0;
  for (int i = 0; i < kSettingsStatusFields; ++i) {
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, kStatusSampleTexts[i], static_cast<int>(std::wcslen(kStatusSampleTexts[i])), &extent);
    // The sample must fit the field's text rectangle with room to spare.
    const ScreenRect field{left, 0, rights[i], 20};
    EXPECT_EQ(StatusTextRect(field, i).Width(), extent.cx + 4) << "field " << i;
    left = rights[i];
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(status, dc);

  LOGFONTW font{};
  ::GetObjectW(StatusFont(), sizeof font, &font);
  const HDC screen = ::GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72));
  ::ReleaseDC(nullptr, screen);
}

TEST_F(MainWindowTest, RememberedPlaceAndLayoutAtEverySize) {
  settings.RememberWinPos = 1;
  settings.X = 140;
  settings.Y = 90;
  settings.W = 700;
  settings.H = 500;
  settings.JpgNoRecompression = 1;
  Open();
  EXPECT_EQ(WindowGeometryOf(window), (MainWindowGeometry{140, 90, 700, 500}));
  EXPECT_EQ(ClientSize(window).cy, 500 - MenuBarHeight(window));
  EXPECT_EQ(WindowText(MainControls().noteLabel), L"JPG storing is enabled");
  ExpectLayout();

  // Enough rows for a vertical scroll bar: the first column gives way to it.
  for (int i = 0; i < 60; ++i) {
    FileItem item;
    item.Id = i;
    item.Name = L"page" + std::to_wstring(i) + L".png";
    AddItemToList(records, std::move(item));
    AddItemRow(records.Items.back());
  }
  Resize(900, 640);
  ASSERT_TRUE(::GetWindowLongPtrW(MainControls().list, GWL_STYLE) & WS_VSCROLL);
  ExpectLayout();
  Resize(640, 420);
  ExpectLayout();
  // Landing on a monitor of another DPI (the same here): the place the
  // system suggests, and the layout anew.
  const RECT suggested{120, 80, 120 + WindowRect(window).right - WindowRect(window).left + 40, 80 + 560};
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(WindowRect(window).left, 120);
  EXPECT_EQ(WindowRect(window).bottom, 640);
  ExpectLayout();

  settings.JpgNoRecompression = 0;
  LayoutMainWindow();
  EXPECT_EQ(WindowText(MainControls().noteLabel), L"");
}

}  // namespace
