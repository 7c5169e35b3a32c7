#include <gtest/gtest.h>

#include <string>

#include "filelist/name_order.h"

namespace {

TEST(NameOrder, OnlyAsciiLettersFoldAndEqualKeysKeepTheirOrder) {
  std::vector<std::wstring> names = {L"b.jpg", L"A.jpg", L"a.jpg"};
  SortStableByKey(names, [](const std::wstring& s) { return std::wstring_view(s); });
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A.jpg", L"a.jpg", L"b.jpg"}));

  // "_" (0x5F) lies between the upper- and lower-case letters: folded to lower
  // case, letters sort after it.
  EXPECT_LT(CompareIgnoringCase(L"_x", L"Ax"), 0);
  // Accented letters do not fold: É (0xC9) and é (0xE9) differ, and both
  // follow every ASCII letter.
  EXPECT_LT(CompareIgnoringCase(L"\u00c9", L"\u00e9"), 0);
  EXPECT_GT(CompareIgnoringCase(L"\u00e9", L"z"), 0);
  EXPECT_EQ(CompareIgnoringCase(L"IMG_001.JPG", L"img_001.jpg"), 0);
  EXPECT_LT(CompareIgnoringCase(L"img", L"img1"), 0);
  // A character beyond the first plane compares by its surrogates (0xD83D),
  // below U+FFFD, as UTF-16 strings do.
  EXPECT_LT(CompareIgnoringCase(L"\U0001F600", L"\uFFFD"), 0);
}

}  // namespace
