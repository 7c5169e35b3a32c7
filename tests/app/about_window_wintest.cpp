// The About window: modal over the main window, its texts, and the way out.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/about_window.h"
#include "format/program_info.h"
#include "support/gui_harness_win.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

// What the test saw while the About window was open.
struct AboutView {
  HWND window = nullptr;
  bool mainEnabled = true;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring className;
  RECT rect{};
  RECT client{};
  std::vector<std::wstring> labels;
  std::vector<int> labelWidths;  // of each label's text in its own font
  std::vector<std::wstring> buttons;
  std::wstring screenshot;
};

// Waits for window 2, looks at it, then closes it with close (run from the
// timer, inside the About window's own loop).
TimerTask WatchAbout(AboutView& view, void (*close)(HWND), const wchar_t* shot) {
  return TimerTask([&view, close, shot] {
    const HWND about = FindThreadWindow(WindowClassName(kWinAbout).c_str());
    if (!about) return false;
    view.window = about;
    view.owner = ::GetWindow(about, GW_OWNER);
    view.mainEnabled = MainWindow() ? ::IsWindowEnabled(MainWindow()) != FALSE : true;
    view.caption = WindowText(about);
    view.className = ClassNameOf(about);
    view.rect = WindowRect(about);
    ::GetClientRect(about, &view.client);
    view.labels = ChildTexts(about, L"Static");
    view.buttons = ChildTexts(about, L"Button");
    for (HWND c = ::GetWindow(about, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
      if (ClassNameOf(c) != L"Static") continue;
      const HDC dc = ::GetDC(c);
      const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
      const std::wstring text = WindowText(c);
      SIZE size{};
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      ::SelectObject(dc, old);
      ::ReleaseDC(c, dc);
      view.labelWidths.push_back(size.cx);
    }
    ::RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const ScreenLock screen(about);
    view.screenshot = SaveScreenshot(nullptr, shot);
    close(about);
    return true;
  });
}

void PressGreat(HWND about) {
  for (HWND child = ::GetWindow(about, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (WindowText(child) == L"Great !") ::PostMessageW(child, BM_CLICK, 0, 0);
  }
}

void UseCloseBox(HWND about) { ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }

}  // namespace

TEST(AboutWindow, OpensModalOverTheMainWindowWithItsTexts) {
  TestWindow mainWindow{{100, 100, 700, 560}};
  ScopedMainWindow scope(mainWindow.get());
  AboutView view;
  const TimerTask watch = WatchAbout(view, PressGreat, L"about_over_main");
  ShowAbout();

  ASSERT_TRUE(watch.done()) << "the About window never showed";
  EXPECT_FALSE(view.mainEnabled);
  EXPECT_EQ(view.owner, mainWindow.get());
  EXPECT_EQ(view.caption, std::wstring(kProgramTitle) + L" (x86)");
  // The pattern a second instance looks for.
  EXPECT_EQ(view.className, L"WindowClass_2");
  EXPECT_EQ(view.client.right, 300);
  EXPECT_EQ(view.client.bottom, 300);
  const int width = view.rect.right - view.rect.left;
  const int height = view.rect.bottom - view.rect.top;
  EXPECT_EQ(view.rect.left, 100 + (600 - width) / 2);
  EXPECT_EQ(view.rect.top, 100 + (460 - height) / 2);
  ASSERT_EQ(view.labels.size(), 3u);
  EXPECT_EQ(view.labels[0], kProgramTitle);
  EXPECT_FALSE(view.labels[1].empty());
  EXPECT_EQ(view.labels[2].rfind(L"Free physical memory: ", 0), 0u);
  EXPECT_EQ(view.labels[2].back(), L'B') << "a byte size in KB to PB";
  for (const int width : view.labelWidths) EXPECT_LE(width, 280) << "a label does not fit its line";
  EXPECT_EQ(view.buttons, std::vector<std::wstring>{L"Great !"});

  // Closed, and the main window usable again.
  EXPECT_FALSE(::IsWindow(view.window));
  EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
}

TEST(AboutWindow, CloseBoxEndsItTooAndItWorksWithoutAMainWindow) {
  {
    TestWindow mainWindow{{100, 100, 700, 560}};
    ScopedMainWindow scope(mainWindow.get());
    AboutView view;
    const TimerTask watch = WatchAbout(view, UseCloseBox, L"about_close_box");
    ShowAbout();
    ASSERT_TRUE(watch.done());
    EXPECT_FALSE(::IsWindow(view.window));
    EXPECT_TRUE(::IsWindowEnabled(mainWindow.get()));
  }
  ScopedMainWindow none(nullptr);
  AboutView view;
  const TimerTask watch = WatchAbout(view, PressGreat, L"about_unowned");
  ShowAbout();
  ASSERT_TRUE(watch.done());
  EXPECT_EQ(view.owner, nullptr);
  EXPECT_FALSE(::IsWindow(view.window));
}
