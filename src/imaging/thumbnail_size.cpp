#include "imaging/thumbnail_size.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

void ReducePixels24(const unsigned char* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                    std::ptrdiff_t sourceStride, unsigned char* target, std::int32_t width, std::int32_t height,
                    std::ptrdiff_t targetStride) {
  if (width <= 0 || height <= 0 || width > sourceWidth || height > sourceHeight) return;
  // Where target column or row i begins in the source; the last entry is the source's edge.
  const auto edges = [](std::int32_t from, std::int32_t to) {
    std::vector<std::int32_t> starts(static_cast<std::size_t>(to) + 1);
    for (std::int32_t i = 0; i <= to; ++i) {
      starts[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(std::int64_t{i} * from / to);
    }
    return starts;
  };
  const std::vector<std::int32_t> columns = edges(sourceWidth, width);
  const std::vector<std::int32_t> rows = edges(sourceHeight, height);
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(width) * 3);
  for (std::int32_t y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::int32_t rowBegin = rows[static_cast<std::size_t>(y)];
    const std::int32_t rowEnd = rows[static_cast<std::size_t>(y) + 1];
    for (std::int32_t sy = rowBegin; sy < rowEnd; ++sy) {
      const unsigned char* line = source + sy * sourceStride;
      for (std::int32_t x = 0; x < width; ++x) {
        std::uint64_t* sum = &sums[static_cast<std::size_t>(x) * 3];
        for (std::int32_t sx = columns[static_cast<std::size_t>(x)]; sx < columns[static_cast<std::size_t>(x) + 1];
             ++sx) {
          const unsigned char* pixel = line + static_cast<std::ptrdiff_t>(sx) * 3;
          sum[0] += pixel[0];
          sum[1] += pixel[1];
          sum[2] += pixel[2];
        }
      }
    }
    unsigned char* out = target + y * targetStride;
    for (std::int32_t x = 0; x < width; ++x) {
      const auto count = static_cast<std::uint64_t>(
          (columns[static_cast<std::size_t>(x) + 1] - columns[static_cast<std::size_t>(x)]) * (rowEnd - rowBegin));
      for (std::size_t c = 0; c < 3; ++c) {
        out[static_cast<std::size_t>(x) * 3 + c] =
            static_cast<unsigned char>((sums[static_cast<std::size_t>(x) * 3 + c] + count / 2) / count);
      }
    }
  }
}
