#include "imaging/image_prep.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/file.h"

std::int32_t JpegQualityForLevel(std::int32_t level) {
  static constexpr std::int32_t kQuality[10] = {10, 20, 25, 30, 35, 50, 60, 75, 90, 100};
  return kQuality[std::clamp(level, 1, 10) - 1];
}

std::optional<PixelSize> ScaledSize(PixelSize source, const Settings& settings) {
  if (settings.ImageScaling >= 100 || source.width <= settings.ResizeOnlyIfWider) return std::nullopt;
  // A side of 0 pixels cannot be drawn: a narrow image at a small percentage
  // keeps one pixel rather than failing the build.
  const auto scale = [&](std::int32_t side) {
    const double scaled = std::trunc(side * (settings.ImageScaling / 100.0));
    return scaled < 1.0 ? 1 : static_cast<std::int32_t>(scaled);
  };
  return PixelSize{scale(source.width), scale(source.height)};
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& block) {
  try {
    if (platform::ReadFileBytes(path, block) && !block.empty()) return true;
  } catch (const std::bad_alloc&) {
  }
  std::vector<unsigned char>().swap(block);
  return false;
}
