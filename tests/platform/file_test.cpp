#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

// Ranges are how the probes read a file's head and tail: a range reaching
// past the end is cut to the end, never refused or over-allocated.
TEST(ReadFileRange, CutsAtTheEndAndRefusesWhatCannotBeRead) {
  TempDir dir;
  const std::wstring path = dir.File(L"ten.bin");
  testsupport::WriteText(dir.path() / "ten.bin", "0123456789");
  struct Case {
    std::int64_t offset;
    std::size_t count;
    bool ok;
    std::string bytes;
  };
  const Case cases[] = {
      {0, 4, true, "0123"},
      {6, 100, true, "6789"},
      {3, std::numeric_limits<std::size_t>::max(), true, "3456789"},
      {10, 5, true, ""},
      {25, 5, true, ""},
      {-1, 5, false, ""},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> data{'x'};
    EXPECT_EQ(platform::ReadFileRange(path, c.offset, c.count, data), c.ok) << c.offset << "+" << c.count;
    EXPECT_EQ(std::string(data.begin(), data.end()), c.bytes) << c.offset << "+" << c.count;
  }
  std::vector<unsigned char> data{'x'};
  EXPECT_FALSE(platform::ReadFileRange(dir.File(L"missing.bin"), 0, 4, data));
  EXPECT_TRUE(data.empty());
  EXPECT_TRUE(platform::ReadFileBytes(path, data));
  EXPECT_EQ(std::string(data.begin(), data.end()), "0123456789");
}

// Paths given on a command line are made full where the program started.
TEST(FullPath, RelativePathsAreMadeFullAgainstTheCurrentFolder) {
  TempDir dir;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const std::wstring relative = platform::FullPath(L"a b.png");
  const std::wstring full = platform::FullPath(dir.File(L"c.png"));
  std::filesystem::current_path(previous);
  EXPECT_EQ(relative, dir.File(L"a b.png"));
  EXPECT_EQ(full, dir.File(L"c.png"));
}

}  // namespace
