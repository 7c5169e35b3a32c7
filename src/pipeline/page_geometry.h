#pragma once
// Where an image goes on its page. All lengths are points (1/72 inch) and one
// image pixel counts as one point; arithmetic is single precision, as the
// writer's own.
#include <cstdint>
#include <string>

#include "settings/settings.h"

inline constexpr std::int32_t kPaperless = 6;
// Height of the header or footer band: 10 mm.
inline constexpr float kHeaderBand = 28.35f;
inline constexpr float kPointsPerMillimetre = 2.8346457f;

// The page size text of a paper format ("595.28,841.89" for A4); empty for
// Paperless and for values outside 1..6.
std::wstring PaperSizeText(std::int32_t paperFormat);
// The log's name of a paper format: "A4", "A3", "A2", "Letter", "Legal", "Paperless".
std::wstring PaperName(std::int32_t paperFormat);
// A Paperless page's size text: both numbers with two decimals, width first
// for portrait (1) and height first otherwise, so that the writer's landscape
// exchange gives a page of exactly iw x ih.
std::wstring PageSizeText(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t orientation);
// Reads "w,h"; a missing or non-numeric field reads as 0.
void ParsePageSize(const std::wstring& text, float& width, float& height);
// Points to the writer's millimetres: rounded to whole points first.
float Millimetres(float points);

struct PagePlacement {
  // The image area (the page less the header and footer bands).
  float areaWidth = 0;
  float areaHeight = 0;
  // The placed image, from the page's top-left corner.
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  // True only when the fit produced an image wider than the area by more
  // than rounding can explain: an internal fault.
  bool overflow = false;
};

// orientation: 1 portrait, 2 landscape. For Paperless the area is the image.
PagePlacement PlaceImage(std::int32_t imageWidth, std::int32_t imageHeight, std::int32_t orientation,
                         const Settings& settings);
