#include "ui/placement.h"

ScreenPoint CentredPosition(const ScreenRect& owner, std::int32_t width, std::int32_t height) {
  // 64-bit intermediates: a hostile rectangle must not overflow.
  const std::int64_t x = owner.left + (static_cast<std::int64_t>(owner.Width()) - width) / 2;
  const std::int64_t y = owner.top + (static_cast<std::int64_t>(owner.Height()) - height) / 2;
  auto clamp = [](std::int64_t v) {
    if (v < 0) return std::int32_t{0};
    return v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v);
  };
  return {clamp(x), clamp(y)};
}

ScreenRect StatusTextRect(const ScreenRect& field, std::int32_t fieldIndex) {
  ScreenRect r = field;
  r.left += fieldIndex == 0 ? 3 : 2;
  r.right -= 5;
  return r;
}

std::int32_t StatusFieldAt(std::span<const std::int32_t> rightEdges, std::int32_t x) {
  for (std::size_t i = 0; i < rightEdges.size(); ++i) {
    if (rightEdges[i] == -1 || rightEdges[i] > x) return static_cast<std::int32_t>(i);
  }
  return -1;
}
