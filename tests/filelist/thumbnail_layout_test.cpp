// Where the thumbnail window puts a bitmap on its square and itself beside
// the main window.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "filelist/thumbnail_layout.h"

namespace {

TEST(ThumbnailLayoutTest, EdgeFollowsThumbSize) {
  const struct {
    std::int32_t thumbSize;
    std::int32_t edge;
  } cases[] = {{1, 320}, {2, 480}, {3, 640}, {0, 250}, {4, 250}, {-7, 250}};
  for (const auto& c : cases) {
    Settings settings;
    settings.ThumbSize = c.thumbSize;
    EXPECT_EQ(ThumbnailPixels(settings), c.edge) << "ThumbSize " << c.thumbSize;
  }
}

TEST(ThumbnailLayoutTest, BitmapIsCentredWithTruncatingHalves) {
  const struct {
    std::int32_t edge, width, height, x, y;
  } cases[] = {
      {480, 480, 120, 0, 180},   // a wide thumbnail on the 480 square
      {480, 120, 480, 180, 0},
      {320, 300, 200, 10, 60},   // kept at its own size, smaller than the square
      {320, 301, 199, 9, 60},    // odd remainders truncate
      {480, 640, 160, -80, 160}, // made for a larger square before the size changed
      {480, 481, 10, 0, 235},    // -1 / 2 truncates towards zero
  };
  for (const auto& c : cases) {
    const ScreenPoint at = CentredThumbnailOrigin(c.edge, c.width, c.height);
    EXPECT_EQ(at.x, c.x) << c.edge << " " << c.width << "x" << c.height;
    EXPECT_EQ(at.y, c.y) << c.edge << " " << c.width << "x" << c.height;
  }
}

TEST(ThumbnailLayoutTest, DockedBesideTheMainWindowOneBelowItsTop) {
  const ScreenRect main{100, 50, 716, 508};  // frame; its client is 600 wide
  const struct {
    std::int32_t side, x, y;
  } cases[] = {{2, 100 + 600 + 2, 51}, {1, 100 - 480 - 2, 51}, {0, 100 - 480 - 2, 51}};
  for (const auto& c : cases) {
    const ScreenPoint at = DockedThumbnailPosition(main, 600, 480, c.side);
    EXPECT_EQ(at.x, c.x) << "side " << c.side;
    EXPECT_EQ(at.y, c.y) << "side " << c.side;
  }
  // Coordinates at the ends of the range stay in it.
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(DockedThumbnailPosition({max, max, max, max}, 600, 480, 2).x, max);
  EXPECT_EQ(DockedThumbnailPosition({min, min, min, min}, 600, 480, 1).x, min);
  EXPECT_EQ(DockedThumbnailPosition({0, max, 0, max}, 600, 480, 2).y, max);
}

TEST(ThumbnailLayoutTest, FirstFreePositionNearTheDesktopsTopRight) {
  EXPECT_EQ(FirstFreeThumbnailPosition(1280, 480).x, 1280 - 480 - 20);
  EXPECT_EQ(FirstFreeThumbnailPosition(1280, 480).y, 10);
  EXPECT_EQ(FirstFreeThumbnailPosition(640, 640).x, -20);
}

}  // namespace
