// The program's spine run in-process: Main with a settings file of the
// test's own, driven by posted commands, drops and answered dialogs until
// the user quits; then the settings file it left behind.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/help_win.h"
#include "app/main_loop_win.h"
#include "app/main_window_win.h"
#include "app/path_handoff.h"
#include "app/single_instance_win.h"
#include "filelist/gui_steps_win.h"
#include "filelist/list_view_win.h"
#include "filelist/thumbnail_win.h"
#include "format/program_info.h"
#include "imaging/gdiplus_win.h"
#include "platform/file.h"
#include "support/gui_harness_win.h"
#include "support/png_maker.h"
#include "support/temp_dir.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

// Steps run one after another from the event loops of the program; each
// returns true when it is done. When the script is not through in time the
// main window is destroyed, which ends Main, so that a test fails rather
// than hangs.
class Script {
 public:
  explicit Script(std::vector<std::function<bool()>> steps, int timeoutMs = 30000)
      : steps_(std::move(steps)), deadline_(::GetTickCount() + static_cast<DWORD>(timeoutMs)),
        task_([this] { return Step(); }, 0) {}
  bool finished() const { return next_ == steps_.size(); }
  std::size_t reached() const { return next_; }

 private:
  bool Step() {
    if (finished()) return true;
    if (static_cast<LONG>(::GetTickCount() - deadline_) > 0) {
      ADD_FAILURE() << "script stuck at step " << next_;
      if (MainWindow()) ::DestroyWindow(MainWindow());
      return true;
    }
    if (steps_[next_]()) ++next_;
    return finished();
  }
  std::vector<std::function<bool()>> steps_;
  std::size_t next_ = 0;
  DWORD deadline_;
  TimerTask task_;
};

// The main window once Main has opened it.
bool WindowOpen() { return MainWindow() && ::IsWindowVisible(MainWindow()); }

std::function<bool()> Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return [=] {
    if (!WindowOpen()) return false;
    ::PostMessageW(MainWindow(), message, wParam, lParam);
    return true;
  };
}
std::function<bool()> Command(int command) { return Post(WM_COMMAND, static_cast<WPARAM>(command)); }
std::function<bool()> Do(std::function<void()> action) {
  return [action] {
    if (!WindowOpen()) return false;
    action();
    return true;
  };
}
// Waits until the main window is enabled again (a modal run has ended).
std::function<bool()> Idle() {
  return [] { return WindowOpen() && ::IsWindowEnabled(MainWindow()); };
}

// A DROPFILES block as the shell hands it over, wide paths.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = {50, 50};
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  ::GlobalUnlock(memory);
  return memory;
}

