#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>
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

TEST(DroppedTextTest, SplitsAtLineFeedsKeepingOrderAndDroppingEmptyPieces) {
  struct Case {
    std::wstring_view text;
    std::vector<std::wstring> paths;
  };
  const Case cases[] = {
      {L"", {}},
      {L"\n\n", {}},
      {L"C:\\a.jpg", {L"C:\\a.jpg"}},
      {L"C:\\b.jpg\nC:\\a b.jpg\n", {L"C:\\b.jpg", L"C:\\a b.jpg"}},
      {L"\nC:\\x\n\nC:\\\u00e9t\u00e9.png", {L"C:\\x", L"C:\\\u00e9t\u00e9.png"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitDroppedText(c.text), c.paths);
}

TEST(DroppedTextTest, SuggestedNameComesFromTheFolderOrTheFileWithoutExtension) {
  struct Case {
    std::wstring path;
    bool folder;
    std::wstring name;
  };
  const Case cases[] = {
      {L"C:\\scans\\holiday", true, L"holiday.pdf"},
      {L"C:\\scans\\holiday\\", true, L"holiday.pdf"},
      {L"C:\\scans\\v1.2", true, L"v1.2.pdf"},  // a folder's dot is part of its name
      {L"C:\\scans\\page 1.jpg", false, L"page 1.pdf"},
      {L"C:\\scans\\photo.2020.png", false, L"photo.2020.pdf"},
      {L"/home/u/README", false, L"README.pdf"},
      {L"C:\\scans\\.hidden", false, L".hidden.pdf"},
      {L"D:\\", true, L"D.pdf"},
      {L"\\", true, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(SuggestedPdfName(c.path, c.folder), c.name) << c.path.size();
}

// A progress that records what the intake told it and stops where asked.
class RecordingProgress : public IntakeProgress {
 public:
  void Open(std::size_t count) override { opened = count; }
  void Added(const FileItem& item) override { added.push_back(item.Id); }
  bool Step(std::int64_t value, bool& cancelled) override {
    steps.push_back(value);
    if (static_cast<std::int64_t>(steps.size()) != stopAt) return false;
    cancelled = cancelOnStop;
    return true;
  }
  void Finish(std::int64_t value) override { finished = value; }
  void Sorted() override { ++sorted; }
  void Cleared() override { ++cleared; }

  std::int64_t stopAt = -1;
  bool cancelOnStop = true;
  std::size_t opened = 0;
  std::vector<std::int32_t> added;
  std::vector<std::int64_t> steps;
  std::int64_t finished = -1;
  int sorted = 0;
  int cleared = 0;
};

std::vector<std::wstring> Names(const FileList& list) {
  std::vector<std::wstring> names;
  for (const FileItem& item : list.Items) names.push_back(item.Name);
  return names;
}

TEST_F(DropTest, ProbingIntakeNumbersRecordsAfterTheListAndSortsTheWholeList) {
  Settings settings;
  FileList list;
  FileItem earlier;
  earlier.Id = 6;
  earlier.Path = earlier.Name = L"zz.jpg";
  AddItemToList(list, std::move(earlier));
  list.ItemsAdded = 7;
  const std::wstring gone = dir_.File(L"gone.jpg");
  std::vector<std::wstring> skipped = {L"left over from the last drop"};
  const FileExaminer examine = [&](FileItem& item) {
    if (item.Path == gone) return false;
    item.FileSize = 1000;
    item.Width = 4;
    item.Height = 3;
    return true;
  };
  RecordingProgress progress;
  const DropOutcome outcome = TakeDrop({loose_, gone, dir_.File(L"Y.png")}, list, settings, skipped, examine, progress);
  EXPECT_EQ(outcome.added, 2);
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(list.ItemsAdded, 9);
  EXPECT_EQ(skipped, (std::vector<std::wstring>{gone}));
  EXPECT_EQ(progress.opened, 3u);
  EXPECT_EQ(progress.added, (std::vector<std::int32_t>{7, 8}));
  EXPECT_EQ(progress.steps, (std::vector<std::int64_t>{100, 200, 300}));
  EXPECT_EQ(progress.finished, 300);
  // The earlier record takes part in the sort, not only the new ones.
  EXPECT_EQ(progress.sorted, 1);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"a0.jpg", L"Y.png", L"zz.jpg"}));
  EXPECT_EQ(list.TotalFileBytes, 2000);
}

TEST_F(DropTest, StoppedIntakeKeepsWhatWasAddedAndStillSorts) {
  struct Case {
    bool preprocessing;
    bool cancelButton;  // else the progress window's close box
    bool cancelled;     // what the caller is told
  };
  const Case cases[] = {{true, true, true}, {true, false, false}, {false, true, false}};
  for (const Case& c : cases) {
    Settings settings;
    settings.Preprocessing = c.preprocessing ? 1 : 0;
    FileList list;
    std::vector<std::wstring> skipped;
    RecordingProgress progress;
    progress.stopAt = 2;
    progress.cancelOnStop = c.cancelButton;
    const DropOutcome outcome = TakeDrop({dir_.File(L"m.jpg"), dir_.File(L"b.jpg"), dir_.File(L"a.jpg")}, list,
                                         settings, skipped, [](FileItem&) { return true; }, progress);
    EXPECT_EQ(outcome.added, 2);
    EXPECT_EQ(outcome.cancelled, c.cancelled);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"b.jpg", L"m.jpg"}));
    EXPECT_EQ(progress.finished, 300);  // the bar fills up before the window goes
  }
}

