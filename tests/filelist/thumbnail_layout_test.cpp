// The thumbnail window's arithmetic: the square's edge, and window
// coordinates that stay in range whatever the main window's place.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "filelist/thumbnail_layout.h"

namespace {

TEST(ThumbnailLayoutTest, EdgeFollowsThumbSize) {
  const std::int32_t cases[][2] = {{1, 320}, {2, 480}, {3, 640}, {0, 250}, {4, 250}, {-7, 250}};
  for (const auto& [thumbSize, edge] : cases) {
    Settings settings;
    settings.ThumbSize = thumbSize;
    EXPECT_EQ(ThumbnailPixels(settings), edge) << "ThumbSize " << thumbSize;
  }
}

TEST(ThumbnailLayoutTest, PositionsStayInRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(DockedThumbnailPosition({kMax, kMax, kMax, kMax}, 600, 480, 2).x, kMax);
  EXPECT_EQ(DockedThumbnailPosition({kMax, kMax, kMax, kMax}, 600, 480, 2).y, kMax);
  EXPECT_EQ(DockedThumbnailPosition({kMin, kMin, kMin, kMin}, 600, 480, 1).x, kMin);
  EXPECT_EQ(CentredThumbnailOrigin(kMin, kMax, 0).x, kMin + 1);  // the half truncates towards zero
  EXPECT_EQ(FirstFreeThumbnailPosition(kMin, 640).x, kMin);
  EXPECT_EQ(FirstFreeThumbnailPosition(1280, 480).x, 780);
}

}  // namespace
