#include "platform/locale.h"

namespace platform {

// The Linux build only runs tests; they rely on the documented fallbacks.
std::optional<std::wstring> UserLocaleText(LocaleItem) { return std::nullopt; }

}  // namespace platform