std::function<bool()> DropFiles(std::vector<std::wstring> paths) {
  return [paths] {
    if (!WindowOpen() || !MainControls().list) return false;
    ::PostMessageW(MainControls().list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    return true;
  };
}

bool Checked(int command) {
  return (::GetMenuState(::GetMenu(MainWindow()), static_cast<UINT>(command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlsForTests();
    settingsPath = dir.File(L"Quillon.ini");
    SetShellOpener([this](const std::wstring& target) { opened.push_back(target); });
    SetSettingsPanel([this](Settings&, const FileList&) {
      ++panelShown;
      return panelAnswer;
    });
  }
  void TearDown() override {
    SetShellOpener(nullptr);
    SetSettingsPanel(nullptr);
    SetHelpViewer(nullptr);
  }
  void WriteSettings(const std::string& general) {
    WriteText(std::filesystem::path(settingsPath), "\xEF\xBB\xBF\r\n[General]\r\n" + general);
  }
  std::string SavedSettings() { return ReadText(std::filesystem::path(settingsPath)); }
  std::wstring Png(const std::wstring& name) {
    PngSpec shape{.width = 40, .height = 30, .colourType = 0, .pixels = std::vector<unsigned char>(1200, 0x40),
                 .palette = {}};
    const std::vector<unsigned char> png = MakePng(shape);
    WriteBytes(dir.path() / name, png.data(), png.size());
    return dir.File(name);
  }

  GdiplusSession gdiplus;
  TempDir dir;
  std::wstring settingsPath;
  std::vector<std::wstring> opened;
  int panelShown = 0;
  bool panelAnswer = true;
};

bool Contains(const std::string& text, const std::string& line) { return text.find(line + "\r\n") != std::string::npos; }

TEST_F(MainLoopTest, QuitAsksUnlessConfirmationsIsOffAndSavesTheSettings) {
  WriteSettings("RememberWinPos = 1\r\nX = 150\r\nY = 120\r\nW = 640\r\nH = 480\r\n");
  DialogAnswerer answers;
  answers.Press(IDNO).Press(IDYES).SaveScreenshots(L"quit_question");
  std::wstring caption;
  Script script({[&] {
                   if (!WindowOpen()) return false;
                   caption = WindowText(MainWindow());
                   return true;
                 },
                 Post(WM_CLOSE),  // answered No: the program goes on
                 Idle(), Command(kCommandQuit)});
  EXPECT_EQ(Main(settingsPath), 0);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(caption, kProgramTitle);
  ASSERT_EQ(answers.seen().size(), 2u);
  for (const SeenDialog& seen : answers.seen()) {
    EXPECT_EQ(seen.text, L"Do you really want to quit ?");
    EXPECT_EQ(seen.caption, kProgramTitle);
    EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
  }
  EXPECT_FALSE(MainWindow());
  const std::string saved = SavedSettings();
  EXPECT_EQ(saved.rfind("\xEF\xBB\xBF\r\n; ", 0), 0u);
  for (const char* line : {"X = 150", "Y = 120", "W = 640", "H = 480"}) EXPECT_TRUE(Contains(saved, line)) << line;

  // Confirmations 0: the close box ends the program at once.
  WriteSettings("Confirmations = 0\r\n");
  DialogAnswerer none;
  Script close({Post(WM_CLOSE)});
  EXPECT_EQ(Main(settingsPath), 0);
  EXPECT_TRUE(none.seen().empty());
}

TEST_F(MainLoopTest, MinimisedWindowSavesThePlaceItHadBeforeAndComesBackOnMessageOne) {
  WriteSettings("Confirmations = 0\r\nRememberWinPos = 1\r\nX = 150\r\nY = 120\r\nW = 640\r\nH = 480\r\n");
  bool restored = false, foundRunning = false;
  Script script({Do([] {
                   ::SetWindowPos(MainWindow(), nullptr, 210, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                 }),
                 Post(WM_SYSCOMMAND, SC_MINIMIZE),
                 [] { return ::IsIconic(MainWindow()) != FALSE; },
                 Do([&] {
                   // A second start takes this window for the running copy's and brings it back.
                   foundRunning = IsRunningInstanceWindow(MainWindow());
                   ::SendMessageW(MainWindow(), kMessageActivate, 0, 0);
                   restored = !::IsIconic(MainWindow());
                 }),
                 Post(WM_SYSCOMMAND, SC_MINIMIZE), [] { return ::IsIconic(MainWindow()) != FALSE; },
                 Command(kCommandQuit)});
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_TRUE(foundRunning);
  EXPECT_TRUE(restored);
  const std::string saved = SavedSettings();
  for (const char* line : {"X = 210", "Y = 140", "W = 640", "H = 480"}) EXPECT_TRUE(Contains(saved, line)) << line;
}

TEST_F(MainLoopTest, MaximisedStateComesBackOverTheNormalPlace) {
  struct Case {
    const char* maximizedAtStart;
    std::vector<WPARAM> commands;  // system commands, each waited for
    bool zoomedAtStart;
    const char* savedState;
  } cases[] = {
      {"1", {}, true, "Maximized = 1"},
      {"0", {SC_MAXIMIZE, SC_MINIMIZE}, false, "Maximized = 1"},  // minimised from maximised
      {"1", {SC_RESTORE}, true, "Maximized = 0"},
  };
  for (const Case& c : cases) {
    WriteSettings(std::string("Confirmations = 0\r\nRememberWinPos = 1\r\nX = 150\r\nY = 120\r\nW = 640\r\n"
                              "H = 480\r\nMaximized = ") + c.maximizedAtStart + "\r\n");
    bool zoomed = false;
    std::vector<std::function<bool()>> steps{Do([&] { zoomed = ::IsZoomed(MainWindow()) != FALSE; })};
    for (const WPARAM command : c.commands) {
      steps.push_back(Post(WM_SYSCOMMAND, command));
      steps.push_back([command] {
        return command == SC_MINIMIZE ? ::IsIconic(MainWindow()) != FALSE
                                      : (::IsZoomed(MainWindow()) != FALSE) == (command == SC_MAXIMIZE);
      });
    }
    steps.push_back(Command(kCommandQuit));
    Script script(steps);
    Main(settingsPath);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(zoomed, c.zoomedAtStart) << c.savedState;
    const std::string saved = SavedSettings();
    for (const char* line : {"X = 150", "Y = 120", "W = 640", "H = 480", c.savedState}) {
      EXPECT_TRUE(Contains(saved, line)) << line << " after " << c.commands.size() << " commands";
    }
  }
}

TEST_F(MainLoopTest, SettingsThatCannotBeSavedAreToldOnce) {
  settingsPath = dir.File(L"no such folder\\Quillon.ini");
  DialogAnswerer answers;
  answers.Press(IDYES).Press(IDOK).SaveScreenshots(L"settings_not_saved");
  Script script({Command(kCommandQuit)});
  EXPECT_EQ(Main(settingsPath), 0);
  ASSERT_EQ(answers.seen().size(), 2u);
  EXPECT_EQ(answers.seen()[1].text, L"Unable to save settings on exit.");
  EXPECT_EQ(answers.seen()[1].icon, ::LoadIconW(nullptr, IDI_WARNING));
  EXPECT_TRUE(answers.seen()[1].owner);
}

TEST_F(MainLoopTest, OptionsMenuTogglesItsFlagsAndTheSettingsWindowComesFromEveryWay) {
  WriteSettings("Confirmations = 0\r\n");
  bool topmost = false, checks = false, clearedAgain = false;
  Script script({Command(kCommandStayOnTop), Command(kCommandRememberPosition), Command(kCommandShowThumbnail),
                 Do([&] {
                   topmost = (::GetWindowLongPtrW(MainWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                   checks = Checked(kCommandStayOnTop) && Checked(kCommandRememberPosition) &&
                            Checked(kCommandShowThumbnail);
                 }),
                 Command(kCommandShowThumbnail),
                 Do([&] { clearedAgain = !Checked(kCommandShowThumbnail); }),
                 Command(kCommandMoreOptions), Idle(),
                 Do([] {
                   // A double click on the status bar.
                   const HWND status = MainControls().statusBar;
                   ::SendMessageW(status, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 5));
                   ::SendMessageW(status, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));  // a single click: nothing
                 }),
                 Command(kCommandQuit)});
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_TRUE(topmost);
  EXPECT_TRUE(checks);
  EXPECT_TRUE(clearedAgain);
  EXPECT_EQ(panelShown, 2);
  const std::string saved = SavedSettings();
  for (const char* line : {"StayOnTop = 1", "RememberWinPos = 1", "ShowThumbs = 0"}) {
    EXPECT_TRUE(Contains(saved, line)) << line;
  }
}

TEST_F(MainLoopTest, ShowThumbnailReachesTheThumbnailWindowThroughItsHooks) {
  WriteSettings("Confirmations = 0\r\n");
  std::vector<std::int32_t> shown;
  int closed = 0, placed = 0;
  int closedBefore = 0, placedWhileOn = 0, placedWhileOff = 0;
  const auto move = [](int x) {
    return Do([x] { ::SetWindowPos(MainWindow(), nullptr, x, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER); });
  };
  // Installed once the main window has put the real thumbnail window's hooks in place.
  Script script({Do([&] {
                   SetThumbnailHooks({[&] { ++closed; }, [&](std::int32_t row) { shown.push_back(row); },
                                      [&] { ++placed; }});
                 }),
                 DropFiles({Png(L"one.png")}), Idle(), Do([&] { shown.clear(); }), Command(kCommandShowThumbnail),
                 [&] { return !shown.empty(); }, move(130), Idle(), Do([&] {
                   placedWhileOn = placed;
                   closedBefore = closed;
                 }),
                 Command(kCommandShowThumbnail), Idle(), move(160), Idle(), Do([&] { placedWhileOff = placed; }),
                 Command(kCommandQuit)});
  Main(settingsPath);
  SetThumbnailHooks({});
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(shown, (std::vector<std::int32_t>{0}));  // the current row's
  EXPECT_GT(placedWhileOn, 0);                         // a docked window follows a move
  EXPECT_EQ(placedWhileOff, placedWhileOn);            // and only while it is shown
  EXPECT_GT(closed, closedBefore);                     // turning it off closes it
}

TEST_F(MainLoopTest, ThumbnailsStopWithMainBeforeItsCallerEndsGdiplus) {
  WriteSettings("Confirmations = 0\r\nShowThumbs = 1\r\nPreprocessing = 1\r\n");
  Script script({[] { return HeldThumbnailBytes() > 0; }, Command(kCommandQuit)});
  Main(settingsPath, JoinPaths({Png(L"a.png"), Png(L"b.png")}));
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(HeldThumbnailBytes(), 0) << "the cache outlived Main";
}

TEST_F(MainLoopTest, HelpTellsAMissingFileAndOtherwiseOpensTheViewer) {
  WriteSettings("Confirmations = 0\r\n");
  std::vector<std::wstring> viewed;
  SetHelpViewer([&](HWND, const std::wstring& target) {
    viewed.push_back(target);
    return true;
  });
  // The build puts the real help file beside the tests: it waits aside meanwhile.
  const std::wstring help = HelpFilePath();
  const std::wstring aside = help + L".aside";
  const bool built = platform::FileSize(help) >= 0;
  if (built) {
    ASSERT_TRUE(platform::ReplaceFileWith(help, aside));
  }
  DialogAnswerer answers;
  answers.Press(IDOK);
  Script script({Command(kCommandHelp), Idle(), Do([&] { WriteText(std::filesystem::path(help), "chm"); }),
                 Post(WM_KEYDOWN, VK_F1), Idle(), Command(kCommandQuit)});
  Main(settingsPath);
  platform::RemoveFile(help);
  if (built) {
    ASSERT_TRUE(platform::ReplaceFileWith(aside, help));
  }
  EXPECT_TRUE(script.finished());
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].text, kHelpMissingText);
  EXPECT_EQ(viewed, (std::vector<std::wstring>{help}));
}

TEST_F(MainLoopTest, DroppedFilesAreBuiltIntoAPdfThatIsThenOpened) {
  WriteSettings("Confirmations = 1\r\nShowOptions = 0\r\nOpenPdf = 1\r\nOpenDir = 1\r\nDocTitleFromFileName = 1\r\n"
                "RememberLastDirectory = 0\r\n");
  const std::wstring folder = dir.File(L"album");
  std::filesystem::create_directory(folder);
  for (const wchar_t* name : {L"b.png", L"a.png"}) {
    const std::wstring png = Png(name);
    std::filesystem::rename(png, std::filesystem::path(folder) / name);
  }
  const std::wstring existing = dir.File(L"old.pdf");
  WriteText(std::filesystem::path(existing), "keep me");
  const std::wstring pdf = dir.File(L"album.pdf");
  std::wstring suggested;
  DialogAnswerer answers;
  answers.TypeFileName(existing).Press(IDNO).TypeFileName(pdf).SaveScreenshots(L"build_dialogs");
  Script script({DropFiles({folder}), Idle(),
                 Do([&] {
                   suggested = CurrentMainState().suggestedName;
                   SaveScreenshot(MainWindow(), L"main_window_filled");
                   ::PostMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(MainControls().buildButton));
                 }),
                 [&] { return !opened.empty(); }, Command(kCommandQuit)},
                60000);
  // The quit question is the last dialog.
  answers.Press(IDYES);
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(suggested, L"album.pdf");
  ASSERT_GE(answers.seen().size(), 4u);
  EXPECT_EQ(answers.seen()[1].text, L"Do you want to overwrite the existing file ?");
  EXPECT_EQ(answers.seen()[1].icon, ::LoadIconW(nullptr, IDI_QUESTION));
  EXPECT_EQ(ReadText(std::filesystem::path(existing)), "keep me");
  EXPECT_GT(platform::FileSize(pdf), 0);
  EXPECT_EQ(opened, (std::vector<std::wstring>{pdf, dir.File(L"")}));
  EXPECT_EQ(panelShown, 0);
  EXPECT_TRUE(Contains(SavedSettings(), "DocTitleFromFileName = 1"));
}

TEST_F(MainLoopTest, CancelledSettingsWindowStopsTheBuild) {
  WriteSettings("Confirmations = 0\r\nShowOptions = 1\r\n");
  panelAnswer = false;
  DialogAnswerer answers;  // no file dialog may open
  Script script({DropFiles({Png(L"one.png")}), Idle(),
                 Do([] {
                   ::SendMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(MainControls().buildButton));
                 }),
                 Command(kCommandQuit)});
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(panelShown, 1);
  EXPECT_TRUE(answers.seen().empty());
}

