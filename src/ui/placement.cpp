#include "ui/placement.h"

ScreenPoint CentredPosition(const ScreenRect& owner, std::int32_t width, std::int32_t height,
                            ScreenPoint areaOrigin) {
  // 64-bit intermediates: a hostile rectangle must not overflow.
  const std::int64_t x = owner.left + (static_cast<std::int64_t>(owner.Width()) - width) / 2;
  const std::int64_t y = owner.top + (static_cast<std::int64_t>(owner.Height()) - height) / 2;
  auto clamp = [](std::int64_t v, std::int32_t low) {
    if (v < low) return low;
    return v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v);
  };
  return {clamp(x, areaOrigin.x), clamp(y, areaOrigin.y)};
}

std::int32_t ScaleToDpi(std::int32_t pixels, std::int32_t dpi) {
  if (dpi <= 0) dpi = kBaseDpi;  // a system that tells none
  const std::int64_t scaled = static_cast<std::int64_t>(pixels) * dpi;
  const std::int64_t rounded = (scaled >= 0 ? scaled + kBaseDpi / 2 : scaled - kBaseDpi / 2) / kBaseDpi;
  if (rounded > INT32_MAX) return INT32_MAX;
  if (rounded < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(rounded);
}

ScreenRect StatusTextRect(const ScreenRect& field, std::int32_t fieldIndex, std::int32_t dpi) {
  ScreenRect r = field;
  r.left += ScaleToDpi(fieldIndex == 0 ? 3 : 2, dpi);
  r.right -= ScaleToDpi(5, dpi);
  return r;
}

std::int32_t StatusFieldAt(std::span<const std::int32_t> rightEdges, std::int32_t x) {
  for (std::size_t i = 0; i < rightEdges.size(); ++i) {
    if (rightEdges[i] == -1 || rightEdges[i] > x) return static_cast<std::int32_t>(i);
  }
  return -1;
}
