#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pipeline/build_log.h"
#include "support/temp_dir.h"

namespace {

// 2026-03-03 14:05:09 local: day and month alike, so every date order gives
// "03/03/26" wherever "/" is the date separator.
constexpr std::int64_t kStart = 1772546709;
std::int64_t g_now = kStart;
std::int64_t TestClock() { return g_now; }

struct LogTest : ::testing::Test {
  testsupport::TempDir dir;
  std::wstring pdf = dir.File(L"book.pdf");
  std::wstring logPath = MakeLogFileName(pdf);
  BuildLog log;

  LogTest() {
    g_now = kStart;
    log.Clock = TestClock;
  }
  std::string LogText() const { return testsupport::ReadText(std::filesystem::path(logPath)); }
  void MakePdf(std::size_t size) const { testsupport::WriteText(dir.path() / "book.pdf", std::string(size, '%')); }
  std::string Path(const wchar_t* name) const { return dir.path().string() + std::string(1, char(std::filesystem::path::preferred_separator)) + std::filesystem::path(name).string(); }
};

TEST_F(LogTest, ThreeFilesWithTheSecondMissing) {
  Settings s;
  ASSERT_TRUE(OpenBuildLog(log, L"Quillon 1.0.52 (x86)", pdf, logPath, s));
  LogPageOk(log, dir.File(L"a.jpg"), 2000, 1500);
  LogFileMissing(log, dir.File(L"b.jpg"));
  LogPageOk(log, dir.File(L"c.jpg"), 3000000, 1000000);
  MakePdf(1002000);
  g_now = kStart + 3725;
  WriteBuildReport(log);

  const std::string expected =
      "Quillon 1.0.52 (x86)\r\n\r\n"
      "Image compression = JPG (quality: 8)\r\n"
      "Resizing = 100 %\r\n"
      "Paper format = Paperless\r\n"
      "Startup mode = Fit page\r\n"
      "\r\n"
      "[OK] Page 1: " + Path(L"a.jpg") + " (75 %)\r\n"
      "[ERR] " + Path(L"b.jpg") + " is missing !\r\n"
      "[OK] Page 2: " + Path(L"c.jpg") + " (33.3 %)\r\n"
      "\r\n"
      "Start time        : 03/03/26 14:05:09\r\n"
      "End time          : 03/03/26 15:07:14\r\n"
      "Elapsed time      : 01:02:05\r\n"
      "\r\n"
      "Output file       : " + Path(L"book.pdf") + " (1,002,000 bytes)\r\n"
      "Shrinked to       : 33.3 %\r\n"
      "Speed             : 0.00 MB/sec\r\n"
      "\r\n"
      "Files processed   : 2 (3,002,000 bytes)\r\n"
      "Files skipped     : 0\r\n"
      "Files missing     : 1\r\n"
      "\r\n"
      "!!! COMPLETED WITH ERRORS !!!\r\n";
  EXPECT_EQ(LogText(), expected);
  EXPECT_EQ(log.PageNumber, 2);
  EXPECT_EQ(log.FilesProcessed, 2);
  EXPECT_EQ(log.FilesMissing, 1);
  EXPECT_EQ(log.BytesProcessed, 3002000);
  EXPECT_EQ(log.EndTime - log.StartTime, 3725);
}

TEST_F(LogTest, SameSecondBuildHasNoSpeedLine) {
  ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, Settings{}));
  LogPageOk(log, L"x.png", 100, 250);
  LogFileSkipped(log, SkipUnsupported, L"y.txt");
  LogFileSkipped(log, SkipJpegNotStorable, L"z.jpg");
  MakePdf(300);
  WriteBuildReport(log);
  const std::string text = LogText();
  EXPECT_NE(text.find("[OK] Page 1: x.png (250 %)\r\n"
                      "[ERR] y.txt skipped, unsupported file type !\r\n"
                      "[ERR] z.jpg skipped, unable to store this JPG file !\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("Elapsed time      : Less than a second.\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("Enlarged to       : 300 %\r\n\r\nFiles processed   : 1 (100 bytes)\r\n"
                      "Files skipped     : 2\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Speed"), std::string::npos);
}