TEST_F(MainLoopTest, DropArrivingWhileADropIsTakenInIsLeftAlone) {
  WriteSettings("Confirmations = 0\r\n");
  const auto first = DropFiles({Png(L"first.png")});
  const auto second = DropFiles({Png(L"second.png")});
  std::size_t rows = 0;
  Script script({[&] { return first() && second(); }, Idle(), Do([&] { rows = CurrentMainState().list->Items.size(); }),
                 Command(kCommandQuit)});
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(rows, 1u);
}

// The rows' file names, top to bottom.
std::vector<std::wstring> RowNames() {
  std::vector<std::wstring> names;
  for (const FileItem& item : CurrentMainState().list->Items) names.push_back(item.Name);
  return names;
}

// Real keys go to the window in front, and test programs running side by
// side open windows that take the front: true once window is there again.
// Asked at most every half second, so as not to take the front from the
// others over and over.
bool InFront(HWND window) {
  static DWORD asked = 0;
  if (::GetForegroundWindow() == window) return true;
  if (::GetTickCount() - asked > 500) {
    ::SetForegroundWindow(window);
    asked = ::GetTickCount();
  }
  return false;
}

// Real key presses to the main window, again every second until done() says
// they took effect: keys pressed just as another test program's window takes
// the front land there. Never while a modal window of the program is open.
std::function<bool()> KeysUntil(std::vector<WORD> keys, std::function<bool()> done) {
  return [keys = std::move(keys), done = std::move(done), sent = DWORD{0}]() mutable {
    if (!WindowOpen()) return false;
    if (done()) return true;
    if ((sent && ::GetTickCount() - sent < 1000) || !::IsWindowEnabled(MainWindow())) return false;
    if (!InFront(MainWindow())) return false;
    PressKeys(keys);
    sent = ::GetTickCount() | 1;
    return false;
  };
}