TEST_F(DropTest, ReplacingDropKeepsTheListUntilItsFirstFile) {
  struct Case {
    int preprocessing;
    bool refuseAll;
    std::int64_t stopAt;  // -1: not stopped
    std::vector<std::wstring> names;
  };
  const Case cases[] = {
      {1, true, -1, {L"old.jpg"}},                   // nothing accepted
      {1, true, 1, {L"old.jpg"}},                    // Cancel before the first file
      {1, false, -1, {L"a.jpg", L"b.jpg"}},          // replaced
      {0, false, 1, {L"b.jpg"}},                     // replaced by what came before the stop
  };
  for (const Case& c : cases) {
    Settings settings;
    settings.ClearBeforeDrop = 1;
    settings.Preprocessing = c.preprocessing;
    FileList list;
    FileItem old;
    old.Path = old.Name = L"old.jpg";
    AddItemToList(list, std::move(old));
    list.ItemsAdded = 5;
    std::vector<std::wstring> skipped;
    RecordingProgress progress;
    progress.stopAt = c.stopAt;
    const bool refuse = c.refuseAll;
    TakeDrop({dir_.File(L"b.jpg"), dir_.File(L"a.jpg")}, list, settings, skipped,
             [refuse](FileItem&) { return !refuse; }, progress);
    EXPECT_EQ(Names(list), c.names) << c.preprocessing << c.refuseAll << c.stopAt;
    const bool replaced = c.names.front() != L"old.jpg";
    EXPECT_EQ(progress.cleared, replaced ? 1 : 0);
    // A replaced list numbers its records from 0 again.
    EXPECT_EQ(list.ItemsAdded, replaced ? static_cast<std::int32_t>(c.names.size()) : 5);
    if (replaced) {
      EXPECT_EQ(progress.added.front(), 0);
    }
  }
}

TEST_F(DropTest, WorkersKeepDropOrderAndMemoryShortageStopsWithoutRefusing) {
  struct Case {
    std::int32_t workers;
    int shortAt;  // the file whose examination runs out of memory; -1: none
    std::int32_t added;
    std::size_t skipped;
    bool workersFail = false;  // every worker meets a fault the examination does not catch
  };
  const Case cases[] = {{0, -1, 30, 10}, {3, -1, 30, 10}, {3, 20, 15, 5}, {0, 20, 15, 5}, {3, -1, 30, 10, true}};
  const std::thread::id owner = std::this_thread::get_id();
  for (const Case& c : cases) {
    Settings settings;
    settings.SortAfterDrop = 0;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 40; ++i) paths.push_back(dir_.File(std::to_wstring(100 + i) + L".jpg"));
    const FileExaminer examine = [&c, owner](FileItem& item) -> bool {
      const int index = std::stoi(item.Name) - 100;
      if (index == c.shortAt) throw std::bad_alloc();
      // The files go back to the intake's own thread, one by one.
      if (c.workersFail && std::this_thread::get_id() != owner) throw std::system_error(EAGAIN, std::generic_category());
      // Later files finish first on the workers.
      std::this_thread::sleep_for(std::chrono::microseconds((40 - index) * 50));
      return index % 4 != 3;
    };
    FileList list;
    std::vector<std::wstring> skipped;
    RecordingProgress progress;
    const DropOutcome outcome = TakeDrop(paths, list, settings, skipped, examine, progress, {c.workers, {}, {}});
    EXPECT_EQ(outcome.added, c.added) << c.workers << c.shortAt;
    EXPECT_EQ(outcome.outOfMemory, c.shortAt >= 0);
    EXPECT_EQ(skipped.size(), c.skipped);
    std::vector<std::wstring> expected;
    for (int i = 0; i < 40 && i != c.shortAt; ++i) {
      if (i % 4 != 3) expected.push_back(std::to_wstring(100 + i) + L".jpg");
    }
    EXPECT_EQ(Names(list), expected);
  }
}

TEST_F(DropTest, PlainIntakeRecordsSizesAndRefusesNothing) {
  Settings settings;
  settings.Preprocessing = 0;
  settings.SortAfterDrop = 0;
  FileList list;
  std::vector<std::wstring> skipped;
  RecordingProgress progress;
  const std::wstring text = dir_.File(L"notes.txt");
  testsupport::WriteText(fs::path(text), "twelve bytes");
  const std::wstring gone = dir_.File(L"gone.jpg");
  TakeDrop({text, gone}, list, settings, skipped,
           [](FileItem&) -> bool {
             ADD_FAILURE() << "examined";
             return false;
           },
           progress);
  ASSERT_EQ(list.Items.size(), 2u);
  EXPECT_EQ(list.Items[0].FileSize, 12);
  EXPECT_EQ(list.Items[1].FileSize, 0);
  EXPECT_EQ(list.Items[0].Width, 0);
  EXPECT_EQ(list.TotalFileBytes, 12);
  EXPECT_EQ(progress.sorted, 0);
}

}  // namespace
