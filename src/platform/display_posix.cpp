#include "platform/display.h"

namespace platform {

DisplaySize PrimaryDisplaySize() { return {}; }

}  // namespace platform
