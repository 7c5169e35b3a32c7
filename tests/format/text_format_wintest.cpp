#include <windows.h>

#include <gtest/gtest.h>

#include "format/text_format.h"

namespace {

std::wstring LocaleValue(LCTYPE type) {
  wchar_t buffer[16] = {};
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
  return n > 0 ? std::wstring(buffer, static_cast<std::size_t>(n - 1)) : std::wstring();
}

TEST(LocaleTextsWin, SeparatorsAndMaskComeFromTheUserLocale) {
  // The texts must hold exactly the separator, without its terminator.
  EXPECT_EQ(GetThousandsSeparator(), LocaleValue(LOCALE_STHOUSAND));
  EXPECT_EQ(GetDecimalSeparator(), LocaleValue(LOCALE_SDECIMAL));
  EXPECT_EQ(GetDateSeparator(), LocaleValue(LOCALE_SDATE));
  EXPECT_EQ(GetDecimalSeparator().size(), 1u);
  EXPECT_NE(GetDecimalSeparator(), GetThousandsSeparator());

  const std::wstring sep = GetDateSeparator();
  const std::wstring order = LocaleValue(LOCALE_IDATE);
  const std::wstring expected = order == L"0"   ? L"%mm" + sep + L"%dd" + sep + L"%yy"
                                : order == L"1" ? L"%dd" + sep + L"%mm" + sep + L"%yy"
                                                : L"%yy" + sep + L"%mm" + sep + L"%dd";
  EXPECT_EQ(GetDateMask(), expected);
  EXPECT_EQ(FormatNumber(1234567), L"1" + GetThousandsSeparator() + L"234" + GetThousandsSeparator() + L"567");
}

}  // namespace
