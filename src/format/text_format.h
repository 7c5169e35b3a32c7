#pragma once
// Numbers, byte sizes and dates as users read them: the log, the progress
// titles and the file list all go through here. An empty separator argument
// stands for the one of the user's locale.
#include <cstdint>
#include <string>

// Digits grouped by threes from the right; a minus sign stays on its group.
std::wstring FormatNumber(std::int64_t value, const std::wstring& separator = L"");

// At most `decimals` fraction digits, cut rather than rounded; trailing zeros
// of the value and a bare decimal separator are dropped (5.0 gives "5").
std::wstring FormatDecimal(double value, std::int32_t decimals, const std::wstring& thousands = L"",
                           const std::wstring& decimal = L"");

// The size in the largest unit up to petabytes ("1.5 KB", or "1.5 Kilobytes"
// when longNames is 1); below 1024 bytes the number is followed by a lone
// blank. Anything from 1024 petabytes up is "Overflow".
std::wstring FormatByteSize(std::int64_t bytes, std::int32_t longNames, std::int32_t decimals,
                            const std::wstring& thousands = L"", const std::wstring& decimal = L"");

// The user locale's separators, or ",", "." and "/" when it cannot tell.
std::wstring GetThousandsSeparator();
std::wstring GetDecimalSeparator();
std::wstring GetDateSeparator();

// The short-date mask in the user's field order, such as "%dd.%mm.%yy";
// "%dd/%mm/%yy" when the order cannot be read, empty for an order we do not know.
std::wstring GetDateMask();

// Formats a date value (seconds since 1970-01-01 00:00:00 of the local clock)
// with the tokens %yy (year modulo 100), %mm, %dd, %hh (0-23), %ii and %ss,
// each two digits; every other character is copied.
std::wstring FormatDate(const std::wstring& mask, std::int64_t localSeconds);
