#pragma once
// How a picture lies on its page: the EXIF orientation of its file (1..8)
// and the turn its row was given (0, 90, 180 or 270 degrees clockwise) come
// to one orientation in the same 1..8 terms, which the preparation, the
// page's placement and the thumbnail all apply. Portable.
#include <cstddef>
#include <cstdint>

// A turn in degrees clockwise brought to 0, 90, 180 or 270; values between
// the quarters are taken to the quarter below.
std::int32_t NormalTurn(std::int32_t degrees);

// What an orientation does to the stored picture to show it: mirror it
// left to right (or not), then turn it by quarters clockwise. Every one of
// the eight is exactly one such pair.
struct OrientationSteps {
  bool mirrored = false;
  std::int32_t quarters = 0;  // 0..3, clockwise
};
OrientationSteps StepsOf(std::int32_t orientation);  // outside 1..8: as 1
std::int32_t OrientationOfSteps(OrientationSteps steps);

// The orientation of a picture stored as `orientation` describes, once the
// upright picture has been turned a further `turn` degrees clockwise.
std::int32_t TurnedOrientation(std::int32_t orientation, std::int32_t turn);

// Writes the picture of a 24-bit image as its orientation shows it: to
// holds (quarter turns) height x width or width x height pixels. Rows are
// given by their first byte and the step to the next (negative for images
// kept bottom row first).
void OrientPixels24(const unsigned char* from, std::int32_t width, std::int32_t height, std::ptrdiff_t fromStride,
                    std::int32_t orientation, unsigned char* to, std::ptrdiff_t toStride);
