#include "filelist/thumbnail_layout.h"

#include <limits>

#include "imaging/thumbnail_size.h"

namespace {

// Window coordinates come from the system and the settings file: a hostile
// value must not overflow on the way.
std::int32_t Clamp(std::int64_t v) {
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

}  // namespace

std::int32_t ThumbnailPixels(const Settings& settings) { return ThumbnailPixels(settings.ThumbSize); }

ScreenPoint CentredThumbnailOrigin(std::int32_t edge, std::int32_t width, std::int32_t height) {
  return {Clamp((static_cast<std::int64_t>(edge) - width) / 2),
          Clamp((static_cast<std::int64_t>(edge) - height) / 2)};
}

ScreenPoint DockedThumbnailPosition(const ScreenRect& mainFrame, std::int32_t mainClientWidth,
                                    std::int32_t thumbnailClientWidth, std::int32_t thumbSide) {
  const std::int64_t x = thumbSide == 2
                             ? static_cast<std::int64_t>(mainFrame.left) + mainClientWidth + 2
                             : static_cast<std::int64_t>(mainFrame.left) - thumbnailClientWidth - 2;
  return {Clamp(x), Clamp(static_cast<std::int64_t>(mainFrame.top) + 1)};
}

ScreenPoint FirstFreeThumbnailPosition(std::int32_t desktopWidth, std::int32_t edge) {
  return {Clamp(static_cast<std::int64_t>(desktopWidth) - edge - 20), 10};
}
