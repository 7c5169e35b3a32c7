#include "pipeline/memory_watch.h"

namespace {

constexpr std::uint32_t kPlatformWindows9x = 1;
constexpr std::uint32_t kPlatformNt = 2;
constexpr std::uint32_t kWorkstation = 1;
constexpr std::uint32_t kFirstWindows11Build = 22000;

std::int32_t Windows9xCode(std::uint32_t major, std::uint32_t minor) {
  if (major != 4) return kOsCodeUnknown;
  switch (minor) {
    case 0: return 10;
    case 10: return 30;
    case 90: return 40;
    default: return kOsCodeUnknown;
  }
}

std::int32_t NtCode(const OsVersionRecord& v) {
  const bool workstation = v.productType == kWorkstation;
  switch (v.major) {
    case 3: return 5;
    case 4: return kOsCodeNt4;
    case 5:
      switch (v.minor) {
        case 0: return kOsCodeWindows2000;
        case 1: return kOsCodeWindowsXp;
        case 2: return workstation ? 60 : 65;  // XP x64 shares 5.2 with Server 2003
        default: return kOsCodeUnknown;
      }
    case 6:
      if (v.minor > 3) return kOsCodeUnknown;
      return static_cast<std::int32_t>(70 + 10 * v.minor) + (workstation ? 0 : 5);
    case 10:
      if (v.minor != 0) return kOsCodeUnknown;
      return v.build < kFirstWindows11Build ? 110 : 120;
    default: return kOsCodeUnknown;
  }
}

}  // namespace

std::int32_t OsVersionCode(const OsVersionRecord& version) {
  if (!version.known) return kOsCodeUnknown;
  if (version.platformId == kPlatformWindows9x) return Windows9xCode(version.major, version.minor);
  if (version.platformId == kPlatformNt) return NtCode(version);
  return kOsCodeUnknown;
}
