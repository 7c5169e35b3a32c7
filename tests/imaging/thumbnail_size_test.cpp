#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/thumbnail_size.h"

namespace {

TEST(ThumbnailSizeTest, BoxEdgeFollowsThumbSize) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {{1, 320}, {2, 480}, {3, 640}, {0, 250}, {4, 250}, {-1, 250}};
  for (const auto& [setting, pixels] : cases) EXPECT_EQ(ThumbnailPixels(setting), pixels) << setting;
}

TEST(ThumbnailSizeTest, LargeImagesShrinkIntoTheBoxSmallOnesKeepTheirSize) {
  struct Case {
    std::int32_t width, height, box;
    ThumbnailDimensions expected;
  };
  const Case cases[] = {
      {4000, 1000, 480, {480, 120}},
      {1000, 4000, 480, {120, 480}},
      {300, 200, 480, {300, 200}},
      {480, 480, 480, {480, 480}},
      {481, 200, 480, {480, 200}},   // 199.58 rounds up
      {5000, 1, 250, {250, 1}},      // never thinner than one pixel
      {1000, 250, 500, {500, 125}},
      {1000, 5, 400, {400, 2}},      // 2.0 exactly
      {1000, 3, 500, {500, 2}},      // 1.5: half to even gives 2
      {1000, 5, 500, {500, 2}},      // 2.5: half to even gives 2
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReducedThumbnailSize(c.width, c.height, c.box), c.expected) << c.width << "x" << c.height;
  }
}

TEST(ThumbnailSizeTest, SquareImagesOfEverySizeFitTheBox) {
  // In single precision, side / (side / box) is a hair above box for about a
  // quarter of all sides (251 with a box of 250, for one).
  for (const std::int32_t box : {250, 320, 480, 640}) {
    for (std::int32_t side = box + 1; side < 12000; ++side) {
      const ThumbnailDimensions size = ReducedThumbnailSize(side, side, box);
      ASSERT_EQ(size, (ThumbnailDimensions{box, box})) << side << " in " << box;
    }
  }
}

}  // namespace

// Each target pixel is the rounded average of exactly the source pixels it
// covers, also when the sizes do not divide, and rows honour their strides.
TEST(ThumbnailSizeTest, ReductionAveragesTheCoveredPixels) {
  // 3 x 2 source, rows 12 bytes apart (3 padding bytes); channels differ.
  const unsigned char source[24] = {0,  10, 200, 30,  10, 200, 90,  10, 200, 7, 7, 7,
                                    60, 20, 100, 90, 20, 100, 255, 20, 100, 7, 7, 7};
  unsigned char target[2 * 8] = {};
  ReducePixels24(source, 3, 2, 12, target, 2, 1, 8);
  // Column 0 covers source column 0, column 1 covers columns 1 and 2.
  const unsigned char expected[6] = {30, 15, 150, 116, 15, 150};
  EXPECT_TRUE(std::equal(expected, expected + 6, target)) << int(target[0]) << " " << int(target[3]);
  unsigned char same[3 * 2 * 3] = {};
  ReducePixels24(source, 3, 2, 12, same, 3, 2, 9);
  for (int y = 0; y < 2; ++y) EXPECT_TRUE(std::equal(source + y * 12, source + y * 12 + 9, same + y * 9)) << y;
}
