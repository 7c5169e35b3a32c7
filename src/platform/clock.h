#pragma once
#include <cstdint>

namespace platform {

struct LocalDateTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// How the system describes the local time zone right now.
enum class ZoneState { kUnknown, kStandard, kDaylight };

struct TimeZone {
  ZoneState state = ZoneState::kUnknown;
  // Minutes to add to local time to get UTC (west of Greenwich is positive),
  // daylight saving included while it is in effect.
  std::int32_t biasMinutes = 0;
};

LocalDateTime CurrentLocalTime();
TimeZone CurrentTimeZone();
// The local wall-clock time as seconds since 1970-01-01 00:00:00 (local, not UTC).
std::int64_t LocalSecondsSince1970();

}  // namespace platform
