#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "format/text_format.h"

namespace {

TEST(FormatNumber, GroupsDigitsByThreesWithoutSeparatingTheSign) {
  EXPECT_EQ(FormatNumber(1234567, L","), L"1,234,567");
  EXPECT_EQ(FormatNumber(999, L","), L"999");
  EXPECT_EQ(FormatNumber(1000, L","), L"1,000");
  EXPECT_EQ(FormatNumber(0, L","), L"0");
  EXPECT_EQ(FormatNumber(-100, L","), L"-100");
  EXPECT_EQ(FormatNumber(-100000, L"."), L"-100.000");
  EXPECT_EQ(FormatNumber(1234567, L"\u00a0"), L"1\u00a0234\u00a0567");
  EXPECT_EQ(FormatNumber(1234, L"::"), L"1::234");
  EXPECT_EQ(FormatNumber(std::numeric_limits<std::int64_t>::min(), L","), L"-9,223,372,036,854,775,808");
  EXPECT_EQ(FormatNumber(std::numeric_limits<std::int64_t>::max(), L","), L"9,223,372,036,854,775,807");
}

TEST(FormatDecimal, CutsTheFractionAndUsesTheGivenSeparators) {
  EXPECT_EQ(FormatDecimal(1234567.891, 2, L".", L","), L"1.234.567,89");
  EXPECT_EQ(FormatDecimal(5, 1, L",", L"."), L"5");
  EXPECT_EQ(FormatDecimal(12.25, 1, L",", L"."), L"12.2");
  EXPECT_EQ(FormatDecimal(99.96, 1, L",", L"."), L"99.9");
  EXPECT_EQ(FormatDecimal(12.5, 3, L",", L"."), L"12.5");  // no padding with zeros
  EXPECT_EQ(FormatDecimal(12.05, 1, L",", L"."), L"12.0");  // cut digits may be zeros
  EXPECT_EQ(FormatDecimal(-1234.5, 1, L",", L"."), L"-1,234.5");
  EXPECT_EQ(FormatDecimal(-123.4, 1, L",", L"."), L"-123.4");
  EXPECT_EQ(FormatDecimal(0.1 + 0.2, 2, L",", L"."), L"0.3");  // ten decimals are rounded first
  EXPECT_EQ(FormatDecimal(2.99999999999, 1, L",", L"."), L"3");
  EXPECT_EQ(FormatDecimal(7.75, 0, L",", L"."), L"7");
  EXPECT_EQ(FormatDecimal(-0.0, 1, L",", L"."), L"0");
  EXPECT_EQ(FormatDecimal(1e21, 1, L",", L"."), L"1,000,000,000,000,000,000,000");
  EXPECT_EQ(FormatDecimal(1.5, -3, L",", L"."), L"1");
}

TEST(FormatDecimal, ExtremeValuesGiveText) {
  EXPECT_EQ(FormatDecimal(std::numeric_limits<double>::max(), 2, L",", L".").size(), 309u + 102u);
  EXPECT_FALSE(FormatDecimal(std::nan(""), 2, L",", L".").empty());
  EXPECT_FALSE(FormatDecimal(-std::numeric_limits<double>::infinity(), 2, L",", L".").empty());
}

TEST(FormatByteSize, PicksTheUnitAndDropsZeroFractions) {
  EXPECT_EQ(FormatByteSize(1536, 0, 2, L",", L"."), L"1.5 KB");
  EXPECT_EQ(FormatByteSize((2LL << 30) + 1, 0, 2, L",", L"."), L"2 GB");
  EXPECT_EQ(FormatByteSize(1023, 0, 2, L",", L"."), L"1023 ");
  EXPECT_EQ(FormatByteSize(0, 0, 2, L",", L"."), L"0 ");
  EXPECT_EQ(FormatByteSize(1024, 1, 2, L",", L"."), L"1 Kilobytes");
  EXPECT_EQ(FormatByteSize(1536, 1, 2, L".", L","), L"1,5 Kilobytes");
  EXPECT_EQ(FormatByteSize(1048575, 0, 2, L",", L"."), L"1023.99 KB");
  EXPECT_EQ(FormatByteSize(5LL << 20, 1, 2, L",", L"."), L"5 Megabytes");
  EXPECT_EQ(FormatByteSize(3LL << 40, 0, 1, L",", L"."), L"3 TB");
  EXPECT_EQ(FormatByteSize(1023LL << 50, 0, 2, L",", L"."), L"1023 PB");
  EXPECT_EQ(FormatByteSize(1LL << 50, 1, 2, L",", L"."), L"1 Petabytes");
  EXPECT_EQ(FormatByteSize(1LL << 60, 0, 2, L",", L"."), L"Overflow");
  EXPECT_EQ(FormatByteSize(std::numeric_limits<std::int64_t>::max(), 1, 2, L",", L"."), L"Overflow");
  EXPECT_EQ(FormatByteSize(-5, 0, 2, L",", L"."), L"-5 ");
}

// 2026-02-28 23:59:58 and friends, as local seconds since 1970.
constexpr std::int64_t kLeapEve = 1772323198;

TEST(FormatDate, ExpandsTheTokensAndCopiesEverythingElse) {
  EXPECT_EQ(FormatDate(L"%dd/%mm/%yy %hh:%ii:%ss", kLeapEve), L"28/02/26 23:59:58");
  EXPECT_EQ(FormatDate(L"%yy-%mm-%dd", kLeapEve + 2), L"26-03-01");  // 2026 has no 29 February
  EXPECT_EQ(FormatDate(L"%dd.%mm.%yy", 951782400), L"29.02.00");    // 2000 has one
  EXPECT_EQ(FormatDate(L"%dd/%mm/%yy %hh:%ii:%ss", 0), L"01/01/70 00:00:00");
  EXPECT_EQ(FormatDate(L"%dd/%mm/%yy %hh:%ii:%ss", -1), L"31/12/69 23:59:59");
  EXPECT_EQ(FormatDate(L"%yyyy %% %x %", kLeapEve), L"26yy %% %x %");
  EXPECT_EQ(FormatDate(L"%hh:%ii:%ss", 90061), L"01:01:01");  // a day wraps around
  EXPECT_EQ(FormatDate(L"", kLeapEve), L"");
}

#ifndef _WIN32
TEST(LocaleTexts, FallBackWhenTheSystemCannotTell) {
  EXPECT_EQ(GetThousandsSeparator(), L",");
  EXPECT_EQ(GetDecimalSeparator(), L".");
  EXPECT_EQ(GetDateSeparator(), L"/");
  EXPECT_EQ(GetDateMask(), L"%dd/%mm/%yy");
  EXPECT_EQ(FormatNumber(1234567), L"1,234,567");
  EXPECT_EQ(FormatDecimal(1234.56, 1), L"1,234.5");
}
#endif

}  // namespace
