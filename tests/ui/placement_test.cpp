#include "ui/placement.h"

#include <gtest/gtest.h>

#include <array>

#include "ui/fatal_error.h"

TEST(FatalErrorText, NamesProcedureLineAndMessageWithOneEmptyLineBetween) {
  EXPECT_EQ(FatalErrorText(L"Main", 3971, L"Open window failed for #WIN_MAIN."),
            L"Fatal error in Main() on line 3971.\r\n\r\nOpen window failed for #WIN_MAIN.");
  EXPECT_EQ(FatalErrorText(L"ShowAbout", 2080, L"Open window failed For #WIN_ABOUT."),
            L"Fatal error in ShowAbout() on line 2080.\r\n\r\nOpen window failed For #WIN_ABOUT.");
}

TEST(FatalErrorText, EmptyProcedureIsTheMainSource) {
  const std::wstring text = FatalErrorText(L"", 7, L"FindElement() failed.");
  EXPECT_EQ(text, L"Fatal error in main source on line 7.\r\n\r\nFindElement() failed.");
  // Exactly one empty line, also when the message itself is empty.
  EXPECT_EQ(FatalErrorText(L"", 0, L""), L"Fatal error in main source on line 0.\r\n\r\n");
}

TEST(CentredPosition, HalvesTruncateTowardsZero) {
  // Odd difference: 101 / 2 = 50.
  ScreenPoint p = CentredPosition({100, 200, 401, 500}, 200, 100);
  EXPECT_EQ(p.x, 100 + 50);
  EXPECT_EQ(p.y, 200 + 100);
  // A window one pixel wider than its owner: -1 / 2 is 0, not -1 (an
  // arithmetic shift would move it left).
  p = CentredPosition({300, 300, 400, 400}, 101, 103);
  EXPECT_EQ(p.x, 300);
  EXPECT_EQ(p.y, 300 - 1);  // -3 / 2 = -1
}

TEST(CentredPosition, NeverStartsLeftOfOrAboveTheScreenOrigin) {
  // Owner partly off the left edge: the dialog would start at -150 + (500 - 300) / 2 = -50.
  ScreenPoint p = CentredPosition({-150, 100, 350, 400}, 300, 100);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 200);
  p = CentredPosition({10, -400, 110, -100}, 50, 100);
  EXPECT_EQ(p.x, 35);
  EXPECT_EQ(p.y, 0);
}

TEST(CentredPosition, StaysOnTheOwnersMonitorLeftOfOrAboveThePrimaryOne) {
  // Monitor work area from (-1280, -200): the dialog stays on it.
  const ScreenPoint origin{-1280, -200};
  struct Case {
    ScreenRect owner;
    ScreenPoint expected;
  } cases[] = {
      {{-1000, -100, -500, 200}, {-900, 0}},     // centred as it is
      {{-1430, -300, -930, 0}, {-1280, -200}},  // partly off its monitor's corner
  };
  for (const Case& c : cases) {
    const ScreenPoint p = CentredPosition(c.owner, 300, 100, origin);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
  }
}

TEST(CentredPosition, HostileRectanglesDoNotOverflow) {
  const ScreenPoint p = CentredPosition({INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX},
                                        -2000000000, -2000000000);
  EXPECT_EQ(p.x, INT32_MAX);
  EXPECT_EQ(p.y, INT32_MAX);
}

TEST(ScaleToDpi, KeepsEveryFigureAt96AndRoundsToTheNearestPixelElsewhere) {
  struct Case {
    std::int32_t pixels, dpi, scaled;
  } cases[] = {
      {600, 96, 600}, {15, 96, 15}, {-7, 96, -7},
      {15, 144, 23},  // 22.5: halves away from zero
      {-15, 144, -23}, {27, 120, 34}, {600, 192, 1200}, {5, 0, 5},  // no DPI told: as at 96
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleToDpi(c.pixels, c.dpi), c.scaled) << c.pixels << " at " << c.dpi;
  EXPECT_EQ(StatusTextRect({100, 2, 200, 22}, 0, 144).left, 105);  // 3 at 144 is 4.5, so 5
}

TEST(StatusTextRect, InsetsTwoOrThreeLeftAndFiveRight) {
  const ScreenRect field{100, 2, 200, 22};
  const ScreenRect first = StatusTextRect(field, 0);
  EXPECT_EQ(first.left, 103);
  EXPECT_EQ(first.right, 195);
  EXPECT_EQ(first.top, 2);
  EXPECT_EQ(first.bottom, 22);
  const ScreenRect other = StatusTextRect(field, 7);
  EXPECT_EQ(other.left, 102);
  EXPECT_EQ(other.right, 195);
}

TEST(StatusFieldAt, FirstFieldWhoseRightEdgeLiesRightOfTheCursor) {
  const std::array<std::int32_t, 3> edges{50, 120, -1};
  EXPECT_EQ(StatusFieldAt(edges, 0), 0);
  EXPECT_EQ(StatusFieldAt(edges, 49), 0);
  EXPECT_EQ(StatusFieldAt(edges, 50), 1);  // the edge itself belongs to the next field
  EXPECT_EQ(StatusFieldAt(edges, 119), 1);
  EXPECT_EQ(StatusFieldAt(edges, 5000), 2);  // -1: the last field reaches the end
  const std::array<std::int32_t, 2> closed{50, 120};
  EXPECT_EQ(StatusFieldAt(closed, 120), -1);
  EXPECT_EQ(StatusFieldAt({}, 3), -1);
}