// Keys whose effect is that nothing happens: pressed once, done once the
// loops had time to take them.
std::function<bool()> Keys(std::initializer_list<WORD> chord) {
  return [keys = std::vector<WORD>(chord), sent = DWORD{0}]() mutable {
    if (!WindowOpen()) return false;
    if (sent == 0) {
      if (!InFront(MainWindow())) return false;
      PressKeys(keys);
      sent = ::GetTickCount() | 1;
      return false;
    }
    return ::GetTickCount() - sent > 150 && HIWORD(::GetQueueStatus(QS_KEY)) == 0;
  };
}

// A dialog of this thread (the program's file dialogs) once it is up.
HWND OpenDialog() { return FindThreadWindow(L"#32770"); }

TEST_F(MainLoopTest, KeyboardAloneMovesRowsReachesBuildPdfAndNeverClearsTheList) {
  WriteSettings("Confirmations = 0\r\nShowOptions = 0\r\nRememberLastDirectory = 0\r\n");
  const std::wstring pdf = dir.File(L"keys.pdf");
  const ScreenLock screen;  // no other test's keys or clicks meanwhile
  // The rows' first letters, the current row, the focused control's class.
  const auto look = [] {
    std::wstring rows;
    for (const std::wstring& name : RowNames()) rows += name[0];
    return rows + L" " + std::to_wstring(CurrentRow()) + L" " + ClassNameOf(::GetFocus());
  };
  const auto looks = [&](std::wstring expected) {
    return [&look, expected] { return InFront(MainWindow()) && look() == expected; };
  };
  std::wstring afterNothing;
  DialogAnswerer answers;  // Enter on the button, Ctrl+B, F5: the output-file dialog each time
  answers.Press(IDCANCEL).Press(IDCANCEL).TypeFileName(pdf);
  const auto dialogs = [&answers](std::size_t count) { return [&answers, count] { return answers.seen().size() >= count; }; };
  // The moved row stays current, down to the end and no further; Escape and
  // Enter on the list change nothing; Tab goes to "Build PDF" and back;
  // Shift+F10 opens the row's menu, T moves the row to the top.
  Script script({DropFiles({Png(L"a.png"), Png(L"b.png"), Png(L"c.png")}), Idle(),
                 KeysUntil({VK_MENU, VK_DOWN}, looks(L"bac 1 SysListView32")),
                 KeysUntil({VK_MENU, VK_DOWN}, looks(L"bca 2 SysListView32")), Keys({VK_MENU, VK_DOWN}),
                 Keys({VK_ESCAPE}), Keys({VK_RETURN}), [&] { return InFront(MainWindow()) && !(afterNothing = look()).empty(); },
                 KeysUntil({VK_MENU, VK_UP}, looks(L"bac 1 SysListView32")),
                 KeysUntil({VK_TAB}, looks(L"bac 1 Button")),
                 KeysUntil({VK_SHIFT, VK_TAB}, looks(L"bac 1 SysListView32")),
                 [&, sent = DWORD{0}]() mutable {
                   if (looks(L"abc 1 SysListView32")()) return true;
                   if ((sent && ::GetTickCount() - sent < 1000) || !InFront(MainWindow())) return false;
                   // With the row's menu open its letter picks the item; else the menu opens first.
                   PressKeys(FindThreadWindow(L"#32768") ? std::vector<WORD>{'T'}
                                                         : std::vector<WORD>{VK_SHIFT, VK_F10});
                   sent = ::GetTickCount() | 1;
                   return false;
                 },
                 KeysUntil({VK_TAB}, looks(L"abc 1 Button")), KeysUntil({VK_RETURN}, dialogs(1)), Idle(),
                 KeysUntil({VK_CONTROL, 'B'}, dialogs(2)), Idle(), KeysUntil({VK_F5}, dialogs(3)),
                 [&] { return platform::FileSize(pdf) > 0; }, Command(kCommandQuit)},
                60000);
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(afterNothing, L"bca 2 SysListView32");
  EXPECT_EQ(answers.seen().size(), 3u);
}

