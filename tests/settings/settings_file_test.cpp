#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/file.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

constexpr platform::DisplaySize kDisplay{1920, 1080};

Settings Read(std::string_view fileBytes, platform::DisplaySize display = kDisplay) {
  IniReader ini(fileBytes);
  Settings s;
  s.JpgQuality = 3;  // whatever the record held before must not survive
  ReadSettings(ini, display, s);
  return s;
}

std::string Stars() { return std::string(80, '*'); }

TEST(SettingsRead, NoFileGivesTheFactoryDefaults) {
  const Settings s = Read("");
  EXPECT_EQ(s.PaperFormat, 6);
  EXPECT_EQ(s.JpgCompression, 1);
  EXPECT_EQ(s.JpgQuality, 8);
  EXPECT_EQ(s.ImageScaling, 100);
  EXPECT_EQ(s.RememberWinPos, 0);
  EXPECT_EQ(s.W, 600);
  EXPECT_EQ(s.H, 400);

  testsupport::TempDir dir;
  Settings loaded;
  loaded.PaperFormat = 2;
  EXPECT_FALSE(LoadSettingsFromFile(dir.File(L"Quillon.ini"), loaded));
  EXPECT_EQ(loaded.PaperFormat, 6);
}

TEST(SettingsRead, OutOfRangeValuesAreClampedNotReset) {
  const Settings s = Read(
      "[PDF creation]\r\nHeaderFontSize = 20\r\nPaperFormat = 0\r\nJpgQuality = abc\r\n"
      "ImageScaling = 250\r\nResizeOnlyIfWider = -4\r\nPdfStartup = 3xyz\r\n"
      "[General]\r\nRememberWinPos = 1\r\nW = 100\r\nH = 399\r\nX = 10\r\nY = 20\r\n");
  EXPECT_EQ(s.HeaderFontSize, 12);
  EXPECT_EQ(s.PaperFormat, 1);
  EXPECT_EQ(s.JpgQuality, 1);  // letters read as 0, then clamped
  EXPECT_EQ(s.ImageScaling, 100);
  EXPECT_EQ(s.ResizeOnlyIfWider, 0);
  EXPECT_EQ(s.PdfStartup, 3);
  EXPECT_EQ(s.W, 600);
  EXPECT_EQ(s.H, 400);
  EXPECT_EQ(s.X, 10);
  EXPECT_EQ(s.Y, 20);
}

