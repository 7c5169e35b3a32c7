#include "imaging/orientation.h"

#include <cstring>
#include <utility>

namespace {

// Indexed by orientation: 2 and 4 are the two mirrors, 5 and 7 mirrored
// quarter turns (5 the transposed picture, 7 the transverse one).
constexpr OrientationSteps kSteps[9] = {{false, 0}, {false, 0}, {true, 0}, {false, 2}, {true, 2},
                                        {true, 3},  {false, 1}, {true, 1}, {false, 3}};

}  // namespace

std::int32_t NormalTurn(std::int32_t degrees) {
  const std::int32_t quarters = ((degrees / 90) % 4 + 4) % 4;
  return quarters * 90;
}

OrientationSteps StepsOf(std::int32_t orientation) {
  return orientation >= 1 && orientation <= 8 ? kSteps[orientation] : kSteps[1];
}

std::int32_t OrientationOfSteps(OrientationSteps steps) {
  const std::int32_t quarters = ((steps.quarters % 4) + 4) % 4;
  for (std::int32_t orientation = 1; orientation <= 8; ++orientation) {
    if (kSteps[orientation].mirrored == steps.mirrored && kSteps[orientation].quarters == quarters) return orientation;
  }
  return 1;
}

std::int32_t TurnedOrientation(std::int32_t orientation, std::int32_t turn) {
  OrientationSteps steps = StepsOf(orientation);
  // The user turns the picture as it is shown: the turn comes after the
  // orientation's own steps, and a mirror stays a mirror of the stored picture.
  steps.quarters += NormalTurn(turn) / 90;
  return OrientationOfSteps(steps);
}

void OrientPixels24(const unsigned char* from, std::int32_t width, std::int32_t height, std::ptrdiff_t fromStride,
                    std::int32_t orientation, unsigned char* to, std::ptrdiff_t toStride) {
  const OrientationSteps steps = StepsOf(orientation);
  const bool across = steps.quarters % 2 == 1;
  const std::int32_t shownWidth = across ? height : width;
  const std::int32_t shownHeight = across ? width : height;
  for (std::int32_t y = 0; y < shownHeight; ++y) {
    unsigned char* row = to + y * toStride;
    for (std::int32_t x = 0; x < shownWidth; ++x) {
      // Undo the quarter turns one by one (each clockwise turn sent (sx, sy)
      // of a w x h picture to (h - 1 - sy, sx)), then the mirror.
      std::int32_t sx = x, sy = y, w = shownWidth, h = shownHeight;
      for (std::int32_t q = 0; q < steps.quarters; ++q) {
        const std::int32_t nx = sy, ny = w - 1 - sx;
        sx = nx;
        sy = ny;
        std::swap(w, h);
      }
      if (steps.mirrored) sx = width - 1 - sx;
      std::memcpy(row + static_cast<std::ptrdiff_t>(x) * 3, from + sy * fromStride + static_cast<std::ptrdiff_t>(sx) * 3, 3);
    }
  }
}
