#include <gtest/gtest.h>

#include "cli/console_options.h"

namespace {

using Args = std::vector<std::wstring>;

TEST(ConsoleArguments, OptionsOutputAndInputs) {
  ConsoleOptions o;
  std::wstring error;
  ASSERT_TRUE(ParseConsoleArguments(Args{L"--settings", L"my.ini", L"--set", L"JpgQuality=3", L"--quiet", L"--set",
                                         L"paperformat = 1", L"out.pdf", L"a.jpg", L"scans"},
                                    o, error))
      << error;
  EXPECT_EQ(o.command, ConsoleCommand::Build);
  EXPECT_EQ(o.settingsFile, L"my.ini");
  EXPECT_EQ(o.assignments, (Args{L"JpgQuality=3", L"paperformat = 1"}));
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.output, L"out.pdf");
  EXPECT_EQ(o.inputs, (Args{L"a.jpg", L"scans"}));

  // After "--" a name starting with "-" is a file; a lone "-" always is.
  ASSERT_TRUE(ParseConsoleArguments(Args{L"out.pdf", L"-", L"--", L"--quiet", L"-x.jpg"}, o, error));
  EXPECT_FALSE(o.quiet);
  EXPECT_EQ(o.inputs, (Args{L"-", L"--quiet", L"-x.jpg"}));

  ASSERT_TRUE(ParseConsoleArguments(Args{L"out.pdf", L"--version"}, o, error));
  EXPECT_EQ(o.command, ConsoleCommand::Version);
  ASSERT_TRUE(ParseConsoleArguments(Args{L"--help"}, o, error));
  EXPECT_EQ(o.command, ConsoleCommand::Help);
}

TEST(ConsoleArguments, UsageErrorsSayWhatIsWrongInOneLine) {
  const std::vector<Args> wrong = {
      {},                                      // nothing at all
      {L"out.pdf"},                            // no input
      {L"-q", L"out.pdf", L"a.jpg"},           // unknown option
      {L"out.pdf", L"a.jpg", L"--set"},        // --set without its value
      {L"--set", L"JpgQuality", L"o.pdf", L"a.jpg"},  // no "="
      {L"out.pdf", L"a.jpg", L"--settings"},   // --settings without its file
      {L"--settings", L"", L"o.pdf", L"a.jpg"},
      {L"", L"a.jpg"},                         // empty output name
  };
  for (const Args& args : wrong) {
    ConsoleOptions o;
    std::wstring error;
    EXPECT_FALSE(ParseConsoleArguments(args, o, error)) << args.size();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find(L'\n'), std::wstring::npos);
  }
}

TEST(ConsoleArguments, AssignmentsAreReadLikeTheSettingsFile) {
  Settings s;
  std::wstring error;
  ASSERT_TRUE(ApplyConsoleAssignments({L"jpgquality=50", L"PAPERFORMAT=0", L"DocTitle=  Holiday  ", L"ImageScaling=abc"},
                                      s, error))
      << error;
  EXPECT_EQ(s.JpgQuality, 10);   // clamped, not reset
  EXPECT_EQ(s.PaperFormat, 1);
  EXPECT_EQ(s.DocTitle, L"Holiday");
  EXPECT_EQ(s.ImageScaling, 1);  // not a number: 0, then clamped

  s = Settings();
  EXPECT_FALSE(ApplyConsoleAssignments({L"PaperFormat=2", L"Colour =1", L"JpgQuality=2"}, s, error));
  EXPECT_NE(error.find(L"\"Colour\""), std::wstring::npos) << error;
  EXPECT_EQ(s.PaperFormat, 2);  // the ones before it were applied, none after
  EXPECT_EQ(s.JpgQuality, 8);
}

TEST(ConsoleExit, StatusFollowsWhatTheBuildDid) {
  BuildLog log;
  log.FilesProcessed = 3;
  EXPECT_EQ(ConsoleExitStatus(1, log, 0), kExitOk);
  EXPECT_EQ(ConsoleExitStatus(1, log, 1), kExitProblems);  // refused when dropped
  EXPECT_EQ(ConsoleExitStatus(0, log, 0), kExitStopped);
  log.FilesMissing = 1;
  EXPECT_EQ(ConsoleExitStatus(1, log, 0), kExitProblems);
  EXPECT_EQ(ConsoleExitStatus(0, log, 0), kExitStopped);
  log = BuildLog();
  log.FilesSkipped = 2;  // nothing placed: no PDF was written
  EXPECT_EQ(ConsoleExitStatus(1, log, 0), kExitProblems);
}

TEST(ConsoleText, SkippedListAndProgressLines) {
  EXPECT_EQ(SkippedFilesReport({L"C:\\a b\\x.txt", L"C:\\y.doc"}),
            L"Some files (2) were skipped, format not supported.\nC:\\a b\\x.txt\nC:\\y.doc\n");
  EXPECT_EQ(ProgressRecord(3, 12, L"IMG_1.jpg"), L"3 of 12  IMG_1.jpg");

  EXPECT_EQ(ProgressBarLine(2, 4, 1, L"a.jpg", 80), L"2 of 4 [#####...............] a.jpg");
  EXPECT_EQ(ProgressBarLine(4, 4, 4, L"a.jpg", 80), L"4 of 4 [####################] a.jpg");
  // A long name keeps its end and the line never exceeds the width.
  const std::wstring line = ProgressBarLine(1, 9, 0, L"a-very-long-folder-name-IMG_0042.jpg", 40);
  EXPECT_EQ(line.size(), 40u);
  EXPECT_EQ(line.substr(30), L"...042.jpg");
  EXPECT_EQ(ProgressBarLine(1, 9, 0, L"x.jpg", 10).size(), 10u);
  EXPECT_EQ(ProgressBarLine(1, 0, 5, L"x.jpg", 80), L"1 of 0 [....................] x.jpg");
}

}  // namespace
