#include <ctime>

#include "platform/clock.h"

namespace platform {
namespace {
std::tm Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}
}  // namespace

LocalDateTime CurrentLocalTime() {
  const std::tm tm = Now();
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

TimeZone CurrentTimeZone() {
  const std::tm tm = Now();
  TimeZone z;
  z.state = tm.tm_isdst > 0 ? ZoneState::kDaylight : tm.tm_isdst == 0 ? ZoneState::kStandard : ZoneState::kUnknown;
  z.biasMinutes = static_cast<std::int32_t>(-tm.tm_gmtoff / 60);
  return z;
}

std::int64_t LocalSecondsSince1970() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return static_cast<std::int64_t>(t) + tm.tm_gmtoff;
}

}  // namespace platform
