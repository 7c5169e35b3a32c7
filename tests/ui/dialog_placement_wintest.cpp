// Placement of message boxes and other dialogs over their owner.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "format/program_info.h"
#include "support/gui_harness_win.h"
#include "ui/message_box.h"
#include "ui/window_helpers.h"

using namespace testsupport;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Where a window of the dialog's size sits when centred on owner.
POINT CentredOn(const RECT& owner, const RECT& dialog) {
  LONG x = owner.left + (Width(owner) - Width(dialog)) / 2;
  LONG y = owner.top + (Height(owner) - Height(dialog)) / 2;
  return {x < 0 ? 0 : x, y < 0 ? 0 : y};
}

}  // namespace

// An owner well off the screen's centre, so that centring on it and the
// system's own placement cannot be mistaken for one another.
class DialogPlacement : public ::testing::Test {
 protected:
  TestWindow owner{{40, 60, 540, 460}};
};

TEST_F(DialogPlacement, OneArmingPlacesExactlyOneMessageBox) {
  DialogAnswerer answers;
  answers.Press(IDOK).Press(IDOK);
  CentreNextDialog(owner.get());
  EXPECT_EQ(ShowMessage(owner.get(), L"first", MB_OK), IDOK);
  EXPECT_EQ(ShowMessage(owner.get(), L"second", MB_OK), IDOK);

  ASSERT_EQ(answers.seen().size(), 2u);
  const SeenDialog& first = answers.seen()[0];
  const SeenDialog& second = answers.seen()[1];
  EXPECT_EQ(first.text, L"first");
  EXPECT_EQ(first.caption, kProgramTitle);
  const POINT centred = CentredOn(WindowRect(owner.get()), first.rect);
  EXPECT_EQ(first.rect.left, centred.x);
  EXPECT_EQ(first.rect.top, centred.y);
  // The unarmed second box is where the system puts it.
  const POINT again = CentredOn(WindowRect(owner.get()), second.rect);
  EXPECT_FALSE(second.rect.left == again.x && second.rect.top == again.y)
      << "second box at " << second.rect.left << "," << second.rect.top;
}

TEST_F(DialogPlacement, BoxOverAnOwnerPartlyOffTheLeftEdgeStartsAtZero) {
  ::SetWindowPos(owner.get(), nullptr, -250, 300, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  DialogAnswerer answers;
  answers.Press(IDYES);
  EXPECT_EQ(ShowCentredMessage(owner.get(), L"Do you really want to quit ?",
                               MB_YESNO | MB_ICONQUESTION),
            IDYES);
  ASSERT_EQ(answers.seen().size(), 1u);
  const SeenDialog& box = answers.seen()[0];
  EXPECT_EQ(box.rect.left, 0);
  EXPECT_EQ(box.rect.top, 300 + (200 - Height(box.rect)) / 2);
  EXPECT_EQ(box.owner, owner.get());
  EXPECT_FALSE(box.ownerEnabled);  // modal over its owner
  EXPECT_EQ(box.buttons.size(), 2u);
}

TEST_F(DialogPlacement, ArmingAgainBeforeADialogReplacesTheOwner) {
  TestWindow other{{600, 500, 1000, 800}};
  DialogAnswerer answers;
  answers.Press(IDOK);
  CentreNextDialog(owner.get());
  CentreNextDialog(other.get());
  ShowMessage(owner.get(), L"placed on the other window", MB_OK);
  ASSERT_EQ(answers.seen().size(), 1u);
  const POINT centred = CentredOn(WindowRect(other.get()), answers.seen()[0].rect);
  EXPECT_EQ(answers.seen()[0].rect.left, centred.x);
  EXPECT_EQ(answers.seen()[0].rect.top, centred.y);
}

TEST_F(DialogPlacement, UnownedBoxWhenThereIsNoOwner) {
  DialogAnswerer answers;
  answers.Press(IDOK);
  ShowCentredMessage(nullptr, L"no owner", MB_OK | MB_ICONERROR);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].owner, nullptr);
}

TEST_F(DialogPlacement, SaveFileDialogIsCentredAndAnsweredWithAFileName) {
  DialogAnswerer answers;
  answers.TypeFileName(L"Z:\\tmp\\quillon-placement-test");
  wchar_t path[MAX_PATH] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner.get();
  dialog.lpstrFilter = L"PDF\0*.pdf\0";
  dialog.lpstrDefExt = L"pdf";
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST;
  CentreNextDialog(owner.get());
  ASSERT_TRUE(::GetSaveFileNameW(&dialog));
  EXPECT_STREQ(path, L"Z:\\tmp\\quillon-placement-test.pdf");
  ASSERT_EQ(answers.seen().size(), 1u);
  const POINT centred = CentredOn(WindowRect(owner.get()), answers.seen()[0].rect);
  EXPECT_EQ(answers.seen()[0].rect.left, centred.x);
  EXPECT_EQ(answers.seen()[0].rect.top, centred.y);
}

TEST_F(DialogPlacement, InputRequesterWindowsArePlacedLikeDialogs) {
  // The class name is compared without regard to case.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"InputRequester";
  ::RegisterClassW(&wc);
  CentreNextDialog(owner.get());
  const HWND prompt = ::CreateWindowExW(0, L"InputRequester", L"prompt", WS_POPUP | WS_CAPTION,
                                        900, 700, 200, 100, owner.get(), nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(prompt);
  ::ShowWindow(prompt, SW_SHOWNA);
  PumpMessages();
  const RECT placed = WindowRect(prompt);
  const POINT centred = CentredOn(WindowRect(owner.get()), placed);
  EXPECT_EQ(placed.left, centred.x);
  EXPECT_EQ(placed.top, centred.y);
  ::DestroyWindow(prompt);
  // Its window procedure was put back: nothing is left that could place another.
  DialogAnswerer answers;
  answers.Press(IDOK);
  ShowMessage(owner.get(), L"after", MB_OK);
  const POINT again = CentredOn(WindowRect(owner.get()), answers.seen().at(0).rect);
  EXPECT_FALSE(answers.seen()[0].rect.left == again.x && answers.seen()[0].rect.top == again.y);
}

TEST_F(DialogPlacement, CentreWindowCentresOnTheOwnerAndShowsOnRequest) {
  TestWindow child{{0, 0, 201, 101}, WS_POPUP | WS_CAPTION};
  CentreWindow(child.get(), owner.get(), false);
  RECT r = WindowRect(child.get());
  EXPECT_EQ(r.left, 40 + (500 - 201) / 2);
  EXPECT_EQ(r.top, 60 + (400 - 101) / 2);
  EXPECT_EQ(Width(r), 201);
  EXPECT_FALSE(::IsWindowVisible(child.get()));
  CentreWindow(child.get(), owner.get(), true);
  EXPECT_TRUE(::IsWindowVisible(child.get()));

  ::SetWindowPos(owner.get(), nullptr, -400, -300, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  CentreWindow(child.get(), owner.get(), false);
  r = WindowRect(child.get());
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
}