TEST_F(MainLoopTest, OpenDialogAndFolderPickerHandTheirChoiceToTheIntake) {
  const std::filesystem::path album = dir.path() / L"album";
  std::filesystem::create_directory(album);
  for (const wchar_t* name : {L"b.png", L"a.png"}) std::filesystem::rename(Png(name), album / name);
  WriteText(album / L"notes.txt", "not an image");
  WriteSettings("Confirmations = 0\r\nClearBeforeDrop = 1\r\nLastDirectory = " + album.string() + "\r\n");
  const ScreenLock screen;  // no other test's keys or clicks meanwhile
  std::vector<std::vector<std::wstring>> added;
  std::wstring suggested;
  int skippedShown = 0;
  std::vector<std::wstring> fileTypes;  // the file dialog's type box, as the user sees it
  const auto closeSkipped = [&] {
    const HWND skipped = FindThreadWindow(WindowClassName(kWinSkippedFiles).c_str());
    if (!skipped) return false;
    ++skippedShown;
    ::PostMessageW(skipped, WM_CLOSE, 0, 0);
    return true;
  };
  // Names typed as a user types them over whatever the name box holds, then
  // the dialog's button; typed again when the first typing went astray.
  const auto typeInDialog = [&fileTypes](std::wstring text, const wchar_t* shot) {
    return [text, shot, &fileTypes, sent = DWORD{0}]() mutable {
      const HWND dialog = OpenDialog();
      if (!dialog) return sent != 0;
      if ((sent && ::GetTickCount() - sent < 2000) || !InFront(dialog)) return false;
      if (!sent) SaveScreenshot(nullptr, shot);
      const HWND types = ::GetDlgItem(dialog, 0x470);  // cmb1, in the files dialog only
      const LRESULT count = fileTypes.empty() && types ? ::SendMessageW(types, CB_GETCOUNT, 0, 0) : 0;
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t item[1024] = {};
        if (::SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 1024) {
          ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        }
        fileTypes.emplace_back(item);
      }
      PressKeys({VK_END});
      PressKeys({VK_SHIFT, VK_HOME});
      TypeText(text);
      ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      sent = ::GetTickCount() | 1;
      return false;
    };
  };
  const auto note = Do([&] {
    added.push_back(RowNames());
    suggested = CurrentMainState().suggestedName;
  });
  Script script({KeysUntil({VK_CONTROL, 'O'}, [] { return OpenDialog() != nullptr; }),
                 typeInDialog(L"\"b.png\" \"notes.txt\" \"a.png\"", L"add_files"), closeSkipped, Idle(), note,
                 KeysUntil({VK_CONTROL, VK_SHIFT, 'O'}, [] { return OpenDialog() != nullptr; }),
                 typeInDialog(album.wstring(), L"add_folder"),
                 closeSkipped, Idle(), note, Command(kCommandQuit)},
                60000);
  Main(settingsPath);
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(skippedShown, 2);
  // The usual kinds first, then what else the machine's decoders read: TGA
  // through WIC here.
  ASSERT_EQ(fileTypes.size(), 2u);
  EXPECT_EQ(fileTypes[0].rfind(L"Images (*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.tif;*.tiff;", 0), 0u) << fileTypes[0];
  EXPECT_NE(fileTypes[0].find(L";*.tga"), std::wstring::npos) << fileTypes[0];
  EXPECT_EQ(fileTypes[0].back(), L')');
  EXPECT_EQ(fileTypes[1], L"All files (*.*)");
  const std::vector<std::wstring> sorted{L"a.png", L"b.png"};
  EXPECT_EQ(added, (std::vector<std::vector<std::wstring>>{sorted, sorted}));
  EXPECT_EQ(suggested, L"album.pdf");  // one folder on an emptied list names the PDF
}

