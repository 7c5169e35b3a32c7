#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "filelist/drop_expansion.h"
#include "platform/directory.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

constexpr wchar_t kSep = platform::kPathSeparator;

class DropTest : public ::testing::Test {
 protected:
  DropTest() {
    root_ = dir_.File(L"drop");
    fs::create_directories(fs::path(root_) / L"sub" / L"deeper");
    for (const wchar_t* name : {L"b.jpg", L"A.png", L"c d.gif"}) Touch(root_ + kSep + name);
    Touch(root_ + kSep + L"sub" + kSep + L"inner.bmp");
    Touch(root_ + kSep + L"sub" + kSep + L"deeper" + kSep + L"deepest.tif");
    loose_ = dir_.File(L"a0.jpg");
    Touch(loose_);
  }

  static void Touch(const std::wstring& path) { testsupport::WriteText(fs::path(path), "x"); }

  // The root's entries as the file system lists them.
  std::vector<platform::DirectoryEntry> RootEntries() const {
    std::vector<platform::DirectoryEntry> entries;
    EXPECT_TRUE(platform::ListDirectory(root_ + kSep, entries));
    return entries;
  }

  TempDir dir_;
  std::wstring root_;
  std::wstring loose_;
};

TEST_F(DropTest, FolderBecomesItsFilesWhereItStood) {
  const std::wstring missing = dir_.File(L"gone.jpg");
  std::vector<std::wstring> paths = {loose_, root_, missing};
  EXPECT_EQ(ExpandFolders(paths, false), 5u);
  ASSERT_EQ(paths.size(), 5u);
  EXPECT_EQ(paths.front(), loose_);
  EXPECT_EQ(paths.back(), missing);  // not a folder: stays, even when it does not exist
  std::vector<std::wstring> expected;
  for (const auto& entry : RootEntries()) {
    if (!entry.isFolder) expected.push_back(root_ + kSep + entry.name);
  }
  EXPECT_EQ(std::vector<std::wstring>(paths.begin() + 1, paths.end() - 1), expected);
}

TEST_F(DropTest, SubfolderFilesFollowWhereTheSubfolderWasListed) {
  std::vector<std::wstring> paths = {root_ + kSep};  // a trailing separator is not doubled
  ExpandFolders(paths, true);
  std::vector<std::wstring> expected;
  for (const auto& entry : RootEntries()) {
    if (!entry.isFolder) {
      expected.push_back(root_ + kSep + entry.name);
    } else if (entry.name == L"sub") {
      // "sub" holds one file and one folder; their order is the listing's.
      std::vector<platform::DirectoryEntry> inner;
      ASSERT_TRUE(platform::ListDirectory(root_ + kSep + L"sub" + kSep, inner));
      for (const auto& e : inner) {
        if (e.name == L"inner.bmp") expected.push_back(root_ + kSep + L"sub" + kSep + e.name);
        if (e.name == L"deeper") expected.push_back(root_ + kSep + L"sub" + kSep + L"deeper" + kSep + L"deepest.tif");
      }
    }
  }
  EXPECT_EQ(paths, expected);
}

TEST_F(DropTest, UnlistableFolderAddsNothing) {
  std::vector<std::wstring> paths;
  AddFolderFiles(dir_.File(L"no such folder"), paths, true);
  EXPECT_TRUE(paths.empty());
}

#ifndef _WIN32
TEST_F(DropTest, LinkBackUpTheTreeIsNotFollowed) {
  fs::create_directory_symlink(fs::path(root_), fs::path(root_) / L"sub" / L"loop");
  std::vector<std::wstring> paths = {root_};
  ExpandFolders(paths, true);
  EXPECT_EQ(paths.size(), 5u);  // three at the top, one in sub, one in deeper
}
#endif

TEST_F(DropTest, ProbingSkipsRefusedFilesAndSortsTheRest) {
  Settings settings;  // Preprocessing 1, SortAfterDrop 1, by name
  std::vector<std::wstring> probed;
  const ImageProbe probe = [&](const std::wstring& path) {
    probed.push_back(path);
    return path.find(L".gif") == std::wstring::npos && path.find(L"gone") == std::wstring::npos;
  };
  const std::wstring gone = dir_.File(L"gone.jpg");
  DropIntake intake = TakeDroppedPaths({gone, root_, loose_}, settings, probe);
  EXPECT_EQ(probed.size(), 5u);
  EXPECT_EQ(intake.skipped, (std::vector<std::wstring>{gone, root_ + kSep + L"c d.gif"}));
  // Names compare without regard to case; the folder does not count.
  EXPECT_EQ(intake.added, (std::vector<std::wstring>{root_ + kSep + L"A.png", loose_, root_ + kSep + L"b.jpg"}));

  // By full path, the file beside the folder comes before the folder's own.
  settings.SortIncludingPath = 1;
  intake = TakeDroppedPaths({root_, loose_}, settings, probe);
  EXPECT_EQ(intake.added, (std::vector<std::wstring>{loose_, root_ + kSep + L"A.png", root_ + kSep + L"b.jpg"}));
}

TEST_F(DropTest, WithoutProbingEverythingIsTakenInDropOrder) {
  Settings settings;
  settings.Preprocessing = 0;
  settings.SortAfterDrop = 0;
  const std::wstring text = dir_.File(L"z.txt");
  const DropIntake intake = TakeDroppedPaths({text, loose_}, settings, [](const std::wstring&) -> bool {
    ADD_FAILURE() << "probed";
    return false;
  });
  EXPECT_EQ(intake.added, (std::vector<std::wstring>{text, loose_}));
  EXPECT_TRUE(intake.skipped.empty());
}

}  // namespace
