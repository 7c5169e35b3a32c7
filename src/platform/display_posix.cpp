#include "platform/display.h"

namespace platform {

DisplaySize PrimaryDisplaySize() { return {}; }

std::vector<DisplayArea> MonitorAreas() { return {}; }

}  // namespace platform
