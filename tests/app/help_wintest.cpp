// The help file as the program opens it: the compiled Quillon.chm beside the
// program, shown by the system's viewer (hhctrl.ocx). Where the viewer cannot
// show pages (Wine without a browser engine) the user is told so in a message
// box, at once: the program never waits on the viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/help_win.h"
#include "support/gui_harness_win.h"

using namespace testsupport;

namespace {

TEST(HelpFile, RealViewerShowsATopicOrSaysItCannot) {
#ifndef QUILLON_HELP_BUILT
  GTEST_SKIP() << "built without the help file";
#else
  ASSERT_NE(::GetFileAttributesW(HelpFilePath().c_str()), INVALID_FILE_ATTRIBUTES)
      << "the build puts Quillon.chm beside the tests";
  TestWindow owner{{100, 100, 700, 560}};
  ScopedMainWindow scope(owner.get());
  DialogAnswerer answers;
  answers.Press(IDOK).SaveScreenshots(L"help_real_viewer");
  const DWORD start = ::GetTickCount();
  ShowHelp(owner.get(), L"Tab2.html");
  const DWORD elapsed = ::GetTickCount() - start;
  PumpMessages();
  const HWND viewer = FindThreadWindow(L"HH Parent");
  const HMODULE engine = ::LoadLibraryW(L"mshtml.dll");
  if (engine) {
    ::FreeLibrary(engine);
    ASSERT_TRUE(viewer) << "the viewer did not open";
    SaveScreenshot(viewer, L"help_viewer");
    ::DestroyWindow(viewer);
    EXPECT_TRUE(answers.seen().empty());
  } else {
    // A viewer without pages would only puzzle the user.
    EXPECT_FALSE(viewer);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].text, kHelpFailedText);
    EXPECT_EQ(answers.seen()[0].owner, owner.get());
  }
  EXPECT_LT(elapsed, 10000u) << "the viewer kept the program waiting";
#endif
}

}  // namespace
