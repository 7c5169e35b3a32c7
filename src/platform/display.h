#pragma once
// The displays, for keeping a remembered window position on screen.
#include <cstdint>
#include <vector>

namespace platform {

struct DisplaySize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Current mode of the primary display device attached to the desktop;
// 0 x 0 when there is none (or the host has no displays at all).
DisplaySize PrimaryDisplaySize();

// One monitor's part of the desktop, in screen coordinates (the primary
// monitor's top-left corner is 0, 0; others may lie left of or above it).
struct DisplayArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Every monitor attached to the desktop now; none on a host without displays.
std::vector<DisplayArea> MonitorAreas();

}  // namespace platform
