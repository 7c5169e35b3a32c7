#include "imaging/thumbnail_size.h"

#include <algorithm>
#include <cmath>

std::int32_t ThumbnailPixels(std::int32_t thumbSize) {
  switch (thumbSize) {
    case 1:
      return 320;
    case 2:
      return 480;
    case 3:
      return 640;
    default:
      return 250;
  }
}

namespace {

std::int32_t RoundHalfToEven(float value) { return static_cast<std::int32_t>(std::nearbyint(value)); }

}  // namespace

ThumbnailDimensions ReducedThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t box) {
  if (width <= box && height <= box) return {width, height};
  const float m = static_cast<float>(box);
  float w = m;
  float h = static_cast<float>(height) / (static_cast<float>(width) / m);
  if (h > m) {
    h = m;
    w = static_cast<float>(width) / (static_cast<float>(height) / m);
  }
  // nearbyint rounds half to even in the default rounding mode; a side never
  // becomes 0, or there would be no bitmap to draw into.
  return {std::clamp(RoundHalfToEven(w), 1, box), std::clamp(RoundHalfToEven(h), 1, box)};
}
