#pragma once
// The size of the reduced copy of an image kept for the thumbnail window.
#include <cstddef>
#include <cstdint>

struct ThumbnailDimensions {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const ThumbnailDimensions&) const = default;
};

// Edge of the square box thumbnails are reduced into, from ThumbSize:
// 1 -> 320, 2 -> 480, 3 -> 640, anything else 250 pixels.
std::int32_t ThumbnailPixels(std::int32_t thumbSize);

// The size an image of width x height is reduced to so that it fits a box of
// box x box pixels with its aspect ratio kept; an image that already fits
// keeps its size. Computed in single precision and rounded half to even, as
// the thumbnails have always been sized. The result never exceeds the box:
// for a square image the single-precision quotient can come out a hair
// above it, which must not count as a fault.
ThumbnailDimensions ReducedThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t box);

// Reduces a picture of 3-byte pixels (rows stride bytes apart) to width x
// height, each target pixel the average of the source pixels it covers: the
// look of GDI's halftone stretching, at a fraction of its cost under Wine,
// where it made up a third of a photo's time to the thumbnail window.
// The target must be no larger than the source in either direction.
void ReducePixels24(const unsigned char* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                    std::ptrdiff_t sourceStride, unsigned char* target, std::int32_t width, std::int32_t height,
                    std::ptrdiff_t targetStride);