TEST(SettingsRead, HugeNumbersSaturateBeforeClamping) {
  const std::string many(400, '9');
  const Settings s = Read("[PDF creation]\nJpgQuality = " + many + "\nImageScaling = -" + many +
                          "\n[General]\nRememberWinPos = 1\nW = +" + many + "\nH = 9223372036854775808\n");
  EXPECT_EQ(s.JpgQuality, 10);
  EXPECT_EQ(s.ImageScaling, 1);
  EXPECT_EQ(s.W, INT32_MAX);
  EXPECT_EQ(s.H, INT32_MAX);

  EXPECT_EQ(ParseLeadingInteger(L"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ParseLeadingInteger(L"-9223372036854775809"), INT64_MIN);
  EXPECT_EQ(ParseLeadingInteger(L"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ParseLeadingInteger(L"9223372036854775808"), INT64_MAX);
  EXPECT_EQ(ParseLeadingInteger(L"-"), 0);
  EXPECT_EQ(ParseLeadingInteger(L"- 5"), 0);
  EXPECT_EQ(ParseLeadingInteger(L"+42 px"), 42);
}

TEST(SettingsRead, GroupsAndKeysIgnoreCaseAndBlanksAroundTheEqualsSign) {
  const Settings s = Read(
      "\t [pdf CREATION]\n  ; JpgQuality = 2\n\tjpgquality\t=\t3\t\nPAPERFORMAT=2\n"
      "[thumbnail\nthumbsize = 3\n");
  EXPECT_EQ(s.JpgQuality, 3);
  EXPECT_EQ(s.PaperFormat, 2);
  EXPECT_EQ(s.ThumbSize, 3);  // a group line without "]" still names its group
}

TEST(SettingsRead, KeyLookupStaysInsideItsOwnGroup) {
  const Settings s = Read(
      "JpgQuality = 2\n"  // before any group: belongs to none
      "[General]\nJpgQuality = 4\nPaperFormat = 3\n"
      "[PDF creation]\nImageScaling = 50\nImageScaling = 70\n"
      "[PDF creation]\nHeaderFontSize = 9\n");
  EXPECT_EQ(s.JpgQuality, 8);
  EXPECT_EQ(s.PaperFormat, 6);
  EXPECT_EQ(s.ImageScaling, 50);     // the first line of a key wins
  EXPECT_EQ(s.HeaderFontSize, 10);   // a repeated group header is never searched
}

TEST(SettingsRead, WindowPlaceOutsideThePrimaryDisplayIsReset) {
  const auto place = [](const std::string& x, const std::string& y, platform::DisplaySize display) {
    const Settings s = Read("[General]\nRememberWinPos = 1\nX = " + x + "\nY = " + y + "\nW = 800\nH = 700\n",
                            display);
    return std::to_string(s.X) + "," + std::to_string(s.Y) + "," + std::to_string(s.W) + "," + std::to_string(s.H);
  };
  EXPECT_EQ(place("-5", "10", kDisplay), "100,100,600,400");
  EXPECT_EQ(place("10", "-1", kDisplay), "100,100,600,400");
  EXPECT_EQ(place("1921", "10", kDisplay), "100,100,600,400");
  EXPECT_EQ(place("10", "1081", kDisplay), "100,100,600,400");
  EXPECT_EQ(place("1920", "1080", kDisplay), "1920,1080,800,700");
  EXPECT_EQ(place("5", "5", platform::DisplaySize{}), "100,100,600,400");  // no display found

  // Without position memory the stored place is not read at all.
  const Settings off = Read("[General]\nRememberWinPos = 0\nX = 300\nY = 300\nW = 900\nH = 900\n");
  EXPECT_EQ(off.X, 0);
  EXPECT_EQ(off.W, 600);
}

TEST(SettingsRead, WindowPlaceOnAnyMonitorIsKeptWithItsMaximisedState) {
  // A second monitor left of and above the primary one.
  const platform::DisplayArea monitors[] = {{0, 0, 1920, 1080}, {-1280, -200, 0, 824}};
  struct Case {
    const char* x;
    const char* y;
    const char* kept;
  } cases[] = {
      {"-1000", "-100", "-1000,-100,800,700,1"},  // on the second monitor
      {"-1281", "10", "100,100,600,400,1"},       // left of both: back on the primary one
      {"10", "-150", "100,100,600,400,1"},        // above the primary, right of the second
      {"500", "400", "500,400,800,700,1"},
  };
  for (const Case& c : cases) {
    IniReader ini("[General]\nRememberWinPos = 1\nX = " + std::string(c.x) + "\nY = " + c.y +
                  "\nW = 800\nH = 700\nMaximized = 1\n");
    Settings s;
    ReadSettings(ini, monitors, s);
    EXPECT_EQ(std::to_string(s.X) + "," + std::to_string(s.Y) + "," + std::to_string(s.W) + "," +
                  std::to_string(s.H) + "," + std::to_string(s.Maximized),
              c.kept);
  }
  // Older files have no such key; without position memory it is neither read nor written.
  EXPECT_EQ(Read("[General]\nRememberWinPos = 1\n").Maximized, 0);
  EXPECT_EQ(Read("[General]\nMaximized = 1\n").Maximized, 0);
  Settings s;
  s.Maximized = 1;
  EXPECT_EQ(FormatSettingsFile(s).find("Maximized"), std::string::npos);
  s.RememberWinPos = 1;
  const std::string file = FormatSettingsFile(s);
  EXPECT_EQ(file.substr(file.size() - 33), "TiffAllPages = 1\r\nMaximized = 1\r\n");
}

TEST(SettingsRead, RememberedFolderIsKeptOnlyWhileItExists) {
  testsupport::TempDir dir;
  const std::string folder = dir.path().string();
  EXPECT_EQ(Read("[General]\nLastDirectory = " + folder + "  \n").LastDirectory, dir.path().wstring());
  EXPECT_EQ(Read("[General]\nLastDirectory = " + folder + "/gone\n").LastDirectory, L"");
  EXPECT_EQ(Read("[General]\nRememberLastDirectory = 0\nLastDirectory = " + folder + "\n").LastDirectory, L"");
  testsupport::WriteText(dir.path() / "file.txt", "x");
  EXPECT_EQ(Read("[General]\nLastDirectory = " + folder + "/file.txt\n").LastDirectory, L"");
  EXPECT_TRUE(DirectoryExists(dir.path().wstring()));
  EXPECT_FALSE(DirectoryExists(L""));
}

TEST(SettingsRead, FileWithoutByteOrderMarkIsLatin1AndIsRewrittenAsUtf8) {
  const Settings s = Read("[PDF creation]\r\nDocAuthor = Ren\xE9\r\nSaveAuthor = 1\r\n");
  EXPECT_EQ(s.DocAuthor, L"Ren\u00e9");
  const std::string file = FormatSettingsFile(s);
  EXPECT_EQ(file.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(file.find("\r\nDocAuthor = Ren\xC3\xA9\r\n"), std::string::npos);
  EXPECT_EQ(Read(file).DocAuthor, L"Ren\u00e9");
}

TEST(SettingsRead, MalformedUtf8AndNulBytesStayInsideTheirValue) {
  static const char kBytes[] = "\xEF\xBB\xBF[PDF creation]\nDocTitle = a\xFF\x00z\t\nJpgQuality = 4\n";
  const std::string text(kBytes, sizeof kBytes - 1);
  const Settings s = Read(text);
  EXPECT_EQ(s.DocTitle, std::wstring(L"a\uFFFD\0z", 4));
  EXPECT_EQ(s.JpgQuality, 4);
}

TEST(SettingsWrite, DefaultsGiveExactlyThisFile) {
  const std::string expected =
      "\xEF\xBB\xBF\r\n"
      "; " + Stars() + "\r\n"
      "; Configuration file for Quillon 1.0.52\r\n"
      "; You should not manually edit this file, unless you know what you are doing, but\r\n"
      "; you can safely delete it if you want to restore all settings to factory defaults.\r\n"
      "; " + Stars() + "\r\n"
      "[PDF creation]\r\nJpgCompression = 1\r\nJpgQuality = 8\r\nImageScaling = 100\r\nResizeOnlyIfWider = 0\r\n"
      "EnlargeToFit = 0\r\nPaperOrientation = 1\r\nPaperFormat = 6\r\nPdfStartup = 1\r\nKeepAspect = 1\r\n"
      "DisplayHeader = 0\r\nHeaderFontSize = 10\r\nHeaderDisplayWhat = 1\r\nHeaderDisplayWhere = 1\r\n"
      "HeaderDisplayAlign = 1\r\nSaveAuthor = 0\r\nSaveTitle = 0\r\n"
      "[Thumbnail]\r\nThumbLocked = 1\r\nThumbSide = 2\r\nThumbSize = 2\r\nThumbColor = 1\r\n"
      "[General]\r\nStayOnTop = 0\r\nRememberWinPos = 0\r\nShowThumbs = 0\r\nRememberLastDirectory = 1\r\n"
      "SaveSameDirAsFiles = 0\r\nClearBeforeDrop = 0\r\nShowOptions = 1\r\nShowFullPath = 0\r\n"
      "SortAfterDrop = 1\r\nOpenPdf = 0\r\nOpenDir = 1\r\nConfirmations = 1\r\nMemoryLoad = 1\r\n"
      "ShowSizeCondensed = 1\r\nSortIncludingPath = 0\r\nPreprocessing = 1\r\nDocTitleFromFileName = 0\r\n"
      "DeleteLogIfSuccessful = 0\r\nEnableSubFolders = 0\r\nJpgNoRecompression = 0\r\nAutoRotate = 1\r\nTiffAllPages = 1\r\n";
  EXPECT_EQ(FormatSettingsFile(Settings{}), expected);
}

TEST(SettingsWrite, ConditionalKeysAppearOnlyWhenTheirConditionHolds) {
  Settings s;
  s.JpgCompression = 0;
  s.JpgQuality = 3;
  s.DocAuthor = L"Ann";
  s.DocTitle = L"Book";
  s.LastDirectory = L"C:\\Pictures";
  s.X = -20;
  std::string file = FormatSettingsFile(s);
  for (const char* absent : {"\nJpgQuality =", "\nDocAuthor =", "\nDocTitle =", "\nX = ", "\nW = "}) {
    EXPECT_EQ(file.find(absent), std::string::npos) << absent;
  }
  EXPECT_NE(file.find("\r\nStayOnTop = 0\r\nRememberWinPos = 0\r\nShowThumbs = 0\r\nRememberLastDirectory"),
            std::string::npos);
  EXPECT_NE(file.find("\r\nSaveSameDirAsFiles = 0\r\nLastDirectory = C:\\Pictures\r\nClearBeforeDrop"),
            std::string::npos);
  EXPECT_EQ(Read(file).JpgQuality, 8);  // the next start shows the default quality

  s.SaveAuthor = 1;
  s.SaveTitle = 1;
  s.RememberWinPos = 1;
  s.RememberLastDirectory = 0;
  file = FormatSettingsFile(s);
  EXPECT_NE(file.find("\r\nHeaderDisplayAlign = 1\r\nDocAuthor = Ann\r\nDocTitle = Book\r\nSaveAuthor = 1\r\n"),
            std::string::npos);
  EXPECT_NE(file.find("\r\nShowThumbs = 0\r\nX = -20\r\nY = 0\r\nW = 600\r\nH = 400\r\nRememberLastDirectory = 0"),
            std::string::npos);
  EXPECT_EQ(file.find("\nLastDirectory ="), std::string::npos);
}

TEST(SettingsWrite, LineBreaksInsideATextCannotForgeKeys) {
  Settings s;
  s.SaveTitle = 1;
  s.DocTitle = L"Title\r\n[General]\nConfirmations = 0";
  const Settings back = Read(FormatSettingsFile(s));
  EXPECT_EQ(back.Confirmations, 1);
  EXPECT_EQ(back.DocTitle, L"Title  [General] Confirmations = 0");
}

Settings EveryFieldChanged(const std::wstring& folder) {
  Settings s;
  s.LastDirectory = folder;
  s.X = 1200, s.Y = 700, s.W = 1024, s.H = 768;
  s.StayOnTop = 1, s.RememberWinPos = 1, s.ShowThumbs = 1;
  s.JpgCompression = 1, s.JpgQuality = 3, s.ImageScaling = 45, s.ResizeOnlyIfWider = 1600;
  s.PaperOrientation = 2, s.PaperFormat = 4, s.PdfStartup = 3, s.EnlargeToFit = 1, s.KeepAspect = 0;
  s.RememberLastDirectory = 1, s.SaveSameDirAsFiles = 1, s.ClearBeforeDrop = 1, s.SortAfterDrop = 0;
  s.ShowOptions = 0, s.ShowFullPath = 1, s.OpenPdf = 1, s.OpenDir = 0, s.Confirmations = 0, s.MemoryLoad = 0;
  s.ShowSizeCondensed = 0, s.SortIncludingPath = 1, s.Preprocessing = 0, s.DocTitleFromFileName = 1;
  s.SaveAuthor = 1, s.SaveTitle = 1, s.DeleteLogIfSuccessful = 1, s.EnableSubFolders = 1;
  s.JpgNoRecompression = 1, s.AutoRotate = 0, s.TiffAllPages = 0, s.Maximized = 1;
  s.DocAuthor = L"J\u00f6rg \u20ac = \U0001F600";
  s.DocTitle = L"[Not a group] ; not a comment";
  s.ThumbLocked = 0, s.ThumbSide = 1, s.ThumbSize = 3, s.ThumbColor = 2;
  s.DisplayHeader = 1, s.HeaderFontSize = 8, s.HeaderDisplayWhat = 2, s.HeaderDisplayWhere = 2;
  s.HeaderDisplayAlign = 3;
  return s;
}

void ExpectSameSettings(const Settings& a, const Settings& b) {
  // Comparing the written forms compares every field the file holds.
  EXPECT_EQ(FormatSettingsFile(a), FormatSettingsFile(b));
  EXPECT_EQ(a.LastDirectory, b.LastDirectory);
  EXPECT_EQ(a.DocAuthor, b.DocAuthor);
  EXPECT_EQ(a.DocTitle, b.DocTitle);
}

TEST(SettingsFile, EveryFieldSurvivesARoundTrip) {
  testsupport::TempDir dir;
  const Settings original = EveryFieldChanged(dir.path().wstring());
  ExpectSameSettings(Read(FormatSettingsFile(original)), original);

  // Through the file itself; the top-left corner is on every display, even
  // on a host that reports none.
  Settings atCorner = original;
  atCorner.X = 0, atCorner.Y = 0;
  const std::wstring path = dir.File(L"Quillon.ini");
  ASSERT_TRUE(SaveSettingsToFile(path, atCorner));
  Settings loaded;
  ASSERT_TRUE(LoadSettingsFromFile(path, loaded));
  ExpectSameSettings(loaded, atCorner);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Quillon.ini.tmp"));
}

TEST(SettingsFile, FailedSaveLeavesThePreviousFileIntact) {
  testsupport::TempDir dir;
  const std::wstring path = dir.File(L"Quillon.ini");
  testsupport::WriteText(dir.path() / "Quillon.ini", "[PDF creation]\nJpgQuality = 2\n");

  // The temporary file cannot be created.
  std::filesystem::create_directory(dir.path() / "Quillon.ini.tmp");
  EXPECT_FALSE(SaveSettingsToFile(path, Settings{}));
  EXPECT_EQ(testsupport::ReadText(dir.path() / "Quillon.ini"), "[PDF creation]\nJpgQuality = 2\n");
  std::filesystem::remove(dir.path() / "Quillon.ini.tmp");

  // The finished file cannot take the old one's place: nothing is left behind.
  const std::wstring folderPath = dir.File(L"Folder.ini");
  std::filesystem::create_directory(dir.path() / "Folder.ini");
  testsupport::WriteText(dir.path() / "Folder.ini" / "keep", "k");
  EXPECT_FALSE(SaveSettingsToFile(folderPath, Settings{}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Folder.ini.tmp"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Folder.ini" / "keep"));

  // A file the user made read-only.
  std::filesystem::permissions(dir.path() / "Quillon.ini", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_FALSE(SaveSettingsToFile(path, Settings{}));
  EXPECT_EQ(testsupport::ReadText(dir.path() / "Quillon.ini"), "[PDF creation]\nJpgQuality = 2\n");
  std::filesystem::permissions(dir.path() / "Quillon.ini", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);

  // A folder that does not exist.
  EXPECT_FALSE(SaveSettingsToFile(dir.File(L"missing/Quillon.ini"), Settings{}));
}

TEST(SettingsFile, OversizedFileIsNotReadAndGivesDefaults) {
  testsupport::TempDir dir;
  std::string big = "[PDF creation]\nJpgQuality = 2\n";
  big.resize(3u << 20, ' ');
  testsupport::WriteText(dir.path() / "Quillon.ini", big);
  Settings s;
  EXPECT_FALSE(LoadSettingsFromFile(dir.File(L"Quillon.ini"), s));
  EXPECT_EQ(s.JpgQuality, 8);
}

TEST(SettingsFile, SettingsFileLiesBesideTheExecutable) {
  const std::wstring path = GetSettingsFilePath();
  const std::filesystem::path exe = std::filesystem::path(platform::ExecutablePath()).parent_path();
  EXPECT_EQ(std::filesystem::path(path).parent_path(), exe);
  EXPECT_EQ(std::filesystem::path(path).filename(), L"Quillon.ini");

  EXPECT_EQ(SettingsFileBeside(L"\\\\?\\C:\\Tools\\Quillon.exe"), L"C:\\Tools\\Quillon.ini");
  EXPECT_EQ(SettingsFileBeside(L"\\\\?\\UNC\\server\\share\\Quillon.exe"), L"\\\\server\\share\\Quillon.ini");
  EXPECT_EQ(SettingsFileBeside(L"D:/apps/q.exe"), L"D:/apps/Quillon.ini");
  EXPECT_EQ(SettingsFileBeside(L"q.exe"), L"Quillon.ini");
}

TEST(SettingsFile, InstalledProgramKeepsSettingsInTheUsersOwnFile) {
  testsupport::TempDir dir;
  const std::wstring beside = dir.File(L"Quillon.ini");
  const std::wstring user = dir.File(L"user/Quillon/Quillon.ini");
  struct Case {
    bool besideWritable, besideExists, userExists;
    std::wstring load, save;
  } cases[] = {
      {true, false, false, beside, beside},  // portable: as it always was
      {true, true, true, beside, beside},
      {false, false, false, user, user},     // Program Files: the user's own
      {false, true, false, beside, user},    // a placed copy, until the first save
      {false, true, true, user, user},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir.path() / "user");
    std::filesystem::remove(beside);
    if (c.besideExists) testsupport::WriteText(beside, "");
    if (c.userExists) {
      std::filesystem::create_directories(dir.path() / "user" / "Quillon");
      testsupport::WriteText(user, "");
    }
    const SettingsFiles files = ChooseSettingsFiles(beside, c.besideWritable, user);
    EXPECT_EQ(files.load, c.load) << c.besideWritable << c.besideExists << c.userExists;
    EXPECT_EQ(files.save, c.save) << c.besideWritable << c.besideExists << c.userExists;
    EXPECT_EQ(files.userOwn, !c.besideWritable);
  }
  // The user's folder is made at the first save; its parent exists.
  std::filesystem::create_directories(dir.path() / "user");
  Settings s;
  s.JpgQuality = 4;
  ASSERT_TRUE(SaveSettingsToFiles(ChooseSettingsFiles(beside, false, user), s));
  Settings back;
  EXPECT_TRUE(LoadSettingsFromFile(user, back));
  EXPECT_EQ(back.JpgQuality, 4);
}

TEST(SettingsOverride, AppliesOneValueAsTheFileWould) {
  testsupport::TempDir dir;
  Settings s;
  EXPECT_TRUE(ApplySettingOverride(L"HeaderFontSize=20", s));
  EXPECT_EQ(s.HeaderFontSize, 12);
  EXPECT_TRUE(ApplySettingOverride(L"  jpgquality \t=\t abc", s));
  EXPECT_EQ(s.JpgQuality, 1);
  EXPECT_TRUE(ApplySettingOverride(L"W = 100", s));
  EXPECT_EQ(s.W, 600);
  EXPECT_TRUE(ApplySettingOverride(L"X=-30", s));
  EXPECT_EQ(s.X, -30);
  EXPECT_TRUE(ApplySettingOverride(L"DocAuthor =  Jane Doe \t", s));
  EXPECT_EQ(s.DocAuthor, L"Jane Doe");
  EXPECT_TRUE(ApplySettingOverride(L"LastDirectory=" + dir.path().wstring(), s));
  EXPECT_EQ(s.LastDirectory, dir.path().wstring());
  EXPECT_TRUE(ApplySettingOverride(L"LastDirectory=" + dir.path().wstring() + L"/gone", s));
  EXPECT_EQ(s.LastDirectory, L"");

  const std::string before = FormatSettingsFile(s);
  EXPECT_FALSE(ApplySettingOverride(L"NoSuchKey=1", s));
  EXPECT_FALSE(ApplySettingOverride(L"JpgQuality", s));
  EXPECT_FALSE(ApplySettingOverride(L"", s));
  EXPECT_EQ(FormatSettingsFile(s), before);
}

}  // namespace
