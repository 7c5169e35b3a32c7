#pragma once
// What the user's regional settings say about writing numbers and dates.
// Callers supply their own fallbacks: a system that cannot answer returns
// nothing rather than a guess.
#include <optional>
#include <string>

namespace platform {

enum class LocaleItem {
  kThousandsSeparator,
  kDecimalSeparator,
  kDateSeparator,
  // The short date's field order as a digit: "0" month-day-year,
  // "1" day-month-year, "2" year-month-day.
  kDateOrder,
};

std::optional<std::wstring> UserLocaleText(LocaleItem item);

}  // namespace platform
