// Window 1, "Options", driven as a user would: controls set from the
// settings, their enabling rules on each tab, the keyboard, OK with its
// follow-ups on the main window, and Cancel leaving everything as it was.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/help_win.h"
#include "app/main_window_win.h"
#include "app/settings_pages_win.h"
#include "app/settings_window_win.h"
#include "filelist/list_view_win.h"
#include "platform/text.h"
#include "settings/settings_file.h"
#include "support/gui_harness_win.h"
#include "support/temp_dir.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
  auto& search = *reinterpret_cast<ControlSearch*>(data);
  if (::GetDlgCtrlID(child) != search.id) return TRUE;
  search.found = child;
  return FALSE;
}

// Any control of the window, inside its pages too.
HWND FindControl(HWND window, int id) {
  ControlSearch search{id, nullptr};
  ::EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool Enabled(HWND window, int id) { return ::IsWindowEnabled(FindControl(window, id)) != FALSE; }
bool Checked(HWND window, int id) { return IsChecked(FindControl(window, id)); }
void Click(HWND window, int id) { ::SendMessageW(FindControl(window, id), BM_CLICK, 0, 0); }
std::wstring Text(HWND window, int id) { return WindowText(FindControl(window, id)); }

void Choose(HWND window, int comboId, int index) {
  const HWND combo = FindControl(window, comboId);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Slide(HWND window, int sliderId, int position) {
  const HWND slider = FindControl(window, sliderId);
  ::SendMessageW(slider, TBM_SETPOS, TRUE, position);
  ::SendMessageW(::GetParent(slider), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(slider));
}

// As a click on the tab does.
void ShowTab(HWND window, int tab) {
  ::SendMessageW(FindControl(window, kSettingsTabs), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
}

// Other test programs on the display may take the activation away; the
// window gets it back, and with it the focus it had.
int FocusId(HWND window) {
  ::SetActiveWindow(window);
  return ::GetDlgCtrlID(::GetFocus());
}

// A key as the window's loop receives it; control held down when asked.
void PressKey(HWND window, UINT key, bool control = false) {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  ::SetKeyboardState(keys);
  ::SetActiveWindow(window);
  ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
}

void ReleaseControl() {
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
}

// Runs one step per timer tick inside the settings window's own loop, each
// with the window; the last step is expected to close it.
class Steps {
 public:
  using Step = std::function<void(HWND)>;
  explicit Steps(std::vector<Step> steps)
      : steps_(std::move(steps)), task_([this] {
          const HWND window = FindThreadWindow(WindowClassName(kWinSettings).c_str());
          if (!window) return false;
          steps_[next_++](window);
          return next_ == steps_.size();
        }) {}
  bool done() const { return task_.done(); }

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  TimerTask task_;
};

class SettingsWindowTest : public ::testing::Test {
 protected:
  SettingsWindowTest()
      : mainWindow({100, 100, 700, 560}, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                   [this](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
                     if (message == kMessageShowThumbnail) thumbnailRequests.push_back(static_cast<int>(wParam));
                     return message == kMessageShowThumbnail;
                   }),
        scope(mainWindow.get()) {
    InitCommonControlsForTests();
  }
  void TearDown() override {
    SetThumbnailHooks({});
    ReleaseControl();
  }

  // The main window's menu, list and note label, with two files listed.
  void WithListAndMenu() {
    ::SetMenu(mainWindow.get(), BuildMainMenu());
    CreateMainWindowControls(mainWindow.get(), settings, list);
    for (const wchar_t* name : {L"a.jpg", L"b.jpg"}) {
      FileItem item;
      item.Id = list.ItemsAdded++;
      item.Name = name;
      item.Path = std::wstring(L"C:\\scans\\") + name;
      AddItemToList(list, std::move(item));
      AddItemRow(list.Items.back());
    }
    DrawAddedRows();
  }

  bool Run(std::vector<Steps::Step> steps) {
    Steps script(std::move(steps));
    const bool result = ShowSettingsPanel(mainWindow.get(), settings, list);
    EXPECT_TRUE(script.done()) << "the settings window never showed, or a step did not run";
    return result;
  }

  static void PressOk(HWND window) { Click(window, kButtonOk); }
  static void PressCancel(HWND window) { Click(window, kButtonCancel); }

  TestWindow mainWindow;
  ScopedMainWindow scope;
  Settings settings;
  FileList list;
  std::vector<int> thumbnailRequests;
};

TEST_F(SettingsWindowTest, OpensModalAndCentredWithItsTabsAndButtons) {
  struct {
    HWND owner = nullptr;
    bool mainEnabled = true;
    std::wstring caption, className;
    RECT rect{}, client{}, ok{}, cancel{};
    std::vector<std::wstring> tabs;
  } seen;
  HWND window = nullptr;
  const bool result = Run({[&](HWND w) {
    window = w;
    seen.owner = ::GetWindow(w, GW_OWNER);
    seen.mainEnabled = ::IsWindowEnabled(mainWindow.get()) != FALSE;
    seen.caption = WindowText(w);
    seen.className = ClassNameOf(w);
    seen.rect = WindowRect(w);
    ::GetClientRect(w, &seen.client);
    seen.ok = WindowRect(FindControl(w, kButtonOk));
    seen.cancel = WindowRect(FindControl(w, kButtonCancel));
    const HWND tabs = FindControl(w, kSettingsTabs);
    for (int i = 0; i < ::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0); ++i) {
      wchar_t text[64] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 64;
      ::SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      seen.tabs.push_back(text);
    }
    PressCancel(w);
  }});
  EXPECT_FALSE(result);
  EXPECT_EQ(seen.owner, mainWindow.get());
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_EQ(seen.caption, L"Options");
  EXPECT_EQ(seen.className, L"WindowClass_1");
  EXPECT_EQ(seen.client.right, 500);
  EXPECT_EQ(seen.client.bottom, 340);
  const int width = seen.rect.right - seen.rect.left;
  const int height = seen.rect.bottom - seen.rect.top;
  EXPECT_EQ(seen.rect.left, 100 + (600 - width) / 2);
  EXPECT_EQ(seen.rect.top, 100 + (460 - height) / 2);
  EXPECT_EQ(seen.tabs, (std::vector<std::wstring>{L" PDF Creation ", L"     Text     ", L"  Thumbnail  ",
                                                   L"   General    "}));
  for (const RECT& button : {seen.ok, seen.cancel}) {
    EXPECT_EQ(button.right - button.left, 100);
    EXPECT_EQ(button.bottom - button.top, 30);
  }
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

// Every caption fits its control (a box or a dot and its gap before the
// text), and each tab as the user sees it is kept as a screenshot.
TEST_F(SettingsWindowTest, EveryTabShowsItsCaptionsUnclipped) {
  settings.PaperFormat = 4;  // the longest paper entry
  settings.DisplayHeader = 1;
  const int box = ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
  static constexpr int kOnePerTab[] = {kCheckJpgCompression, kCheckHeader, kCheckThumbLocked, kCheckClearBeforeDrop};
  std::vector<Steps::Step> steps;
  for (int tab = 0; tab < 4; ++tab) {
    steps.push_back([tab](HWND w) { ShowTab(w, tab); });
    steps.push_back([tab, box](HWND w) {
      const HWND page = ::GetParent(FindControl(w, kOnePerTab[tab]));
      for (HWND c = ::GetWindow(page, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring cls = ClassNameOf(c);
        const std::wstring text = WindowText(c);
        if ((cls != L"Static" && cls != L"Button") || text.empty()) continue;
        const LONG style = ::GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK;
        const bool marked = cls == L"Button" && style != BS_GROUPBOX;
        const HDC dc = ::GetDC(c);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(c, dc);
        RECT r{};
        ::GetClientRect(c, &r);
        EXPECT_LE(size.cx + (marked ? box : 0), r.right) << "tab " << tab << ": \"" << platform::ToUtf8(text)
                                                         << "\" is cut off";
      }
      ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      const ScreenLock screen(w);
      SaveScreenshot(w, L"settings_tab" + std::to_wstring(tab));
    });
  }
  steps.push_back(PressCancel);
  Run(steps);
}

TEST_F(SettingsWindowTest, PdfCreationTabFollowsItsControls) {
  const bool result = Run({
      [](HWND w) {
        // Factory settings: JPG at 8, original size, Paperless.
        EXPECT_EQ(Text(w, kLabelQuality), L"High ( 8 )");
        EXPECT_EQ(Text(w, kLabelScaling), L"Original size");
        EXPECT_FALSE(Enabled(w, kEntryWidth));
        for (const int id : {kLabelOrientation, kOptionPortrait, kOptionLandscape, kCheckEnlarge, kCheckKeepAspect}) {
          EXPECT_FALSE(Enabled(w, id)) << id << " is not greyed for Paperless";
        }
        const HWND paper = FindControl(w, kComboPaper);
        wchar_t entry[64] = {};
        ::SendMessageW(paper, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(entry));
        EXPECT_STREQ(entry, L"US Letter (8.5\" x 11.0\")");

        Click(w, kCheckJpgCompression);
        for (const int id : {kLabelQualityCaption, kSliderQuality, kLabelQuality}) EXPECT_FALSE(Enabled(w, id));
        Click(w, kCheckJpgCompression);
        EXPECT_TRUE(Enabled(w, kSliderQuality));
        Slide(w, kSliderQuality, 5);
        EXPECT_EQ(Text(w, kLabelQuality), L"Medium ( 5 )");
        Slide(w, kSliderScaling, 50);
        EXPECT_EQ(Text(w, kLabelScaling), L"50 %");
        EXPECT_TRUE(Enabled(w, kEntryWidth));
        Slide(w, kSliderScaling, 100);
        EXPECT_FALSE(Enabled(w, kEntryWidth));
        Slide(w, kSliderScaling, 60);
        ::SetWindowTextW(FindControl(w, kEntryWidth), L"");

        // Back to paper: orientation and enlarging return, keeping the
        // ratio only once enlarging is checked.
        Choose(w, kComboPaper, 0);
        for (const int id : {kLabelOrientation, kOptionPortrait, kOptionLandscape, kCheckEnlarge}) {
          EXPECT_TRUE(Enabled(w, id)) << id;
        }
        EXPECT_FALSE(Enabled(w, kCheckKeepAspect));
        Click(w, kCheckEnlarge);
        EXPECT_TRUE(Enabled(w, kCheckKeepAspect));
        Choose(w, kComboPaper, 5);
        EXPECT_FALSE(Enabled(w, kCheckEnlarge));
        EXPECT_FALSE(Enabled(w, kCheckKeepAspect));
        Choose(w, kComboPaper, 1);
        EXPECT_TRUE(Enabled(w, kCheckKeepAspect));
        Click(w, kOptionLandscape);
        Choose(w, kComboStartup, 3);
      },
      PressOk,
  });
  EXPECT_TRUE(result);
  EXPECT_EQ(settings.JpgCompression, 1);
  EXPECT_EQ(settings.JpgQuality, 5);
  EXPECT_EQ(settings.ImageScaling, 60);
  EXPECT_EQ(settings.ResizeOnlyIfWider, 0) << "an empty width reads as 0";
  EXPECT_EQ(settings.PaperFormat, 2);
  EXPECT_EQ(settings.PaperOrientation, 2);
  EXPECT_EQ(settings.PdfStartup, 4);
  EXPECT_EQ(settings.EnlargeToFit, 1);
}

TEST_F(SettingsWindowTest, TextTabCaptionAndDocumentInfo) {
  const std::wstring longAuthor(70, L'a');  // longer than the entry takes from the keyboard
  settings.DocAuthor = longAuthor;
  const bool result = Run({
      [](HWND w) {
        EXPECT_EQ(Text(w, kCheckHeader), L"") << "captioned before its tab was shown";
        ShowTab(w, 1);
        EXPECT_EQ(Text(w, kCheckHeader), L" Show a text header on every page  ( ignored for \"Paperless\" )");
        for (const int id : {kComboFontSize, kComboContents, kComboPosition, kComboAlignment}) {
          EXPECT_FALSE(Enabled(w, id));
        }
        Click(w, kCheckHeader);
        for (const int id : {kComboFontSize, kComboContents, kComboPosition, kComboAlignment}) {
          EXPECT_TRUE(Enabled(w, id));
        }
        ShowTab(w, 0);
        Choose(w, kComboPaper, 0);
        ShowTab(w, 1);
        EXPECT_EQ(Text(w, kCheckHeader), L" Show a text header on every page");
        EXPECT_EQ(Text(w, kEntryAuthor), std::wstring(70, L'a'));
        const std::wstring typed(70, L't');
        ::SendMessageW(FindControl(w, kEntryTitle), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
        Choose(w, kComboFontSize, 4);
        Choose(w, kComboAlignment, 1);
        Click(w, kCheckSaveTitle);
      },
      PressOk,
  });
  EXPECT_TRUE(result);
  EXPECT_EQ(settings.DisplayHeader, 1);
  EXPECT_EQ(settings.HeaderFontSize, 12);
  EXPECT_EQ(settings.HeaderDisplayAlign, 2);
  EXPECT_EQ(settings.DocAuthor, longAuthor) << "an untouched stored author is kept whole";
  EXPECT_EQ(settings.DocTitle, std::wstring(60, L't')) << "typing stops at 60 characters";
  EXPECT_EQ(settings.SaveTitle, 1);
}

TEST_F(SettingsWindowTest, ThumbnailSizeAndPreprocessingWaitForAnEmptyList) {
  for (const bool withFiles : {false, true}) {
    SCOPED_TRACE(withFiles ? "files in the list" : "empty list");
    settings = Settings{};
    if (withFiles) WithListAndMenu();
    const bool result = Run({
        [withFiles](HWND w) {
          ShowTab(w, 2);
          for (const int id : {kOptionThumb320, kOptionThumb480, kOptionThumb640, kCheckPreprocessing}) {
            EXPECT_EQ(Enabled(w, id), !withFiles) << id;
          }
          EXPECT_TRUE(Checked(w, kOptionThumbRight));
          Click(w, kCheckThumbLocked);
          EXPECT_FALSE(Enabled(w, kOptionThumbLeft));
          EXPECT_FALSE(Enabled(w, kOptionThumbRight));
          Click(w, kCheckThumbLocked);
          Click(w, kOptionThumbLeft);
          Click(w, kOptionThumbWhite);
          if (!withFiles) Click(w, kOptionThumb640);
        },
        PressOk,
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(settings.ThumbSide, 1);
    EXPECT_EQ(settings.ThumbColor, 2);
    EXPECT_EQ(settings.ThumbSize, withFiles ? 2 : 3);
  }
}

TEST_F(SettingsWindowTest, GeneralTabListsItsNineteenBoxesInOrder) {
  const int order[] = {69, 71, 70, 77, 76, 68, 73, 72, 66, 67, 74, 78, 79, 80, 81, 82, 75, 88, 89};
  settings.SaveSameDirAsFiles = 0;
  settings.RememberLastDirectory = 1;
  const bool result = Run({
      [](HWND w) { ShowTab(w, 3); },
      [&order](HWND w) {
        EXPECT_EQ(FocusId(w), kCheckClearBeforeDrop) << "the tab starts on its first box";
        const HWND area = FindControl(w, kGeneralArea);
        const LONG style = ::GetWindowLongW(area, GWL_STYLE);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_FALSE(style & WS_HSCROLL);
        int y = 10;
        for (const int id : order) {
          RECT r = WindowRect(FindControl(w, id));
          ::MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&r), 2);
          EXPECT_EQ(r.left, 20) << id;
          EXPECT_EQ(r.top, y) << id;
          EXPECT_EQ(r.right - r.left, 400) << id;
          EXPECT_EQ(r.bottom - r.top, 20) << id;
          y += 25;
        }
        EXPECT_EQ(Text(w, 75), L" Enable high memory load warning");
        EXPECT_EQ(Text(w, kCheckAutoRotate), L" Turn photos upright (EXIF orientation)");
        EXPECT_TRUE(Checked(w, kCheckAutoRotate)) << "on by default";
        EXPECT_EQ(Text(w, kCheckTiffAllPages), L" Every page of multi-page TIFF files");
        EXPECT_TRUE(Checked(w, kCheckTiffAllPages)) << "on by default";
        // The last box, reached with the keyboard, scrolls into view.
        ::SetFocus(FindControl(w, kCheckTiffAllPages));
        RECT last = WindowRect(FindControl(w, kCheckTiffAllPages));
        RECT shown{};
        ::GetClientRect(area, &shown);
        ::MapWindowPoints(nullptr, area, reinterpret_cast<POINT*>(&last), 2);
        EXPECT_GE(last.top, 0);
        EXPECT_LE(last.bottom, shown.bottom);

        // Where the PDF goes: beside the images or where the last one went.
        Click(w, kCheckSameDirectory);
        EXPECT_FALSE(Checked(w, kCheckRememberDirectory));
        Click(w, kCheckRememberDirectory);
        EXPECT_FALSE(Checked(w, kCheckSameDirectory));
        Click(w, kCheckSameDirectory);
        Click(w, 74);
      },
      [](HWND w) { ::SetFocus(FindControl(w, kCheckTiffAllPages)); },
      [](HWND w) { SaveScreenshot(w, L"settings_general_end"); },
      PressOk,
  });
  EXPECT_TRUE(result);
  EXPECT_EQ(settings.SaveSameDirAsFiles, 1);
  EXPECT_EQ(settings.RememberLastDirectory, 0);
  EXPECT_EQ(settings.Confirmations, 0);
}

TEST_F(SettingsWindowTest, OkWithoutPreprocessingTurnsTheThumbnailOff) {
  ::SetMenu(mainWindow.get(), BuildMainMenu());
  const HMENU menu = ::GetMenu(mainWindow.get());
  ::CheckMenuItem(menu, 8, MF_BYCOMMAND | MF_CHECKED);
  settings.ShowThumbs = 1;
  int placed = 0;
  SetThumbnailHooks({nullptr, nullptr, [&placed] { ++placed; }});
  EXPECT_TRUE(Run({[](HWND w) { Click(w, kCheckPreprocessing); }, PressOk}));
  EXPECT_EQ(settings.Preprocessing, 0);
  EXPECT_EQ(settings.ShowThumbs, 0);
  const UINT state = ::GetMenuState(menu, 8, MF_BYCOMMAND);
  EXPECT_FALSE(state & MF_CHECKED);
  EXPECT_TRUE(state & MF_GRAYED);
  EXPECT_EQ(placed, 0);

  // Turned on again, the item is usable again (the thumbnail stays off).
  EXPECT_TRUE(Run({[](HWND w) { Click(w, kCheckPreprocessing); }, PressOk}));
  EXPECT_FALSE(::GetMenuState(menu, 8, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(SettingsWindowTest, OkRefreshesTheThumbnailTheRowsAndTheNote) {
  WithListAndMenu();
  SetCurrentRow(1);
  PumpMessages();
  thumbnailRequests.clear();
  settings.ShowThumbs = 1;
  int placed = 0;
  SetThumbnailHooks({nullptr, nullptr, [&placed] { ++placed; }});
  MessageSpy spy(MainControls().list);
  EXPECT_TRUE(Run({PressOk}));
  PumpMessages();
  EXPECT_EQ(thumbnailRequests, std::vector<int>{1}) << "the current row is drawn anew";
  EXPECT_EQ(placed, 1);
  EXPECT_EQ(spy.Count(LVM_DELETEALLITEMS), 0) << "nothing the rows show changed";

  EXPECT_TRUE(Run({[](HWND w) { Click(w, kCheckShowFullPath); }, PressOk}));
  EXPECT_EQ(spy.Count(LVM_DELETEALLITEMS), 1) << "the rows are rebuilt";
  EXPECT_EQ(WindowText(MainControls().noteLabel), L"");
  EXPECT_TRUE(Run({[](HWND w) { Click(w, kCheckJpgStoring); }, PressOk}));
  EXPECT_EQ(WindowText(MainControls().noteLabel), L"JPG storing is enabled");
}

// Changes on every tab, then Cancel, Escape or the close box: not one field
// moves (the file text shows them all when every condition to write them holds).
TEST_F(SettingsWindowTest, CancelEscapeAndTheCloseBoxLeaveEverySettingAsItWas) {
  settings.RememberWinPos = 1;
  settings.SaveAuthor = settings.SaveTitle = 1;
  settings.DocAuthor = L"Ann";
  settings.LastDirectory = L"C:\\";
  const std::string before = FormatSettingsFile(settings);
  const auto changeEverything = [](HWND w) {
    Click(w, kCheckJpgCompression);
    Slide(w, kSliderScaling, 20);
    Choose(w, kComboPaper, 0);
    Click(w, kOptionLandscape);
    Click(w, kCheckHeader);
    ::SetWindowTextW(FindControl(w, kEntryAuthor), L"Bob");
    Click(w, kOptionThumbWhite);
    Click(w, kCheckPreprocessing);
    Click(w, kCheckShowFullPath);
  };
  const std::vector<std::pair<const char*, Steps::Step>> ways = {
      {"Cancel", PressCancel},
      {"Escape", [](HWND w) { PressKey(w, VK_ESCAPE); }},
      {"close box", [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [name, close] : ways) {
    EXPECT_FALSE(Run({changeEverything, close})) << name;
    EXPECT_EQ(FormatSettingsFile(settings), before) << name;
  }
}

TEST_F(SettingsWindowTest, KeyboardMovesThroughTheTabAndBetweenTabs) {
  std::vector<int> visited;
  std::vector<Steps::Step> steps;
  // Factory settings: Paperless greys orientation and enlarging, and the
  // width entry waits for a scaling below 100.
  for (int i = 0; i < 8; ++i) {
    steps.push_back([&visited](HWND w) {
      visited.push_back(FocusId(w));
      PressKey(w, VK_TAB);
    });
  }
  std::vector<int> shownTabs;
  const auto recordTab = [&shownTabs](HWND w) {
    shownTabs.push_back(static_cast<int>(::SendMessageW(FindControl(w, kSettingsTabs), TCM_GETCURSEL, 0, 0)));
  };
  steps.push_back([](HWND w) { PressKey(w, VK_TAB, true); });
  steps.push_back([&](HWND w) {
    recordTab(w);
    PressKey(w, VK_TAB, true);
  });
  // The arrows choose within an option group.
  steps.push_back([&](HWND w) {
    recordTab(w);
    ::SetFocus(FindControl(w, kOptionThumbRight));
    PressKey(w, VK_LEFT);
  });
  bool leftChosen = false;
  const TestWindow elsewhere{{20, 20, 220, 120}};
  steps.push_back([&](HWND w) {
    leftChosen = Checked(w, kOptionThumbLeft) && !Checked(w, kOptionThumbRight) && FocusId(w) == kOptionThumbLeft;
    ::SetFocus(FindControl(w, kOptionThumbBlack));
    ::SetActiveWindow(elsewhere.get());
  });
  // Back from another window, the focus is where it was.
  int focusBack = 0;
  steps.push_back([&focusBack](HWND w) {
    focusBack = FocusId(w);
    PressKey(w, VK_RETURN);
  });
  EXPECT_TRUE(Run(steps)) << "Enter is OK";
  EXPECT_EQ(visited, (std::vector<int>{kCheckJpgCompression, kSliderQuality, kSliderScaling, kComboPaper,
                                       kComboStartup, kButtonOk, kButtonCancel, kSettingsTabs}));
  EXPECT_EQ(shownTabs, (std::vector<int>{1, 2}));
  EXPECT_TRUE(leftChosen);
  EXPECT_EQ(focusBack, kOptionThumbBlack);
  EXPECT_EQ(settings.ThumbSide, 1);
}

TEST_F(SettingsWindowTest, F1OpensTheHelpTopicOfTheShownTab) {
#ifndef QUILLON_HELP_BUILT
  GTEST_SKIP() << "built without the help file, which the viewer is only asked for when it is there";
#else
  std::vector<std::wstring> opened;
  const HelpViewer previous = SetHelpViewer([&opened](HWND, const std::wstring& target) {
    opened.push_back(target.substr(target.find(L"::/") + 3));
    return true;
  });
  Run({[](HWND w) { PressKey(w, VK_F1); }, [](HWND w) { ShowTab(w, 3); }, [](HWND w) { PressKey(w, VK_F1); },
       PressCancel});
  SetHelpViewer(previous);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"Tab1.html", L"Tab4.html"}));
#endif
}

// One control of each kind changed, OK, and the settings file written as
// the program writes it at exit.
TEST_F(SettingsWindowTest, ChoicesReachTheSettingsFile) {
  EXPECT_TRUE(Run({
      [](HWND w) {
        Slide(w, kSliderQuality, 10);                 // slider
        Choose(w, kComboPaper, 0);                    // combo
        Click(w, kOptionLandscape);                   // option
        Click(w, kCheckEnlarge);                      // check box
        Slide(w, kSliderScaling, 50);
        ::SetWindowTextW(FindControl(w, kEntryWidth), L"1200");  // digits entry
        ::SetWindowTextW(FindControl(w, kEntryAuthor), L"J\u00fcrgen \u00d6z");  // text entry
        Click(w, kCheckSaveAuthor);
        Click(w, kCheckJpgStoring);                   // a General box
        Click(w, kCheckAutoRotate);
        Click(w, kCheckTiffAllPages);
      },
      PressOk,
  }));
  const TempDir dir;
  const std::wstring file = dir.File(L"Quillon.ini");
  ASSERT_TRUE(SaveSettingsToFile(file, settings));
  const std::vector<unsigned char> bytes = ReadBytes(file);
  const std::string written(bytes.begin(), bytes.end());
  const std::string stars(80, '*');
  const std::string expected =
      "\xEF\xBB\xBF\r\n; " + stars + "\r\n; Configuration file for Quillon 1.0.52\r\n"
      "; You should not manually edit this file, unless you know what you are doing, but\r\n"
      "; you can safely delete it if you want to restore all settings to factory defaults.\r\n; " + stars + "\r\n"
      "[PDF creation]\r\nJpgCompression = 1\r\nJpgQuality = 10\r\nImageScaling = 50\r\nResizeOnlyIfWider = 1200\r\n"
      "EnlargeToFit = 1\r\nPaperOrientation = 2\r\nPaperFormat = 1\r\nPdfStartup = 1\r\nKeepAspect = 1\r\n"
      "DisplayHeader = 0\r\nHeaderFontSize = 10\r\nHeaderDisplayWhat = 1\r\nHeaderDisplayWhere = 1\r\n"
      "HeaderDisplayAlign = 1\r\nDocAuthor = J\xC3\xBCrgen \xC3\x96z\r\nSaveAuthor = 1\r\nSaveTitle = 0\r\n"
      "[Thumbnail]\r\nThumbLocked = 1\r\nThumbSide = 2\r\nThumbSize = 2\r\nThumbColor = 1\r\n"
      "[General]\r\nStayOnTop = 0\r\nRememberWinPos = 0\r\nShowThumbs = 0\r\nRememberLastDirectory = 1\r\n"
      "SaveSameDirAsFiles = 0\r\nClearBeforeDrop = 0\r\nShowOptions = 1\r\nShowFullPath = 0\r\nSortAfterDrop = 1\r\n"
      "OpenPdf = 0\r\nOpenDir = 1\r\nConfirmations = 1\r\nMemoryLoad = 1\r\nShowSizeCondensed = 1\r\n"
      "SortIncludingPath = 0\r\nPreprocessing = 1\r\nDocTitleFromFileName = 0\r\nDeleteLogIfSuccessful = 0\r\n"
      "EnableSubFolders = 0\r\nJpgNoRecompression = 1\r\nAutoRotate = 0\r\nTiffAllPages = 0\r\n";
  EXPECT_EQ(written, expected);
}

}  // namespace
