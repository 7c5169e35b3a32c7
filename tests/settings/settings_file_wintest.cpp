#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/display.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

// Owns a handle opened by the test itself.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

TEST(SettingsFileWin, SaveOverAFileHeldByAnotherProgramFailsAndKeepsIt) {
  testsupport::TempDir dir;
  const std::wstring path = dir.File(L"Quillon.ini");
  testsupport::WriteText(dir.path() / "Quillon.ini", "[PDF creation]\r\nJpgQuality = 2\r\n");
  {
    // An editor holding the file without sharing it.
    Handle held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsOpen());
    EXPECT_FALSE(SaveSettingsToFile(path, Settings{}));
  }
  EXPECT_EQ(testsupport::ReadText(dir.path() / "Quillon.ini"), "[PDF creation]\r\nJpgQuality = 2\r\n");
  EXPECT_EQ(::GetFileAttributesW(dir.File(L"Quillon.ini.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  // Released, the same save goes through and replaces the file.
  ASSERT_TRUE(SaveSettingsToFile(path, Settings{}));
  Settings s;
  ASSERT_TRUE(LoadSettingsFromFile(path, s));
  EXPECT_EQ(s.JpgQuality, 8);
  EXPECT_EQ(testsupport::ReadText(dir.path() / "Quillon.ini").substr(0, 5), "\xEF\xBB\xBF\r\n");
}

TEST(SettingsFileWin, RememberedPlaceIsCheckedAgainstTheRealDisplay) {
  const platform::DisplaySize display = platform::PrimaryDisplaySize();
  ASSERT_GT(display.width, 0);
  ASSERT_GT(display.height, 0);
  EXPECT_EQ(display.width, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(display.height, ::GetSystemMetrics(SM_CYSCREEN));

  testsupport::TempDir dir;
  const std::wstring path = dir.File(L"Quillon.ini");
  Settings s;
  s.RememberWinPos = 1;
  s.X = display.width - 1, s.Y = display.height - 1, s.W = 700, s.H = 500;
  ASSERT_TRUE(SaveSettingsToFile(path, s));
  Settings loaded;
  ASSERT_TRUE(LoadSettingsFromFile(path, loaded));
  EXPECT_EQ(loaded.X, display.width - 1);
  EXPECT_EQ(loaded.W, 700);

  s.X = display.width + 1;
  ASSERT_TRUE(SaveSettingsToFile(path, s));
  ASSERT_TRUE(LoadSettingsFromFile(path, loaded));
  EXPECT_EQ(loaded.X, 100);
  EXPECT_EQ(loaded.W, 600);
}

TEST(SettingsFileWin, FoldersAreRecognisedWithOrWithoutTheirBackslash) {
  wchar_t windows[MAX_PATH];
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::wstring folder = windows;
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_TRUE(DirectoryExists(folder + L"\\"));
  EXPECT_TRUE(DirectoryExists(folder.substr(0, 2)));  // "C:" is the root once "\" is appended
  EXPECT_FALSE(DirectoryExists(folder + L"\\no such folder"));

  testsupport::TempDir dir;
  testsupport::WriteText(dir.path() / "file.txt", "x");
  EXPECT_FALSE(DirectoryExists(dir.File(L"file.txt")));
}

}  // namespace
