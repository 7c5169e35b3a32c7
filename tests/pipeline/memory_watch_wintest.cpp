// The memory watch against the real system (Wine here).
#include <gtest/gtest.h>

#include <windows.h>

#include "format/program_info.h"
#include "pipeline/memory_watch.h"
#include "support/gui_harness_win.h"

using namespace testsupport;

TEST(MemoryWatch, FreePhysicalMemoryIsMeasured) {
  std::int64_t bytes = -5;
  EXPECT_EQ(GetFreePhysicalMemory(bytes), 1);
  EXPECT_GT(bytes, 0);
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(::GlobalMemoryStatusEx(&status));
  EXPECT_LE(static_cast<std::uint64_t>(bytes), status.ullTotalPhys);
}

TEST(MemoryWatch, WorkingSetIsEmptied) {
  // Wine accepts any handle here, so the failure path cannot be seen.
  EXPECT_EQ(EmptyProcessWorkingSet(::GetCurrentProcess()), 1);
  TrimWorkingSet();
}

TEST(MemoryWatch, TheSystemVersionIsTheTrueOne) {
  const OsVersionRecord version = QueryOsVersion();
  ASSERT_TRUE(version.known);
  EXPECT_EQ(version.platformId, 2u);
  // Not the compatibility answer of GetVersionEx: RtlGetVersion, straight from ntdll.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const auto rtl = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_TRUE(rtl);
  OSVERSIONINFOEXW truth{};
  truth.dwOSVersionInfoSize = sizeof truth;
  ASSERT_EQ(rtl(&truth), 0);
  EXPECT_EQ(version.major, truth.dwMajorVersion);
  EXPECT_EQ(version.minor, truth.dwMinorVersion);
  EXPECT_EQ(version.build, truth.dwBuildNumber);
  EXPECT_GE(GetOsVersionCode(), kOsCodeWindowsXp);  // the program starts here
}

TEST(MemoryWatch, LowMemoryQuestionIsCentredOnTheMainWindowAndAnswered) {
  TestWindow mainWindow{{60, 80, 760, 580}};
  ScopedMainWindow scope(mainWindow.get());
  DialogAnswerer answers;
  answers.Press(IDCANCEL).Press(IDOK).SaveScreenshots(L"low_memory");
  EXPECT_EQ(AskLowMemory(), IDCANCEL);
  EXPECT_EQ(AskLowMemory(), IDOK);

  ASSERT_EQ(answers.seen().size(), 2u);
  const SeenDialog& box = answers.seen()[0];
  EXPECT_EQ(box.text,
            L"Physical memory is running low.\r\rYou are trying to create a PDF too big to fit in "
            L"the available physical memory        \rso the OS is swapping data to your hard disk "
            L"and using the virtual memory.\r\rYou can go on and let the OS do its hard work or "
            L"abort the current operation\rto restart it again with more aggressive compression "
            L"options.\r\r\rDo you want to continue with the current operation ?\r\r");
  EXPECT_EQ(box.caption, kProgramTitle);
  EXPECT_EQ(box.owner, mainWindow.get());
  EXPECT_EQ(box.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
  EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  const int width = box.rect.right - box.rect.left;
  const int height = box.rect.bottom - box.rect.top;
  EXPECT_EQ(box.rect.left, 60 + (700 - width) / 2);
  EXPECT_EQ(box.rect.top, 80 + (500 - height) / 2);
  // Each question is centred again: the second box was armed anew.
  EXPECT_EQ(answers.seen()[1].rect.left, box.rect.left);
}
