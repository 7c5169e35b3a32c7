// The fatal report as the user sees it, and the program's orderly end after it.
#include <gtest/gtest.h>

#include <vector>

#include "format/program_info.h"
#include "support/gui_harness_win.h"
#include "ui/fatal_error.h"
#include "ui/window_helpers.h"

using namespace testsupport;

TEST(FatalReport, NonZeroResultsPassThroughWithoutAReport) {
  DialogAnswerer answers;
  const HWND window = ::GetDesktopWindow();
  EXPECT_EQ(CheckCreated(window, L"Main", L"Open window failed for #WIN_MAIN.", 3971), window);
  EXPECT_EQ(CheckCreated(7, L"Main", L"unused", 1), 7);
  PumpMessages();
  EXPECT_TRUE(answers.seen().empty());
}

TEST(FatalReport, ShowsTheReportOverTheMainWindowThenShutsDownAndEnds) {
  TestWindow mainWindow{{100, 100, 700, 500}};
  ScopedMainWindow scope(mainWindow.get());
  std::vector<int> order;
  const ShutdownAction first([&] { order.push_back(1); });
  const ShutdownAction second([&] { order.push_back(2); });
  CatchProgramEnd catcher;
  DialogAnswerer answers;
  answers.Press(IDOK).SaveScreenshots(L"fatal_report");

  std::uint32_t exitCode = 99;
  try {
    CheckCreated(HWND{}, L"Main", L"Open window failed for #WIN_MAIN.", 3971);
    ADD_FAILURE() << "CheckCreated returned after a failure";
  } catch (const ProgramEnded& ended) {
    exitCode = ended.exitCode;
  }
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(order, (std::vector<int>{2, 1}));  // newest registration first

  ASSERT_EQ(answers.seen().size(), 1u);
  const SeenDialog& box = answers.seen()[0];
  EXPECT_EQ(box.text, L"Fatal error in Main() on line 3971.\r\n\r\nOpen window failed for #WIN_MAIN.");
  EXPECT_EQ(box.caption, kProgramTitle);
  EXPECT_EQ(box.owner, mainWindow.get());
  EXPECT_EQ(box.icon, ::LoadIconW(nullptr, IDI_HAND));
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  const RECT owner = WindowRect(mainWindow.get());
  const int width = box.rect.right - box.rect.left;
  EXPECT_EQ(box.rect.left, owner.left + (owner.right - owner.left - width) / 2);
}

TEST(FatalReport, WithoutAMainWindowTheBoxHasNoOwner) {
  ScopedMainWindow scope(nullptr);
  CatchProgramEnd catcher;
  DialogAnswerer answers;
  answers.Press(IDOK);
  EXPECT_THROW(FatalError(L"", 12, L"FindElement() failed."), ProgramEnded);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].owner, nullptr);
  EXPECT_EQ(answers.seen()[0].text, L"Fatal error in main source on line 12.\r\n\r\nFindElement() failed.");
}
