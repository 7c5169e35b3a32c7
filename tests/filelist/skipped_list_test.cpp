#include <gtest/gtest.h>

#include <filesystem>

#include "filelist/skipped_list.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

TEST(SkippedListTest, ExportNameGetsTxtOnlyWithoutAnExtension) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\out\\skipped", L"C:\\out\\skipped.txt"},
      {L"C:\\out\\skipped.log", L"C:\\out\\skipped.log"},
      {L"C:\\out\\skipped.txt", L"C:\\out\\skipped.txt"},
      {L"C:\\v1.2\\skipped", L"C:\\v1.2\\skipped.txt"},  // a folder's dot does not count
      {L"", L""},                                        // the dialog was cancelled
  };
  for (const auto& [chosen, saved] : cases) EXPECT_EQ(WithTextExtension(chosen), saved);
}

TEST(SkippedListTest, ExportIsUtf8LinesEachEndedByCrLf) {
  TempDir dir;
  const std::wstring file = dir.File(L"skipped.txt");
  testsupport::WriteText(std::filesystem::path(file), "an older and much longer list that must go entirely");
  const std::vector<std::wstring> paths = {L"C:\\scans\\b.txt", L"C:\\scans\\\u00e9t\u00e9 \u20ac.jpg"};
  ASSERT_TRUE(SaveSkippedList(file, paths));
  EXPECT_EQ(testsupport::ReadText(file), "C:\\scans\\b.txt\r\nC:\\scans\\\xC3\xA9t\xC3\xA9 \xE2\x82\xAC.jpg\r\n");
  EXPECT_EQ(SkippedListBytes(paths), testsupport::ReadText(file));

  ASSERT_TRUE(SaveSkippedList(file, {}));
  EXPECT_EQ(testsupport::ReadText(file), "");
}

TEST(SkippedListTest, UnwritablePlaceIsAFailure) {
  TempDir dir;
  EXPECT_FALSE(SaveSkippedList(dir.File(L"no such folder") + L"/list.txt", {L"a"}));
}

}  // namespace