TEST_F(LogTest, ErrorFreeBuildReportsSpeedAndNoErrors) {
  ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, Settings{}));
  LogPageOk(log, L"a.jpg", 5 << 20, 1 << 20);
  MakePdf(1 << 20);
  g_now = kStart + 1;
  WriteBuildReport(log);
  const std::string text = LogText();
  EXPECT_NE(text.find("Elapsed time      : 00:00:01\r\n"), std::string::npos);
  EXPECT_NE(text.find("Shrinked to       : 20 %\r\nSpeed             : 2.5 MB/sec\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 13), "\r\nNO ERRORS\r\n");
}

TEST_F(LogTest, SummaryNamesEveryChoiceThatApplies) {
  Settings s;
  s.JpgCompression = 0;
  s.ImageScaling = 50;
  s.ResizeOnlyIfWider = 12000;  // beyond the usual bound, written as it is
  s.PaperFormat = 1;
  s.PaperOrientation = 2;
  s.PdfStartup = 4;
  s.EnlargeToFit = 1;
  s.KeepAspect = 0;
  s.JpgNoRecompression = 1;
  ASSERT_TRUE(OpenBuildLog(log, L"Quillon 1.0.52 (x86)", pdf, logPath, s));
  log.LogFile.Close();
  EXPECT_EQ(LogText(),
            "Quillon 1.0.52 (x86)\r\n\r\n"
            "Image compression = PNG (lossless)\r\n"
            "Resizing = 50 %\r\n"
            "Resize only if width > 12000\r\n"
            "Orientation = Landscape\r\n"
            "Paper format = A4\r\n"
            "Startup mode = Full screen\r\n"
            "Enlarge to fit page if smaller = True\r\n"
            "Keep original image aspect ratio = False\r\n"
            "JPG storing mode is enabled\r\n"
            "\r\n");

  const wchar_t* papers[] = {L"A4", L"A3", L"A2", L"Letter", L"Legal"};
  const wchar_t* modes[] = {L"Fit page", L"Fit width", L"True size", L"Full screen"};
  for (int i = 1; i <= 5; ++i) {
    s.PaperFormat = i;
    s.PdfStartup = (i - 1) % 4 + 1;
    s.PaperOrientation = 1;
    ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, s));
    log.LogFile.Close();
    const std::string text = LogText();
    EXPECT_NE(text.find("Orientation = Portrait\r\nPaper format = " + std::filesystem::path(papers[i - 1]).string() +
                        "\r\nStartup mode = " + std::filesystem::path(modes[(i - 1) % 4]).string() + "\r\n"),
              std::string::npos)
        << i;
  }
}

TEST_F(LogTest, CountersKeepCountingWhenTheLogCannotBeCreated) {
  const std::wstring unwritable = dir.File(L"no-such-folder") + L"/book.pdf.log";
  log.FilesMissing = 7;
  EXPECT_FALSE(OpenBuildLog(log, L"C", pdf, unwritable, Settings{}));
  EXPECT_EQ(log.FilesMissing, 0);
  EXPECT_EQ(log.LogPath, unwritable);
  LogPageOk(log, L"a.jpg", 0, 10);
  LogFileMissing(log, L"b.jpg");
  LogFileSkipped(log, SkipUnsupported, L"c.txt");
  g_now = kStart + 5;
  WriteBuildReport(log);
  EXPECT_EQ(log.PageNumber, 1);
  EXPECT_EQ(log.FilesProcessed, 1);
  EXPECT_EQ(log.FilesMissing, 1);
  EXPECT_EQ(log.FilesSkipped, 1);
  EXPECT_EQ(log.EndTime, kStart + 5);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-folder"));
}

TEST_F(LogTest, EmptySourceAndMissingPdfGiveClearTexts) {
  ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, Settings{}));
  LogPageOk(log, L"empty.bmp", 0, 10);
  LogPageOk(log, L"unknown.bmp", -1, 10);
  LogPageOk(log, L"a.bmp", 4096, 100);
  g_now = kStart + 2;
  WriteBuildReport(log);  // cancelled: no PDF was written
  const std::string text = LogText();
  EXPECT_NE(text.find("[OK] Page 1: empty.bmp (0 %)\r\n[OK] Page 2: unknown.bmp (0 %)\r\n"), std::string::npos);
  EXPECT_EQ(log.BytesProcessed, 4096);
  EXPECT_NE(text.find("Output file       : " + Path(L"book.pdf") + " (not found)\r\n"
                      "Size ratio        : Not available.\r\n"
                      "Speed             : "),
            std::string::npos);
}

TEST_F(LogTest, NoPlacedFileMeansNoOutputFile) {
  ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, Settings{}));
  LogFileMissing(log, L"a.jpg");
  WriteBuildReport(log);
  EXPECT_NE(LogText().find("Output file       : Not available.\r\nShrinked to       : 0 %\r\n"), std::string::npos);
}

TEST_F(LogTest, ANewBuildReplacesTheLogAndDeleteRemovesIt) {
  testsupport::WriteText(std::filesystem::path(logPath), std::string(5000, 'x'));
  ASSERT_TRUE(OpenBuildLog(log, L"C", pdf, logPath, Settings{}));
  WriteBuildReport(log);
  EXPECT_EQ(LogText().find('x'), std::string::npos);
  EXPECT_EQ(LogText().substr(0, 4), "C\r\n\r");
  EXPECT_TRUE(DeleteBuildLog(log));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(logPath)));
  EXPECT_EQ(MakeLogFileName(L"C:\\Out\\book.pdf"), L"C:\\Out\\book.pdf.log");
}

}  // namespace
