// What a multi-select open dialog answers, as full paths.
#include <gtest/gtest.h>

#include "ui/file_selection.h"

namespace {

TEST(FileSelection, OnePathOrAFolderWithItsNames) {
  using namespace std::string_literals;
  struct Case {
    std::wstring buffer;
    std::vector<std::wstring> expected;
  } cases[] = {
      {L"C:\\pics\\a.png\0\0"s, {L"C:\\pics\\a.png"}},
      {L"C:\\pics\0a.png\0b c.jpg\0\0"s, {L"C:\\pics\\a.png", L"C:\\pics\\b c.jpg"}},
      {L"D:\\\0x.gif\0y.tif\0\0"s, {L"D:\\x.gif", L"D:\\y.tif"}},
      {L"C:\\pics\0a.png\0\0stale\0"s, {L"C:\\pics\\a.png"}},
      {L"\0\0"s, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitFileSelection(c.buffer), c.expected);
}

}  // namespace
