#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const std::wstring text = L"A\u00e9\u20ac\U0001F600z";
  const std::string bytes = platform::ToUtf8(text);
  EXPECT_EQ(bytes, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
  EXPECT_EQ(platform::FromUtf8(bytes), text);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  // Truncated sequence, stray continuation byte, overlong form, surrogate, byte above F4.
  EXPECT_EQ(platform::FromUtf8("a\xE2\x82"), L"a\uFFFD\uFFFD");
  EXPECT_EQ(platform::FromUtf8("\x80x"), L"\uFFFDx");
  EXPECT_EQ(platform::FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");
  EXPECT_EQ(platform::FromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(platform::FromUtf8("\xF5\x80"), L"\uFFFD\uFFFD");
  EXPECT_EQ(platform::FromUtf8(std::string("\0z", 2)), std::wstring(L"\0z", 2));
}

TEST(Latin1, EveryByteIsItsOwnCodePoint) {
  EXPECT_EQ(platform::FromLatin1("\xE9\xFF"), L"\u00e9\u00ff");
}

}  // namespace
