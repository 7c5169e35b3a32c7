#pragma once
// The primary display, for keeping a remembered window position on screen.
#include <cstdint>

namespace platform {

struct DisplaySize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Current mode of the primary display device attached to the desktop;
// 0 x 0 when there is none (or the host has no displays at all).
DisplaySize PrimaryDisplaySize();

}  // namespace platform
