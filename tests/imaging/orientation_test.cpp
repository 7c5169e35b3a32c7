#include "imaging/orientation.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each row: the EXIF orientation, then what turns of 90, 180 and 270
// degrees clockwise make of it.
TEST(Orientation, ExifAndTurnMakeOneOrientation) {
  static constexpr int kTable[8][4] = {{1, 6, 3, 8}, {2, 7, 4, 5}, {3, 8, 1, 6}, {4, 5, 2, 7},
                                       {5, 2, 7, 4}, {6, 3, 8, 1}, {7, 4, 5, 2}, {8, 1, 6, 3}};
  for (const auto& row : kTable) {
    for (int quarter = 0; quarter < 4; ++quarter) {
      EXPECT_EQ(TurnedOrientation(row[0], quarter * 90), row[quarter]) << row[0] << " turned " << quarter * 90;
    }
    EXPECT_EQ(TurnedOrientation(row[0], -90), row[3]);  // a left turn is three right ones
    EXPECT_EQ(TurnedOrientation(row[0], 450), row[1]);
  }
  EXPECT_EQ(TurnedOrientation(0, 90), 6);  // no tag reads as upright
  EXPECT_EQ(NormalTurn(-270), 90);
}

// One letter a pixel (three equal bytes), rows top first.
std::string Orient(const std::string& picture, int width, int height, int orientation) {
  std::string from;
  for (const char c : picture) from.append(3, c);
  std::string to(from.size(), '?');
  const bool across = StepsOf(orientation).quarters % 2 == 1;
  OrientPixels24(reinterpret_cast<const unsigned char*>(from.data()), width, height, width * 3, orientation,
                 reinterpret_cast<unsigned char*>(to.data()), (across ? height : width) * 3);
  std::string shown;
  for (std::size_t i = 0; i < to.size(); i += 3) shown.push_back(to[i]);
  return shown;
}

TEST(Orientation, PixelsLieAsTheOrientationShowsThem) {
  // "abc" over "def", as a viewer honouring each orientation shows it.
  const char* kShown[9] = {"", "abcdef", "cbafed", "fedcba", "defabc", "adbecf", "daebfc", "fcebda", "cfbead"};
  for (int orientation = 1; orientation <= 8; ++orientation) {
    EXPECT_EQ(Orient("abcdef", 3, 2, orientation), kShown[orientation]) << orientation;
  }
  // The arithmetic and the pixels agree: each orientation turned right is
  // its picture turned right.
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string shown = kShown[orientation];
    const bool across = StepsOf(orientation).quarters % 2 == 1;
    EXPECT_EQ(Orient("abcdef", 3, 2, TurnedOrientation(orientation, 90)),
              Orient(shown, across ? 2 : 3, across ? 3 : 2, 6))
        << orientation;
  }
}

}  // namespace
