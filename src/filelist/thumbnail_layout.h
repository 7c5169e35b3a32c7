#pragma once
// Arithmetic of the thumbnail window: the edge of its square, where an entry's
// bitmap sits on it, and where the window docks beside the main window. Kept
// apart from the window code so that it can be checked without a display.
#include <cstdint>

#include "settings/settings.h"
#include "ui/placement.h"

// The edge of the square thumbnails are reduced into and shown on:
// ThumbSize 1, 2, 3 give 320, 480, 640; any other value 250.
std::int32_t ThumbnailPixels(const Settings& settings);

// Top-left corner of a width x height bitmap centred on an edge x edge
// square; the halves truncate, so a bitmap larger than the square starts
// left of or above it by the same rule.
ScreenPoint CentredThumbnailOrigin(std::int32_t edge, std::int32_t width, std::int32_t height);

// The docked window's frame position: right of the main window (ThumbSide 2)
// at its frame left + client width + 2, else left of it at its frame left -
// the thumbnail's client width - 2; always one pixel below its frame top.
ScreenPoint DockedThumbnailPosition(const ScreenRect& mainFrame, std::int32_t mainClientWidth,
                                    std::int32_t thumbnailClientWidth, std::int32_t thumbSide);

// Where the free window first opens in a run: near the desktop's top right.
ScreenPoint FirstFreeThumbnailPosition(std::int32_t desktopWidth, std::int32_t edge);