TEST_F(MainLoopTest, PathsFromTheCommandLineAndAnotherStartArriveAsDrops) {
  WriteSettings("Confirmations = 0\r\n");
  const std::wstring unicode = Png(L"\u00e9t\u00e9 \u4e2d.png");
  const std::wstring text = JoinPaths({unicode});
  COPYDATASTRUCT data{kPathsCopyDataTag, static_cast<DWORD>(text.size() * 2), const_cast<wchar_t*>(text.data())};
  std::vector<std::wstring> paths;
  bool restored = false;
  LRESULT taken = FALSE;
  Script script({[&] { return WindowOpen() && CurrentMainState().list->Items.size() == 2; }, Idle(),
                 Post(WM_SYSCOMMAND, SC_MINIMIZE), [] { return ::IsIconic(MainWindow()) != FALSE; },
                 Do([&] {
                   taken = ::SendMessageW(MainWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
                   restored = !::IsIconic(MainWindow());
                 }),
                 [&] { return CurrentMainState().list->Items.size() == 3; }, Idle(), Do([&] {
                   for (const FileItem& item : CurrentMainState().list->Items) paths.push_back(item.Path);
                 }),
                 Command(kCommandQuit)});
  Main(settingsPath, JoinPaths({Png(L"b.png"), Png(L"a.png")}));
  EXPECT_TRUE(script.finished());
  EXPECT_EQ(taken, TRUE);
  EXPECT_TRUE(restored);  // the minimised window comes forward
  EXPECT_EQ(paths, (std::vector<std::wstring>{dir.File(L"a.png"), dir.File(L"b.png"), unicode}));
}

// Quillon.exe as this build made it (the tests' folder lies beside src).
std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return (std::filesystem::path(self).parent_path().parent_path() / L"src" / L"Quillon.exe").wstring();
}

