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
// start left of or above its monitor's work area (whose top-left corner is
// areaOrigin, the screen's origin on the primary monitor) starts at its
// edge instead, so that its caption stays reachable on the owner's monitor.
ScreenPoint CentredPosition(const ScreenRect& owner, std::int32_t width, std::int32_t height,
                            ScreenPoint areaOrigin = {});

// The dots per inch every pixel figure of the program's windows is given at.
inline constexpr std::int32_t kBaseDpi = 96;
// A length given at 96 DPI, at dpi: rounded to the nearest pixel (halves
// away from zero), so that at 96 DPI every figure stays as it is.
std::int32_t ScaleToDpi(std::int32_t pixels, std::int32_t dpi);

// The rectangle a status field's text is drawn in: the field's rectangle
// narrowed by 2 pixels on the left (3 for the first field) and 5 on the
// right, figures at 96 DPI scaled to dpi.
ScreenRect StatusTextRect(const ScreenRect& field, std::int32_t fieldIndex, std::int32_t dpi = kBaseDpi);

// The field under x, given the right edges of the status bar's fields (-1 for
// a last field that reaches the bar's end): the first field whose right edge
// lies right of x, or -1 when x is past every field.
std::int32_t StatusFieldAt(std::span<const std::int32_t> rightEdges, std::int32_t x);
