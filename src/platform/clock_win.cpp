#include <windows.h>

#include "platform/clock.h"

namespace platform {

LocalDateTime CurrentLocalTime() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

TimeZone CurrentTimeZone() {
  TIME_ZONE_INFORMATION info{};
  const DWORD id = ::GetTimeZoneInformation(&info);
  TimeZone z;
  switch (id) {
    case TIME_ZONE_ID_STANDARD:
      z.state = ZoneState::kStandard;
      z.biasMinutes = info.Bias + info.StandardBias;
      break;
    case TIME_ZONE_ID_DAYLIGHT:
      z.state = ZoneState::kDaylight;
      z.biasMinutes = info.Bias + info.DaylightBias;
      break;
    default:
      z.state = ZoneState::kUnknown;
      z.biasMinutes = info.Bias;
      break;
  }
  return z;
}

std::int64_t LocalSecondsSince1970() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  FILETIME ft{};
  if (!::SystemTimeToFileTime(&st, &ft)) return 0;
  const std::int64_t ticks = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  constexpr std::int64_t kTicksPerSecond = 10000000;
  constexpr std::int64_t kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01
  return ticks / kTicksPerSecond - kEpochDifference;
}

}  // namespace platform
