// The block another start of the program sends with its paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/path_handoff.h"

namespace {

std::vector<std::uint16_t> Units(const std::wstring& text) { return {text.begin(), text.end()}; }

TEST(PathHandoff, OnlyWellFormedBlocksOfOursAreRead) {
  const std::vector<std::uint16_t> text = Units(L"C:\\\u00e9\u4e2d.png\n");
  std::vector<std::uint16_t> terminated = text;
  terminated.push_back(0);
  const std::vector<std::uint16_t> inner = Units(std::wstring(L"a\0b", 3));
  struct Case {
    const char* what;
    std::uintptr_t tag;
    const void* data;
    std::size_t bytes;
    std::optional<std::wstring> expected;
  } cases[] = {
      {"paths, non-ASCII kept", kPathsCopyDataTag, text.data(), text.size() * 2, L"C:\\\u00e9\u4e2d.png\n"},
      {"terminator counted in", kPathsCopyDataTag, terminated.data(), terminated.size() * 2, L"C:\\\u00e9\u4e2d.png\n"},
      {"nothing", kPathsCopyDataTag, nullptr, 0, L""},
      {"another program's tag", kPathsCopyDataTag + 1, text.data(), text.size() * 2, std::nullopt},
      {"half a character", kPathsCopyDataTag, text.data(), 3, std::nullopt},
      {"bytes without data", kPathsCopyDataTag, nullptr, 4, std::nullopt},
      {"a zero inside", kPathsCopyDataTag, inner.data(), inner.size() * 2, std::nullopt},
      {"oversized", kPathsCopyDataTag, text.data(), kMaxPathsCopyDataBytes + 2, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(PathsFromCopyData(c.tag, c.data, c.bytes), c.expected) << c.what;
}

}  // namespace
