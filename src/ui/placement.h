#pragma once
// Arithmetic of window placement and of the status-bar fields, kept apart from
// the window code so that it can be checked without a display.
#include <cstdint>
#include <span>

struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
};

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The top-left corner that centres a width x height window on owner (outer
// rectangles). The halves truncate towards zero, and a window that would
// start left of or above the screen's origin starts at 0 instead, so that
// its caption stays reachable.
ScreenPoint CentredPosition(const ScreenRect& owner, std::int32_t width, std::int32_t height);

// The rectangle a status field's text is drawn in: the field's rectangle
// narrowed by 2 pixels on the left (3 for the first field) and 5 on the right.
ScreenRect StatusTextRect(const ScreenRect& field, std::int32_t fieldIndex);

// The field under x, given the right edges of the status bar's fields (-1 for
// a last field that reaches the bar's end): the first field whose right edge
// lies right of x, or -1 when x is past every field.
std::int32_t StatusFieldAt(std::span<const std::int32_t> rightEdges, std::int32_t x);
