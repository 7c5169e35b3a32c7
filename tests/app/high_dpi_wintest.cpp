// The program's windows at 144 DPI (150 %): every figure given at 96 DPI is
// one and a half times as large, within a pixel. tests/app/high_dpi.sh runs
// these (and the settings window's caption test, with its screenshot of
// every tab) in a Wine prefix set to 144 DPI; at any other DPI they are skipped.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/main_window_win.h"
#include "app/program_window_win.h"
#include "app/settings_pages_win.h"
#include "app/settings_window_win.h"
#include "support/gui_harness_win.h"
#include "ui/dpi.h"
#include "ui/message_box.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

constexpr int kHighDpi = 144;

struct Figure {
  const char* what;
  long shown;
  int at96;
};

void ExpectScaled(const std::vector<Figure>& figures) {
  for (const Figure& f : figures) EXPECT_NEAR(f.shown, f.at96 * 3 / 2.0, 1.0) << f.what;
}

RECT ClientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}

class HighDpi : public ProgramWindowTest {
 protected:
  void SetUp() override {
    if (WindowDpi(nullptr) != kHighDpi) GTEST_SKIP() << "needs a prefix at 144 DPI (tests/app/high_dpi.sh)";
    Open();
  }
};

TEST_F(HighDpi, MainWindowAndItsMessageBoxes) {
  const MainWindowControls& c = MainControls();
  const RECT client = ClientRect(window);
  const MainWindowGeometry place = WindowGeometryOf(window);
  const RECT list = ChildRect(c.list);
  const RECT button = ChildRect(c.buildButton);
  const RECT note = ChildRect(c.noteLabel);
  LOGFONTW status{};
  ::GetObjectW(StatusFont(), sizeof status, &status);
  ExpectScaled({{"client width", client.right, 600},
                {"client height with the menu bar", place.height, 400},
                {"list left", list.left, 15},
                {"list top", list.top, 15},
                {"list margins", client.right - (list.right - list.left), 30},
                {"button left", button.left, 15},
                {"button below the list", button.top - list.bottom, 12},
                {"button width", button.right - button.left, 200},
                {"button height", button.bottom - button.top, 38},
                {"note width", note.right - note.left, 140},
                {"note height", note.bottom - note.top, 20},
                {"note from the right", client.right - note.left, 160},
                {"note from the bottom", client.bottom - note.top, 65},
                {"Resolution column", static_cast<long>(::SendMessageW(c.list, LVM_GETCOLUMNWIDTH, 1, 0)), 100},
                {"Size column", static_cast<long>(::SendMessageW(c.list, LVM_GETCOLUMNWIDTH, 2, 0)), 100},
                {"status font", -status.lfHeight, 11}});
  SaveScreenshot(window, L"high_dpi_main_window");

  DialogAnswerer answers;
  answers.Press(IDOK).SaveScreenshots(L"high_dpi_message");
  ShowCentredMessage(window, L"Unable to save settings on exit.", MB_OK | MB_ICONWARNING);
  ASSERT_EQ(answers.seen().size(), 1u);

  // It cannot be made smaller than 600 x 400 at 96 DPI.
  ::SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages();
  ExpectScaled({{"smallest width", ClientRect(window).right, 600},
                {"smallest height", WindowGeometryOf(window).height, 400}});
}

TEST_F(HighDpi, OptionsAndAboutWindows) {
  std::vector<Figure> figures;
  TimerTask options([&] {
    const HWND panel = FindThreadWindow(L"WindowClass_1");
    if (!panel) return false;
    const RECT ok = WindowRect(::GetDlgItem(panel, kButtonOk));
    figures = {{"Options client width", ClientRect(panel).right, 500},
               {"Options client height", ClientRect(panel).bottom, 340},
               {"OK width", ok.right - ok.left, 100},
               {"OK height", ok.bottom - ok.top, 30}};
    ::SendMessageW(::GetDlgItem(panel, kButtonCancel), BM_CLICK, 0, 0);
    return true;
  });
  EXPECT_FALSE(ShowSettingsPanel(window, settings, records));
  ExpectScaled(figures);

  TimerTask about([&] {
    const HWND shown = FindThreadWindow(L"WindowClass_2");
    if (!shown) return false;
    ExpectScaled({{"About client width", ClientRect(shown).right, 300},
                  {"About client height", ClientRect(shown).bottom, 300}});
    SaveScreenshot(shown, L"high_dpi_about");
    ::SendMessageW(::GetDlgItem(shown, IDOK), BM_CLICK, 0, 0);
    return true;
  });
  ShowAbout();
  EXPECT_TRUE(about.done());
}

}  // namespace