// A real start of the program with paths on its command line; ended by its
// handle should it still run when the test is over.
class ProgramStart {
 public:
  ProgramStart(const std::wstring& program, const std::vector<std::wstring>& paths) {
    std::wstring line = L"\"" + program + L"\"";
    for (const std::wstring& path : paths) line += L" \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_));
  }
  ~ProgramStart() {
    if (!info_.hProcess) return;
    if (::WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) ::TerminateProcess(info_.hProcess, 99);
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }
  ProgramStart(const ProgramStart&) = delete;
  ProgramStart& operator=(const ProgramStart&) = delete;
  // Its exit code once it has ended.
  std::optional<DWORD> Ended() const {
    DWORD code = 0;
    if (!info_.hProcess || ::WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) return std::nullopt;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

// The tests that start the program itself take turns (ctest runs test
// programs side by side): a copy one of them starts would take another's
// window, or its single-instance mutex, for the running copy's.
class ProgramStartTurn {
 public:
  ProgramStartTurn() : mutex_(::CreateMutexW(nullptr, FALSE, L"Quillon tests: program starts")) {
    EXPECT_NE(::WaitForSingleObject(mutex_, 110000), WAIT_TIMEOUT) << "another test kept its turn";
  }
  ~ProgramStartTurn() {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
  ProgramStartTurn(const ProgramStartTurn&) = delete;
  ProgramStartTurn& operator=(const ProgramStartTurn&) = delete;

 private:
  HANDLE mutex_;
};

// A visible top-level window of another process, by its class.
struct ProcessWindowSearch {
  DWORD process;
  const std::wstring& className;
  HWND found = nullptr;
};
BOOL CALLBACK MatchProcessWindow(HWND candidate, LPARAM lParam) {
  auto* search = reinterpret_cast<ProcessWindowSearch*>(lParam);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(candidate, &owner);
  if (owner != search->process || ClassNameOf(candidate) != search->className || !::IsWindowVisible(candidate)) {
    return TRUE;
  }
  search->found = candidate;
  return FALSE;
}
HWND ProcessWindow(DWORD process, const std::wstring& className) {
  ProcessWindowSearch search{process, className};
  ::EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(MainLoopTest, SecondStartHandsItsFilesOverWhateverWindowIsInFront) {
  // On top, so that a second start finds this copy before another test's.
  WriteSettings("Confirmations = 1\r\nStayOnTop = 1\r\nShowOptions = 0\r\nSortAfterDrop = 0\r\n");
  const ProgramStartTurn turn;
  ClaimSingleInstance(SingleInstanceMutexName());  // this process is the running copy
  DialogAnswerer answers;
  WriteText(dir.path() / L"notes.txt", "not an image");
  const std::wstring gone = Png(L"gone.png");
  const auto window = [](std::int32_t number) {
    return [number] { return FindThreadWindow(WindowClassName(number).c_str()); };
  };
  // A message box once the answerer has seen (and left open) dialog number seen.
  const auto box = [&answers](std::size_t seen) {
    return [&answers, seen] { return answers.seen().size() >= seen ? FindThreadWindow(L"#32770") : nullptr; };
  };
  // Button 0 is none of a message box's: the box stays open until the case closes it.
  answers.Press(0).TypeFileName(dir.File(L"book.pdf")).Press(0).Press(IDYES);
  struct Case {
    const wchar_t* name;
    std::function<bool()> open;
    std::function<HWND()> inFront;
    UINT closeCommand;  // 0: WM_CLOSE
  } cases[] = {
      {L"about", Command(kCommandAbout), window(kWinAbout), 0},
      {L"skipped", DropFiles({dir.File(L"notes.txt"), Png(L"kept.png")}), window(kWinSkippedFiles), 0},
      // Yes: the program stays for the files handed over meanwhile.
      {L"quit question", Command(kCommandQuit), box(1), IDYES},
      {L"build", Do([&] {
         std::filesystem::remove(gone);  // its build ends with a message, still running
         ::PostMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                        reinterpret_cast<LPARAM>(MainControls().buildButton));
       }),
       box(3), IDOK},
  };
  std::vector<std::function<bool()>> steps{DropFiles({gone}), Idle()};
  std::vector<std::optional<DWORD>> exits(std::size(cases));
  std::vector<bool> arrived(std::size(cases));
  std::unique_ptr<ProgramStart> start;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const std::wstring handed = Png(std::wstring(c.name) + L".png");
    steps.push_back(c.open);
    steps.push_back([&, c, handed] {
      if (!c.inFront()) return false;
      start = std::make_unique<ProgramStart>(ProgramPath(), std::vector<std::wstring>{handed});
      return true;
    });
    steps.push_back([&, i] { return (exits[i] = start->Ended()).has_value(); });
    steps.push_back([&, c] {
      const HWND front = c.inFront();
      if (c.closeCommand) ::PostMessageW(front, WM_COMMAND, c.closeCommand, 0);
      else ::PostMessageW(front, WM_CLOSE, 0, 0);
      return true;
    });
    steps.push_back(Idle());
    steps.push_back([&, i, handed] {
      const std::vector<FileItem>& items = CurrentMainState().list->Items;
      arrived[i] = std::any_of(items.begin(), items.end(), [&](const FileItem& item) { return item.Path == handed; });
      return true;
    });
  }
  steps.push_back(Command(kCommandQuit));
  Script script(steps, 90000);
  Main(settingsPath);
  EXPECT_TRUE(script.finished()) << script.reached();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(exits[i], std::optional<DWORD>(0)) << cases[i].name;
    EXPECT_TRUE(arrived[i]) << cases[i].name;
  }
}

TEST(SecondStartTest, FilesNobodyTookAreToldInAMessageBox) {
  InitCommonControlsForTests();
  const ProgramStartTurn turn;
  ClaimSingleInstance(SingleInstanceMutexName());
  // The main window of a copy that takes no paths (no handler: it answers 0).
  Settings settings;
  settings.StayOnTop = 1;
  FileList list;
  const HWND window = CreateMainWindow(settings, list);
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const ProgramStart start(ProgramPath(), {L"C:\\photos\\one.png", L"C:\\photos\\two.png"});
  HWND box = nullptr;
  const bool told = gui_steps::WaitFor([&] { return (box = ProcessWindow(start.id(), L"#32770")) != nullptr; }, 30000);
  ASSERT_TRUE(told) << "no message box from the second start";
  EXPECT_EQ(WindowText(box), kProgramTitle);
  const std::wstring text = WindowText(::GetDlgItem(box, 0xFFFF));
  EXPECT_EQ(text, HandOffFailedText(L"C:\\photos\\one.png\nC:\\photos\\two.png\n"));
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(gui_steps::WaitFor([&] { return start.Ended().has_value(); }, 10000));
  EXPECT_EQ(start.Ended(), std::optional<DWORD>(0));
  ::DestroyWindow(window);
}

TEST(ProgramEndTest, QuittingWhileThumbnailsAreMadeEndsCleanlyEveryTime) {
  const ProgramStartTurn turn;  // no second-start test holds the single-instance mutex meanwhile
  TempDir dir;
  const std::wstring program = dir.File(L"Quillon.exe");
  ASSERT_TRUE(::CopyFileW(ProgramPath().c_str(), program.c_str(), FALSE));
  WriteText(dir.path() / L"Quillon.ini", "\xEF\xBB\xBF\r\n[General]\r\nConfirmations = 0\r\nShowThumbs = 1\r\n"
                                         "Preprocessing = 1\r\nThumbSize = 3\r\n");
  std::vector<std::wstring> photos;
  for (int i = 0; i < 6; ++i) {
    const std::wstring path = dir.File(L"photo" + std::to_wstring(i) + L".png");
    PngSpec shape{.width = 2400, .height = 1800, .colourType = 0,
                  .pixels = std::vector<unsigned char>(2400 * 1800, static_cast<unsigned char>(40 * i)), .palette = {}};
    const std::vector<unsigned char> png = MakePng(shape);
    WriteBytes(std::filesystem::path(path), png.data(), png.size());
    photos.push_back(path);
  }
  const std::wstring mutexName = SingleInstanceMutexName();
  for (int run = 0; run < 10; ++run) {
    // A copy that ran just before may still hold the mutex for a moment.
    EXPECT_TRUE(gui_steps::WaitFor([&] {
      const HANDLE held = ::OpenMutexW(SYNCHRONIZE, FALSE, mutexName.c_str());
      if (held) ::CloseHandle(held);
      return held == nullptr;
    }, 10000)) << "another copy runs";
    const ProgramStart start(program, photos);
    HWND main = nullptr;
    // The rows are in and the current one's picture is being made: the thumbnail window is open.
    const bool making = gui_steps::WaitFor([&] {
      main = ProcessWindow(start.id(), WindowClassName(kWinMain));
      return main && ProcessWindow(start.id(), WindowClassName(kWinThumbnail));
    }, 30000);
    ASSERT_TRUE(making) << "run " << run;
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(gui_steps::WaitFor([&] { return start.Ended().has_value(); }, 20000))
        << "run " << run << ": still running (a report or a crash dialog?)";
    EXPECT_EQ(start.Ended(), std::optional<DWORD>(0)) << "run " << run;
  }
}

TEST(CommandLinePathsTest, QuotedRelativeUnicodeAndManyPathsComeBackFullInOrder) {
  TempDir dir;
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(dir.File(L"").c_str()));
  std::wstring many = L"Quillon.exe";
  std::wstring expected;
  for (int i = 0; i < 300; ++i) {
    many += L" photo" + std::to_wstring(i) + L".jpg";
    expected += dir.File(L"photo" + std::to_wstring(i) + L".jpg") + L"\n";
  }
  const std::wstring quoted = CommandLinePaths(L"\"C:\\Program Files\\Quillon.exe\" \"a b.png\" C:\\x\\\u00e9\u4e2d.png \"\"");
  const std::wstring none = CommandLinePaths(L"Quillon.exe");
  const std::wstring all = CommandLinePaths(many.c_str());
  ::SetCurrentDirectoryW(previous);
  EXPECT_EQ(quoted, dir.File(L"a b.png") + L"\nC:\\x\\\u00e9\u4e2d.png\n");
  EXPECT_EQ(none, L"");
  EXPECT_EQ(all, expected);
}

TEST(SingleInstanceTest, SecondClaimOfTheMutexFails) {
  const std::wstring name = SingleInstanceMutexName() + L"_test_" + std::to_wstring(::GetCurrentProcessId());
  EXPECT_EQ(SingleInstanceMutexName(), std::wstring(L"pbmutex_single_instance_") + kProgramTitle);
  EXPECT_TRUE(ClaimSingleInstance(name));
  EXPECT_FALSE(ClaimSingleInstance(name));
}

}  // namespace
