#include "ui/refresh_pace.h"

#include <gtest/gtest.h>

TEST(RefreshPace, WaitsTheLongerOfTheMinimumAndFourTimesTheLastCost) {
  const struct {
    std::uint32_t start, end, notYet, due;
  } cases[] = {
      {1000, 1002, 1041, 1042},               // a cheap refresh: 40 ms after it ended
      {1000, 1030, 1149, 1150},               // 30 ms: 120 ms after it ended
      {0xFFFFFFF0u, 0xFFFFFFF5u, 0x1C, 0x1D},  // across the tick count's wrap
  };
  for (const auto& c : cases) {
    RefreshPace pace;
    EXPECT_TRUE(pace.Due(c.start));  // nothing shown yet
    pace.Refreshed(c.start, c.end);
    EXPECT_FALSE(pace.Due(c.notYet)) << c.start;
    EXPECT_TRUE(pace.Due(c.due)) << c.start;
  }
}
