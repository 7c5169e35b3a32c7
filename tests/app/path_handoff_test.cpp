// The block another start of the program sends with its paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/path_handoff.h"
#include "format/program_info.h"

namespace {

std::vector<std::uint16_t> Units(const std::wstring& text) { return {text.begin(), text.end()}; }

TEST(PathHandoff, OnlyWellFormedBlocksOfOursAreRead) {
  const std::vector<std::uint16_t> text = Units(L"C:\\\u00e9\u4e2d.png\n");
  std::vector<std::uint16_t> terminated = text;
  terminated.push_back(0);
  const std::vector<std::uint16_t> inner = Units(std::wstring(L"a\0b", 3));
  const std::vector<std::uint16_t> full(kMaxHandOffChars, u'x');
  const std::vector<std::uint16_t> over(kMaxHandOffChars + 1, u'x');
  struct Case {
    const char* what;
    std::uintptr_t tag;
    const void* data;
    std::size_t bytes;
    std::optional<HandedPaths> expected;
  } cases[] = {
      {"paths, non-ASCII kept", kPathsCopyDataTag, text.data(), text.size() * 2, HandedPaths{L"C:\\\u00e9\u4e2d.png\n"}},
      {"terminator counted in", kPathsCopyDataTag, terminated.data(), terminated.size() * 2,
       HandedPaths{L"C:\\\u00e9\u4e2d.png\n"}},
      {"more to follow", kMorePathsCopyDataTag, text.data(), text.size() * 2, HandedPaths{L"C:\\\u00e9\u4e2d.png\n", true}},
      {"nothing", kPathsCopyDataTag, nullptr, 0, HandedPaths{}},
      {"a full command line", kPathsCopyDataTag, full.data(), full.size() * 2, HandedPaths{std::wstring(full.begin(), full.end())}},
      {"another program's tag", kPathsCopyDataTag + 1, text.data(), text.size() * 2, std::nullopt},
      {"half a character", kPathsCopyDataTag, text.data(), 3, std::nullopt},
      {"bytes without data", kPathsCopyDataTag, nullptr, 4, std::nullopt},
      {"a zero inside", kPathsCopyDataTag, inner.data(), inner.size() * 2, std::nullopt},
      {"more than a command line", kPathsCopyDataTag, over.data(), over.size() * 2, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(PathsFromCopyData(c.tag, c.data, c.bytes), c.expected) << c.what;
}

TEST(PathHandoff, PiecesEndAfterWholePathsWithinTheLimit) {
  struct Case {
    std::wstring text;
    std::size_t limit;
    std::vector<std::wstring> pieces;
  } cases[] = {
      {L"", 10, {}},
      {L"ab\ncd\n", 10, {L"ab\ncd\n"}},
      {L"ab\ncd\nef\n", 6, {L"ab\ncd\n", L"ef\n"}},
      {L"ab\ncdefgh\nij\n", 6, {L"ab\n", L"cdefgh\n", L"ij\n"}},  // a path over the limit alone
      {L"ab\ncd", 4, {L"ab\n", L"cd"}},
  };
  for (const Case& c : cases) EXPECT_EQ(HandOffPieces(c.text, c.limit), c.pieces) << c.limit;
}

TEST(PathHandoff, FailureTextNamesTheFirstTenFilesAndCountsTheRest) {
  std::vector<std::wstring> paths;
  for (int i = 1; i <= 12; ++i) paths.push_back(L"C:\\p" + std::to_wstring(i) + L".png");
  const std::wstring text = HandOffFailedText(JoinPaths(paths));
  EXPECT_EQ(text.find(kProgramTitle), 0u);
  EXPECT_NE(text.find(L"\r\nC:\\p10.png\r\n(and 2 more)"), std::wstring::npos);
  EXPECT_EQ(text.find(L"p11.png"), std::wstring::npos);
}

}  // namespace
