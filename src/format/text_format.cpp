#include "format/text_format.h"

#include <algorithm>
#include <charconv>

#include "platform/locale.h"

namespace {

std::wstring LocaleTextOr(platform::LocaleItem item, const wchar_t* fallback) {
  if (auto text = platform::UserLocaleText(item)) return *text;
  return fallback;
}

// Inserts the separator between groups of three digits, counted from the
// right, of a digit string that may start with a minus sign.
std::wstring GroupDigits(const std::wstring& digits, const std::wstring& separator) {
  const bool negative = !digits.empty() && digits.front() == L'-';
  const std::size_t start = negative ? 1 : 0;
  const std::size_t count = digits.size() - start;
  std::wstring out;
  out.reserve(digits.size() + (count / 3) * separator.size());
  if (negative) out.push_back(L'-');
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out += separator;
    out.push_back(digits[start + i]);
  }
  return out;
}

std::wstring Widen(const char* begin, const char* end) { return std::wstring(begin, end); }

struct DecimalParts {
  std::wstring integer;   // digits, with a leading "-" for a negative value
  std::wstring fraction;  // at most the requested number of digits
};

// The value with ten decimals (rounded there), trailing zeros dropped, and
// the fraction then cut, not rounded, to `decimals` digits.
DecimalParts SplitDecimal(double value, std::int32_t decimals) {
  if (value == 0) value = 0;  // no "-0" for a negative zero
  // Room for the largest double written in full with ten decimals.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 10);
  const std::wstring text = result.ec == std::errc() ? Widen(buffer, result.ptr) : L"0";
  const std::size_t point = text.find(L'.');
  DecimalParts parts{text.substr(0, point), point == std::wstring::npos ? L"" : text.substr(point + 1)};
  while (!parts.fraction.empty() && parts.fraction.back() == L'0') parts.fraction.pop_back();
  parts.fraction.resize(
      std::min<std::size_t>(parts.fraction.size(), static_cast<std::size_t>(std::max(decimals, 0))));
  return parts;
}

void AppendTwoDigits(std::wstring& out, std::int64_t value) {
  out.push_back(static_cast<wchar_t>(L'0' + (value / 10) % 10));
  out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

struct CivilDate {
  std::int64_t year;
  std::int64_t month;
  std::int64_t day;
};

// Proleptic Gregorian date of a day count from 1970-01-01.
CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace

std::wstring GetThousandsSeparator() {
  return LocaleTextOr(platform::LocaleItem::kThousandsSeparator, L",");
}

std::wstring GetDecimalSeparator() { return LocaleTextOr(platform::LocaleItem::kDecimalSeparator, L"."); }

std::wstring GetDateSeparator() { return LocaleTextOr(platform::LocaleItem::kDateSeparator, L"/"); }

std::wstring GetDateMask() {
  const auto order = platform::UserLocaleText(platform::LocaleItem::kDateOrder);
  if (!order) return L"%dd/%mm/%yy";
  const std::wstring sep = GetDateSeparator();
  if (*order == L"0") return L"%mm" + sep + L"%dd" + sep + L"%yy";
  if (*order == L"1") return L"%dd" + sep + L"%mm" + sep + L"%yy";
  if (*order == L"2") return L"%yy" + sep + L"%mm" + sep + L"%dd";
  return {};
}

std::wstring FormatNumber(std::int64_t value, const std::wstring& separator) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return GroupDigits(Widen(buffer, result.ptr), separator.empty() ? GetThousandsSeparator() : separator);
}

std::wstring FormatDecimal(double value, std::int32_t decimals, const std::wstring& thousands,
                           const std::wstring& decimal) {
  const DecimalParts parts = SplitDecimal(value, decimals);
  std::wstring out = GroupDigits(parts.integer, thousands.empty() ? GetThousandsSeparator() : thousands);
  if (!parts.fraction.empty()) out += (decimal.empty() ? GetDecimalSeparator() : decimal) + parts.fraction;
  return out;
}

std::wstring FormatByteSize(std::int64_t bytes, std::int32_t longNames, std::int32_t decimals,
                            [[maybe_unused]] const std::wstring& thousands, const std::wstring& decimal) {
  static const wchar_t* const kShort[] = {L"", L"KB", L"MB", L"GB", L"TB", L"PB"};
  static const wchar_t* const kLong[] = {L"", L"Kilobytes", L"Megabytes", L"Gigabytes", L"Terabytes",
                                         L"Petabytes"};
  double v = static_cast<double>(bytes);
  int unit = 0;
  while (v >= 1024) {
    v /= 1024;
    ++unit;
  }
  if (unit > 5) return L"Overflow";
  // Below 1024 of its unit a size has at most four integer digits, and they
  // stay together: "1023 KB", never "1,023 KB".
  DecimalParts parts = SplitDecimal(v, decimals);
  if (parts.fraction.find_first_not_of(L'0') == std::wstring::npos) parts.fraction.clear();
  std::wstring s = parts.integer;
  if (!parts.fraction.empty()) s += (decimal.empty() ? GetDecimalSeparator() : decimal) + parts.fraction;
  return s + L" " + (longNames ? kLong[unit] : kShort[unit]);
}

std::wstring FormatDate(const std::wstring& mask, std::int64_t localSeconds) {
  const std::int64_t days = FloorDiv(localSeconds, 86400);
  const std::int64_t secondOfDay = localSeconds - days * 86400;
  const CivilDate date = CivilFromDays(days);
  std::wstring out;
  out.reserve(mask.size());
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == L'%' && i + 2 < mask.size() && mask[i + 1] == mask[i + 2]) {
      std::int64_t field = -1;
      switch (mask[i + 1]) {
        case L'y': field = ((date.year % 100) + 100) % 100; break;
        case L'm': field = date.month; break;
        case L'd': field = date.day; break;
        case L'h': field = secondOfDay / 3600; break;
        case L'i': field = secondOfDay / 60 % 60; break;
        case L's': field = secondOfDay % 60; break;
        default: break;
      }
      if (field >= 0) {
        AppendTwoDigits(out, field);
        i += 2;
        continue;
      }
    }
    out.push_back(mask[i]);
  }
  return out;
}
