#pragma once
// The program's window 0 as CreateMainWindow opens it, for one test: closed
// at the end with the quit message it posts, its records emptied.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "support/gui_harness_win.h"
#include "ui/window_helpers.h"

// A child's rectangle in its parent's client coordinates.
inline RECT ChildRect(HWND child) {
  RECT r = testsupport::WindowRect(child);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class ProgramWindowTest : public ::testing::Test {
 protected:
  void Open() {
    testsupport::InitCommonControlsForTests();
    window = CreateMainWindow(settings, records);
    ASSERT_TRUE(window);
    testsupport::PumpMessages();
  }
  void TearDown() override {
    if (::IsWindow(window)) ::DestroyWindow(window);
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetMainWindow(nullptr);
    ClearFileList(records);
  }

  Settings settings;
  FileList records;
  HWND window = nullptr;
};
