#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "format/text_format.h"
#include "pipeline/build_pdf.h"
#include "build_fakes.h"
#include "pdf/pdf.h"
#include "pdf/pdf_document.h"
#include "platform/text.h"
#include "support/pdf_reader.h"

namespace {

class BuildPdfTest : public ::testing::Test {
 protected:
  BuildPdfTest() : images_(dir_) {
    settings_.PaperFormat = 1;  // A4
    settings_.RememberLastDirectory = 0;
    pdfPath_ = dir_.File(L"book.pdf");
  }

  std::int32_t Build() {
    const BuildServices services = images_.Services();
    return BuildPdf(pdfPath_, log_, items_, settings_, progress_, services);
  }

  testsupport::PdfFile Pdf() {
    testsupport::PdfFile f = testsupport::ParsePdf(testsupport::ReadText(pdfPath_));
    for (const auto& problem : f.problems) ADD_FAILURE() << problem;
    return f;
  }

  std::string Log() { return testsupport::ReadText(pdfPath_ + L".log"); }
  bool PdfExists() { return std::filesystem::exists(std::filesystem::path(pdfPath_)); }

  testsupport::TempDir dir_;
  FakeImages images_;
  Settings settings_;
  BuildLog log_;
  FakeProgress progress_;
  std::vector<BuildItem> items_;
  std::wstring pdfPath_;
};

TEST_F(BuildPdfTest, MissingFileIsLoggedAndTheOthersBecomePages) {
  items_ = {images_.Add(L"one.jpg", 40, 30), images_.Missing(L"two.jpg"), images_.Add(L"three.jpg", 20, 10)};
  images_.freeMemory = {3LL << 30};
  EXPECT_EQ(Build(), 1);

  const testsupport::PdfFile f = Pdf();
  EXPECT_EQ(f.Pages().size(), 2u);
  const std::string log = Log();
  const std::string one = platform::ToUtf8(items_[0].Path), two = platform::ToUtf8(items_[1].Path),
                    three = platform::ToUtf8(items_[2].Path);
  EXPECT_NE(log.find("[OK] Page 1: " + one + " ("), std::string::npos) << log;
  // The percentage compares the embedded block with the 1000-byte source.
  const testsupport::PngSpec layout{40, 30, 2, std::vector<unsigned char>(40 * 30 * 3, 0x80), {}, 1, false};
  const std::string percent = platform::ToUtf8(FormatDecimal(testsupport::MakePng(layout).size() / 10.0, 1));
  EXPECT_NE(log.find("[OK] Page 1: " + one + " (" + percent + " %)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[ERR] " + two + " is missing !\r\n"), std::string::npos);
  EXPECT_NE(log.find("[OK] Page 2: " + three + " ("), std::string::npos);
  EXPECT_NE(log.find("!!! COMPLETED WITH ERRORS !!!\r\n"), std::string::npos);

  ASSERT_EQ(progress_.errors.size(), 1u);
  EXPECT_EQ(progress_.errors[0], L"There were some errors processing the files ...\r\n\r\nFiles skipped : 0\r\n\r\n"
                                 L"Files missing : 1\r\n\r\nPlease see the log  \"" + pdfPath_ +
                                     L".log\"\r\n\r\nfor more info.\r\n");
  EXPECT_EQ(progress_.files, (std::vector<std::wstring>{L"1 of 3: one.jpg", L"2 of 3: two.jpg", L"3 of 3: three.jpg"}));
  EXPECT_EQ(progress_.titles.front(), L"Building PDF ...  ( Free memory = 3 GB )");
  // Missing files neither move the bar nor poll for events.
  EXPECT_EQ(progress_.progress, (std::vector<std::int32_t>{1, 3}));
  EXPECT_EQ(progress_.polls, 2);
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"open 3", L"saving", L"close", L"finish"}));
  EXPECT_EQ(images_.trims, 1);
}

TEST_F(BuildPdfTest, EveryPageOfAMultiPageFileIsPlacedAndLogged) {
  // Page 3 of 4 cannot be used; a Cancel at the third poll stops after page 2.
  const struct {
    int cancelAtPoll;
    std::vector<std::string> lines;  // after the path
    int pdfPages, skipped;
  } cases[] = {
      {0, {", page 1 of 4 (", ", page 2 of 4 (", ", page 3 of 4 skipped", ", page 4 of 4 ("}, 4, 1},
      {2, {", page 1 of 4 (", ", page 2 of 4 ("}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cancelAtPoll);
    progress_ = FakeProgress();
    progress_.cancelAtPoll = c.cancelAtPoll;
    items_ = {images_.AddPages(L"fax.tif", {{40, 30}, {20, 10}, {30, 30}, {10, 40}}, {3}), images_.Add(L"one.png", 5, 5)};
    images_.preparedPages = 0;
    EXPECT_EQ(Build(), 1);
    const std::string log = Log(), fax = platform::ToUtf8(items_[0].Path);
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      at = log.find(fax + line, at);
      EXPECT_NE(at, std::string::npos) << line << "\n" << log;
    }
    EXPECT_EQ(log.find(fax + ", page " + std::to_string(c.lines.size() + 1)), std::string::npos) << log;
    EXPECT_EQ(images_.preparedPages, static_cast<int>(c.lines.size()) - 1);
    EXPECT_EQ(log_.FilesSkipped, c.skipped);
    if (c.pdfPages == 0) continue;
    // The file counts once, each page once; the last file follows as page 4.
    EXPECT_EQ(log_.FilesProcessed, 2);
    EXPECT_EQ(log_.PageNumber, 4);
    EXPECT_NE(log.find("[OK] Page 4: " + platform::ToUtf8(items_[1].Path) + " ("), std::string::npos) << log;
    const testsupport::PdfFile f = Pdf();
    ASSERT_EQ(f.Pages().size(), 4u);
    // Every page shows an image of its own.
    EXPECT_NE(f.Object(f.Pages()[1] + 1).find("/I2 Do"), std::string::npos);
    // The percentage sets a page's block against a quarter of the 1000-byte file.
    const testsupport::PngSpec second{20, 10, 2, std::vector<unsigned char>(20 * 10 * 3, 0x80), {}, 1, false};
    const std::string percent =
        platform::ToUtf8(FormatDecimal(static_cast<double>(testsupport::MakePng(second).size()) / 250.0 * 100.0, 1));
    EXPECT_NE(log.find("[OK] Page 2: " + fax + ", page 2 of 4 (" + percent + " %)\r\n"), std::string::npos) << log;
  }
}

TEST_F(BuildPdfTest, APageChainBrokenAfterTheLastPageSaysWhyTheRestIsMissing) {
  const struct {
    TiffChainEnd end;
    std::string why;  // empty: no line
  } cases[] = {
      {TiffChainEnd::Complete, ""},
      {TiffChainEnd::Loop, "the file's page chain leads back to an earlier page"},
      {TiffChainEnd::OutsideFile, "the file's next page directory lies outside the file"},
      {TiffChainEnd::Damaged, "the file's next page directory is cut short or damaged"},
      {TiffChainEnd::Limit, "the file has more than 65,535 pages"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    progress_ = FakeProgress();
    items_ = {images_.AddPages(L"fax.tif", {{40, 30}, {20, 10}}, {}, c.end), images_.Add(L"one.png", 5, 5)};
    EXPECT_EQ(Build(), 1);
    const std::string log = Log(), fax = platform::ToUtf8(items_[0].Path);
    const std::size_t last = log.find("[OK] Page 2: " + fax + ", page 2 of 2 (");
    const std::size_t note = log.find("[ERR] " + fax + ", pages after page 2 skipped, " + c.why + " !\r\n[OK] Page 3: ");
    EXPECT_NE(last, std::string::npos) << log;
    EXPECT_EQ(note != std::string::npos, !c.why.empty()) << log;
    // Told at the end, as for a skipped file; the other file is placed all the same.
    EXPECT_EQ(log_.FilesSkipped, c.why.empty() ? 0 : 1);
    EXPECT_EQ(progress_.errors.size(), c.why.empty() ? 0u : 1u);
    EXPECT_EQ(Pdf().Pages().size(), 3u);
  }
}

TEST_F(BuildPdfTest, NothingPlacedLeavesNoPdfAndKeepsAnOlderOne) {
  testsupport::WriteText(pdfPath_, "an older, good PDF");
  items_ = {images_.Missing(L"gone.jpg"), images_.AddOutcome(L"notes.txt", PrepOutcome::SkippedUnsupported, 13),
            images_.AddOutcome(L"gray.jpg", PrepOutcome::SkippedNotStorable)};
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(testsupport::ReadText(pdfPath_), "an older, good PDF");
  const std::string log = Log();
  EXPECT_NE(log.find(" skipped, unsupported file type !\r\n"), std::string::npos);
  EXPECT_NE(log.find(" skipped, unable to store this JPG file !\r\n"), std::string::npos);
  EXPECT_NE(log.find("Files skipped     : 2\r\n"), std::string::npos);
  EXPECT_NE(log.find("Files missing     : 1\r\n"), std::string::npos);
  ASSERT_EQ(progress_.errors.size(), 1u);
  EXPECT_NE(progress_.errors[0].find(L"Files skipped : 2\r\n\r\nFiles missing : 1"), std::string::npos);
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"open 3", L"not saving", L"close", L"finish"}));
}

TEST_F(BuildPdfTest, AllMissingWithoutOlderFileLeavesNoPdf) {
  items_ = {images_.Missing(L"a.jpg")};
  EXPECT_EQ(Build(), 1);
  EXPECT_FALSE(PdfExists());
  EXPECT_NE(Log().find("Output file       : Not available.\r\n"), std::string::npos);
}

TEST_F(BuildPdfTest, CancelAfterTheFirstPageSavesNothingAndStillReports) {
  testsupport::WriteText(pdfPath_, "older");
  items_ = {images_.Add(L"a.jpg", 10, 10), images_.Add(L"b.jpg", 10, 10), images_.Missing(L"c.jpg")};
  progress_.cancelAtPoll = 1;
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(testsupport::ReadText(pdfPath_), "older");
  EXPECT_EQ(images_.prepared, 1);
  const std::string log = Log();
  EXPECT_NE(log.find("Files processed   : 1"), std::string::npos);
  EXPECT_NE(log.find("NO ERRORS\r\n"), std::string::npos);
  EXPECT_TRUE(progress_.errors.empty());
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"open 3", L"not saving", L"close", L"finish"}));
}

TEST_F(BuildPdfTest, LowMemoryIsAskedOnceAndCancelStopsAfterThePage) {
  settings_.MemoryLoad = 1;
  items_ = {images_.Add(L"a.jpg", 10, 10), images_.Add(L"b.jpg", 10, 10), images_.Add(L"c.jpg", 10, 10)};
  // 2000 at the start: the threshold is 100. Exactly 100 does not count; 99 does.
  images_.freeMemory = {2000, 100, 99, 50, 50};
  progress_.lowMemoryAnswer = true;
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(progress_.lowMemoryQuestions, 1);
  EXPECT_EQ(Pdf().Pages().size(), 3u);

  progress_ = FakeProgress();
  progress_.lowMemoryAnswer = false;
  images_.freeMemory = {2000, 99, 99, 99};
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(progress_.lowMemoryQuestions, 1);
  EXPECT_EQ(images_.prepared, 3 + 1);
  EXPECT_NE(Log().find("Files processed   : 1"), std::string::npos);

  progress_ = FakeProgress();
  settings_.MemoryLoad = 0;
  images_.freeMemory = {2000, 1, 1, 1};
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(progress_.lowMemoryQuestions, 0);
}

TEST_F(BuildPdfTest, FailedMemoryQueryNeverAsks) {
  settings_.MemoryLoad = 1;
  items_ = {images_.Add(L"a.jpg", 10, 10)};
  images_.freeMemory.clear();
  EXPECT_EQ(Build(), 1);
  EXPECT_EQ(progress_.lowMemoryQuestions, 0);
  EXPECT_EQ(progress_.titles.front(), L"Building PDF ...  ( Free memory = 0  )");
}

TEST_F(BuildPdfTest, GdiplusOutOfMemoryStopsTheBuild) {
  items_ = {images_.Add(L"a.jpg", 10, 10), images_.AddOutcome(L"b.jpg", PrepOutcome::GdiplusError, 3)};
  EXPECT_EQ(Build(), 0);
  EXPECT_EQ(progress_.errors, (std::vector<std::wstring>{L"Out of memory inside a GDI+ function."}));
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"open 2", L"close", L"finish"}));
  EXPECT_FALSE(PdfExists());
  EXPECT_NE(Log().find("Files processed   : 1"), std::string::npos);
}

// GDI+ on Windows says "out of memory" on opening many a damaged file: the
// file is tried again alone, then skipped unless the address space left is
// too small for what its image needs; a header claiming more than any
// process holds is skipped too; a real shortage still stops the build.
TEST_F(BuildPdfTest, OutOfMemoryOnOpeningSkipsTheFileOnlyWithMemoryToSpare) {
  constexpr std::int64_t MB = 1 << 20, GB = MB << 10;
  const AddressRoom roomy{true, 2 * GB, GB + GB / 2, GB}, fragmented{true, 2 * GB, GB, 100 * MB};
  const struct {
    std::int64_t need;
    AddressRoom room;
    std::int32_t result;
  } cases[] = {{MB, roomy, 1},       {GB, roomy, 0},       {0, roomy, 0},          {100 * MB, fragmented, 0},
               {30 * MB, fragmented, 1}, {1000 * GB, roomy, 1}, {MB, AddressRoom{}, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.need);
    items_ = {images_.Add(L"a.jpg", 10, 10), images_.AddOutcome(L"b.jpg", PrepOutcome::GdiplusError, 3),
              images_.Add(L"c.jpg", 10, 10)};
    progress_ = FakeProgress();
    BuildServices services = images_.Services();
    services.addressRoom = [&] { return c.room; };
    int attempts = 0;
    services.prepare = [&, inner = services.prepare](const std::wstring& path, const Settings& settings, std::int32_t turn) {
      PreparedImage image = inner(path, settings, turn);
      if (path == items_[1].Path) ++attempts, image.loadNeedBytes = c.need;
      return image;
    };
    EXPECT_EQ(BuildPdf(pdfPath_, log_, items_, settings_, progress_, services), c.result);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(log_.FilesSkipped, c.result);
    EXPECT_EQ(log_.FilesProcessed, 1 + c.result);
  }
}

// Each row's turn reaches the preparation of its image, prepared ahead on
// workers or on the build thread.
TEST_F(BuildPdfTest, EachItemsTurnReachesItsPreparation) {
  for (const std::int32_t workers : {0, 2}) {
    SCOPED_TRACE(workers);
    items_ = {images_.Add(L"a.jpg", 10, 10), images_.Add(L"b.jpg", 10, 10), images_.Add(L"c.jpg", 10, 10)};
    items_[0].Turn = 90;
    items_[2].Turn = 270;
    BuildServices services = images_.Services();
    services.workers = workers;
    std::mutex seen;
    std::map<std::wstring, std::int32_t> turns;
    services.prepare = [&, inner = services.prepare](const std::wstring& path, const Settings& settings,
                                                     std::int32_t turn) {
      const std::lock_guard<std::mutex> lock(seen);
      turns[path] = turn;
      return inner(path, settings, turn);
    };
    EXPECT_EQ(BuildPdf(pdfPath_, log_, items_, settings_, progress_, services), 1);
    EXPECT_EQ(turns, (std::map<std::wstring, std::int32_t>{{items_[0].Path, 90}, {items_[1].Path, 0}, {items_[2].Path, 270}}));
  }
}

// Only a build that saved its PDF has a file to show: after Cancel, or with
// nothing placed, the file at the path is an older one.
TEST_F(BuildPdfTest, OnlyASavedBuildSaysItWroteThePdf) {
  const struct {
    bool supported;
    int cancelAtPoll;
    bool written;
  } cases[] = {{true, 0, true}, {true, 1, false}, {false, 0, false}};
  for (const auto& c : cases) {
    testsupport::WriteText(pdfPath_, "older");
    items_.clear();
    for (const wchar_t* name : {L"a.jpg", L"b.jpg"}) {
      items_.push_back(c.supported ? images_.Add(name, 10, 10)
                                   : images_.AddOutcome(name, PrepOutcome::SkippedUnsupported));
    }
    progress_ = FakeProgress();
    progress_.cancelAtPoll = c.cancelAtPoll;
    Build();
    EXPECT_EQ(log_.PdfWritten, c.written) << c.supported << c.cancelAtPoll;
    EXPECT_EQ(testsupport::ReadText(pdfPath_) == "older", !c.written) << c.supported << c.cancelAtPoll;
  }
}

// The temporary files of a build never take a name a file of the user has.
TEST_F(BuildPdfTest, FilesNamedLikeTemporaryFilesAreLeftAlone) {
  const std::vector<std::wstring> theirs = {L".tmp", L".images.tmp", L".~1.tmp", L".images.~1.tmp"};
  for (const std::wstring& suffix : theirs) testsupport::WriteText(pdfPath_ + suffix, "mine");
  items_ = {images_.Add(L"a.jpg", 10, 10), images_.Add(L"b.jpg", 10, 10)};
  BuildServices services = images_.Services();
  services.spillAfterBytes = 0;  // every image's data through a temporary file
  EXPECT_EQ(BuildPdf(pdfPath_, log_, items_, settings_, progress_, services), 1);
  EXPECT_EQ(Pdf().Pages().size(), 2u);
  for (const std::wstring& suffix : theirs) EXPECT_EQ(testsupport::ReadText(pdfPath_ + suffix), "mine");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2 + 4 + 2)
      << "the images, the user's files, the PDF and its log";
}

TEST_F(BuildPdfTest, UnexpectedGdiplusStatusIsFatal) {
  items_ = {images_.AddOutcome(L"b.jpg", PrepOutcome::GdiplusError, 7)};
  try {
    Build();
    FAIL() << "no fatal report";
  } catch (const FatalReport& report) {
    EXPECT_EQ(report.line, kLineGdiplusUnexpected);
    EXPECT_EQ(report.message, L"GDI+ unexpected error (code: 7 )");
  }
}

TEST_F(BuildPdfTest, UnwritablePdfTellsTheReaderStory) {
  pdfPath_ = dir_.File(L"no such folder") + L"/book.pdf";
  items_ = {images_.Add(L"a.jpg", 10, 10)};
  EXPECT_EQ(Build(), 0);
  ASSERT_EQ(progress_.errors.size(), 1u);
  EXPECT_EQ(progress_.errors[0], L"File creation error\r\n\r\nin pdf_Save() on line 1625.\r\n"
                                 L"\r\nDo you have the PDF already open in the reader ?");
  // Told before any image is prepared or any progress shown.
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"finish"}));
  EXPECT_EQ(images_.prepared, 0);
}

// A save that fails half-way leaves the older PDF of the same name exactly
// as it was, and no file of its own.
TEST_F(BuildPdfTest, FailedSaveKeepsTheOlderPdf) {
  const std::string older = "%PDF-1.4 an older book\n%%EOF";
  testsupport::WriteText(pdfPath_, older);
  items_ = {images_.Add(L"a.png", 10, 10), images_.Add(L"b.png", 12, 8)};
  ipf_SetAllocationFailureForTesting(1650);  // serialization runs out of memory
  EXPECT_EQ(Build(), 0);
  ipf_SetAllocationFailureForTesting(0);
  EXPECT_EQ(progress_.errors, (std::vector<std::wstring>{L"Out of memory inside a PDF function."}));
  EXPECT_EQ(testsupport::ReadText(pdfPath_), older);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 4)
      << "the images, the older PDF and the log, nothing else";

  // The same build saved: the older file is replaced as a whole.
  progress_ = FakeProgress();
  EXPECT_EQ(Build(), 1);
  EXPECT_TRUE(Pdf().problems.empty());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(pdfPath_ + L".tmp")));
}

// ---- images prepared ahead on other threads ------------------------------------

// What a build left behind, for comparing one build with another.
struct BuildRecord {
  std::int32_t result = 0;
  std::string pdf;
  std::vector<std::string> logLines;  // the page and error lines
  std::vector<std::wstring> files, errors, events;
  std::vector<std::int32_t> progress;
  bool operator==(const BuildRecord&) const = default;
};

class ParallelBuildTest : public BuildPdfTest {
 protected:
  ParallelBuildTest() {
    ipf_SetClockForTesting(std::pair{platform::LocalDateTime{2024, 5, 6, 7, 8, 9}, platform::TimeZone{}});
  }
  ~ParallelBuildTest() override { ipf_SetClockForTesting(std::nullopt); }

  // Every image takes longer than the next one, so that threads finish
  // them in the reverse of list order.
  BuildRecord Run(std::int32_t workers, int cancelAtPoll = 0) {
    progress_ = FakeProgress();
    progress_.cancelAtPoll = cancelAtPoll;
    BuildServices services = images_.Services();
    const auto inner = services.prepare;
    services.prepare = [&, inner](const std::wstring& path, const Settings& settings, std::int32_t turn) {
      std::size_t left = 0;
      for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].Path == path) left = items_.size() - i;
      std::this_thread::sleep_for(std::chrono::milliseconds(3 * left));
      return inner(path, settings, turn);
    };
    services.workers = workers;
    std::atomic<int> started{0}, ended{0};
    services.workerStarted = [&] { ++started; };
    services.workerEnded = [&] { ++ended; };
    std::filesystem::remove(std::filesystem::path(pdfPath_));
    BuildRecord r;
    r.result = BuildPdf(pdfPath_, log_, items_, settings_, progress_, services);
    EXPECT_EQ(started.load(), ended.load()) << "every thread ended";
    if (PdfExists()) r.pdf = testsupport::ReadText(pdfPath_);
    std::istringstream log(Log());
    for (std::string line; std::getline(log, line);)
      if (line.rfind("[OK]", 0) == 0 || line.rfind("[ERR]", 0) == 0) r.logLines.push_back(line);
    r.files = progress_.files;
    r.errors = progress_.errors;
    r.events = progress_.events;
    r.progress = progress_.progress;
    return r;
  }
};

TEST_F(ParallelBuildTest, PagesLogAndSkipsAreThoseOfTheOneThreadBuild) {
  items_ = {images_.Add(L"a.png", 30, 20), images_.Missing(L"b.png"),
            images_.AddOutcome(L"c.png", PrepOutcome::SkippedUnsupported),
            images_.Add(L"d.png", 12, 40), images_.AddOutcome(L"e.jpg", PrepOutcome::SkippedNotStorable),
            images_.Add(L"f.png", 50, 50), images_.Add(L"g.png", 9, 9), images_.Missing(L"h.png")};
  settings_.DisplayHeader = 1;
  settings_.HeaderDisplayWhat = 1;
  const BuildRecord alone = Run(0);
  ASSERT_EQ(alone.result, 1);
  ASSERT_FALSE(alone.pdf.empty());
  EXPECT_EQ(alone.logLines.size(), 8u);
  for (const std::int32_t workers : {2, 3, 8}) EXPECT_EQ(Run(workers), alone) << workers << " threads";

  // Cancel still stops after the page on which it was pressed.
  const BuildRecord cancelled = Run(3, 2);
  EXPECT_EQ(cancelled, Run(0, 2));
  EXPECT_EQ(cancelled.logLines.size(), 4u);  // up to the second page, d.png
  EXPECT_TRUE(cancelled.pdf.empty());
}

TEST_F(ParallelBuildTest, StopsOnTheSameImageAsTheOneThreadBuild) {
  items_ = {images_.Add(L"a.png", 30, 20), images_.Add(L"b.png", 10, 10),
            images_.AddOutcome(L"c.png", PrepOutcome::GdiplusError, 3), images_.Add(L"d.png", 10, 10)};
  const BuildRecord alone = Run(0);
  EXPECT_EQ(alone.result, 0);
  EXPECT_EQ(alone.errors, (std::vector<std::wstring>{L"Out of memory inside a GDI+ function."}));
  EXPECT_EQ(Run(4), alone);

  items_[2] = images_.AddOutcome(L"c.png", PrepOutcome::GdiplusError, 7);
  for (const std::int32_t workers : {0, 4}) {
    try {
      Run(workers);
      ADD_FAILURE() << "no fatal report";
    } catch (const FatalReport& report) {
      EXPECT_EQ(report.message, L"GDI+ unexpected error (code: 7 )");
    }
  }
}

// A fatal report ends the process with GDI+: no thread may still be inside it.
TEST_F(ParallelBuildTest, WorkersStopBeforeAFatalReport) {
  struct CheckingProgress : FakeProgress {
    std::function<void()> check;
    [[noreturn]] void Fatal(std::int32_t line, const std::wstring& message) override {
      check();
      throw FatalReport(line, message);
    }
  } progress;
  items_ = {images_.AddOutcome(L"a.png", PrepOutcome::GdiplusError, 7)};
  for (int i = 0; i < 6; ++i) items_.push_back(images_.Add(L"b" + std::to_wstring(i) + L".png", 10, 10));
  BuildServices services = images_.Services();
  services.workers = 2;
  std::atomic<int> started{0}, ended{0};
  services.workerStarted = [&] { ++started; };
  services.workerEnded = [&] { ++ended; };
  progress.check = [&] { EXPECT_EQ(started.load(), ended.load()) << "threads still running"; };
  EXPECT_THROW(BuildPdf(pdfPath_, log_, items_, settings_, progress, services), FatalReport);
  EXPECT_GT(started.load(), 0);
}

// Memory that ran out while other images were being prepared at the same
// time is no reason to stop: the image is prepared again alone.
TEST_F(ParallelBuildTest, ImageShortOfMemoryBesideOthersIsPreparedAgainAlone) {
  items_ = {images_.Add(L"a.png", 30, 20), images_.Add(L"b.png", 10, 10), images_.Add(L"c.png", 20, 10),
            images_.Add(L"d.png", 10, 30)};
  const BuildRecord alone = Run(0);
  const std::thread::id buildThread = std::this_thread::get_id();
  std::atomic<int> retries{0};
  BuildServices services = images_.Services();
  const auto inner = services.prepare;
  services.prepare = [&, inner](const std::wstring& path, const Settings& settings, std::int32_t turn) {
    if (path == items_[1].Path && std::this_thread::get_id() != buildThread) {
      PreparedImage shortOfMemory;
      shortOfMemory.outcome = PrepOutcome::GdiplusError;
      shortOfMemory.status = 3;
      return shortOfMemory;
    }
    if (path == items_[1].Path) ++retries;
    return inner(path, settings, turn);
  };
  services.workers = 2;
  progress_ = FakeProgress();
  EXPECT_EQ(BuildPdf(pdfPath_, log_, items_, settings_, progress_, services), 1);
  EXPECT_EQ(retries.load(), 1);
  EXPECT_EQ(testsupport::ReadText(pdfPath_), alone.pdf);
  EXPECT_TRUE(progress_.errors.empty());
}

TEST_F(BuildPdfTest, WriterErrorsStopTheBuildOrEndTheProgram) {
  items_ = {images_.Add(L"a.jpg", 10, 10), images_.Add(L"b.jpg", 10, 10)};
  ipf_SetAllocationFailureForTesting(1936);  // no memory for a page
  EXPECT_EQ(Build(), 0);
  ipf_SetAllocationFailureForTesting(0);
  EXPECT_EQ(progress_.errors, (std::vector<std::wstring>{L"Out of memory inside a PDF function."}));
  EXPECT_EQ(progress_.events, (std::vector<std::wstring>{L"open 2", L"close", L"finish"}));
  EXPECT_FALSE(PdfExists());

  // A PNG the writer cannot walk can only come from our own encoder.
  items_ = {images_.AddOutcome(L"c.png", PrepOutcome::Ok)};
  try {
    Build();
    FAIL() << "no fatal report";
  } catch (const FatalReport& report) {
    EXPECT_EQ(report.line, kLineUnsupportedPng);
    EXPECT_EQ(report.message, L"Internal error. I have just built an unsupported PNG format (!)");
  }
}

TEST_F(BuildPdfTest, LogAndLastDirectoryAfterASuccess) {
  settings_.DeleteLogIfSuccessful = 1;
  settings_.RememberLastDirectory = 1;
  items_ = {images_.Add(L"a.jpg", 10, 10)};
  EXPECT_EQ(Build(), 1);
  EXPECT_TRUE(PdfExists());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(pdfPath_ + L".log")));
  EXPECT_EQ(settings_.LastDirectory, FolderPart(pdfPath_));
  EXPECT_TRUE(progress_.errors.empty());

  // With an error the log stays, whatever the setting.
  items_.push_back(images_.Missing(L"gone.jpg"));
  EXPECT_EQ(Build(), 1);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(pdfPath_ + L".log")));
}

TEST_F(BuildPdfTest, DocumentInfoAndOpeningView) {
  settings_.DocAuthor = L"Ann (A)";
  settings_.DocTitle = L"Holiday";
  settings_.PdfStartup = 4;
  items_ = {images_.Add(L"a.jpg", 10, 10)};
  ASSERT_EQ(Build(), 1);
  const testsupport::PdfFile f = Pdf();
  const std::string info = f.Object(3);
  EXPECT_NE(info.find("/Title (Holiday)\n/Author (Ann \\(A\\))\n/Creator (Quillon 1.0.52 \\(x86\\))\n"),
            std::string::npos) << info;
  EXPECT_NE(f.Object(2).find("/PageMode /FullScreen\n/PageLayout /SinglePage\n"), std::string::npos);
}

// --- Pages and placement, checked in the written file ------------------------

std::string ContentOf(const testsupport::PdfFile& f, int page) {
  const auto contents = testsupport::PdfFile::Value(f.Object(f.Pages().at(static_cast<std::size_t>(page))), "/Contents");
  return f.Stream(static_cast<int>(*contents));
}

TEST_F(BuildPdfTest, LandscapeA4WithHeaderPlacesImageAndTopLine) {
  settings_.PaperOrientation = 2;
  settings_.DisplayHeader = 1;
  settings_.HeaderDisplayWhat = 1;
  settings_.HeaderDisplayWhere = 1;
  settings_.HeaderDisplayAlign = 2;
  items_ = {images_.Add(L"pic.jpg", 100, 50)};
  ASSERT_EQ(Build(), 1);
  const testsupport::PdfFile f = Pdf();
  EXPECT_NE(f.Object(f.Pages()[0]).find("/MediaBox [0 0 841.89 595.28]"), std::string::npos);
  const std::string ops = ContentOf(f, 0);
  // True size, centred in the area 841.89 x 538.58 that starts 28.35 points down:
  // x = 370.945 -> 371 points, y = 244.29 + 28.35 = 272.64 -> 273 points; the
  // writer's y is from the bottom: 595.28 - (273 + 50) = 272.28.
  EXPECT_NE(ops.find("q 100.00 0 0 50.00 371.00 272.28 cm /I1 Do Q\n"), std::string::npos) << ops;
  EXPECT_NE(ops.find("BT /F1 10.00 Tf ET\n"), std::string::npos);
  // "pic.jpg" is 28.90 points wide in Helvetica 10: centred in a box 842
  // points wide, on the baseline 595.28 - 5 mm - 0.3 x 10 points.
  EXPECT_NE(ops.find("BT 406.55 578.11 Td (pic.jpg) Tj ET\n"), std::string::npos) << ops;
}

TEST_F(BuildPdfTest, FooterWithPathAlignedRight) {
  settings_.DisplayHeader = 1;
  settings_.HeaderDisplayWhat = 2;
  settings_.HeaderDisplayWhere = 2;
  settings_.HeaderDisplayAlign = 3;
  items_ = {images_.Add(L"pic.jpg", 100, 50)};
  ASSERT_EQ(Build(), 1);
  const std::string ops = ContentOf(Pdf(), 0);
  std::string escaped;
  for (const char c : platform::ToUtf8(items_[0].Path)) {
    if (c == '\\' || c == '(' || c == ')') escaped.push_back('\\');
    escaped.push_back(c);
  }
  EXPECT_NE(ops.find("Td (" + escaped + ") Tj ET"), std::string::npos) << ops;
  // The box starts just below the image area (785 points + 10 mm from the
  // top); baseline 5 mm + 3 points below the box's top: 841.89 - 813.35 - 17.17.
  EXPECT_NE(ops.find(" 11.37 Td"), std::string::npos) << ops;
}

TEST_F(BuildPdfTest, PaperlessPagesAreTheImageWithoutHeader) {
  settings_.PaperFormat = 6;
  settings_.DisplayHeader = 1;
  for (const int orientation : {1, 2}) {
    settings_.PaperOrientation = orientation;
    items_ = {images_.Add(L"wide.jpg", 300, 200), images_.Add(L"tall.jpg", 120, 400)};
    ASSERT_EQ(Build(), 1);
    const testsupport::PdfFile f = Pdf();
    EXPECT_NE(f.Object(f.Pages()[0]).find("/MediaBox [0 0 300.00 200.00]"), std::string::npos);
    EXPECT_NE(f.Object(f.Pages()[1]).find("/MediaBox [0 0 120.00 400.00]"), std::string::npos);
    EXPECT_EQ(ContentOf(f, 0), "q 300.00 0 0 200.00 0.00 0.00 cm /I1 Do Q\n");
  }
}

TEST(BuildHelpers, FoldersAndFileParts) {
  EXPECT_EQ(FolderPart(L"C:\\a\\b.jpg"), L"C:\\a\\");
  EXPECT_EQ(FolderPart(L"/x/y/z.png"), L"/x/y/");
  EXPECT_EQ(FolderPart(L"z.png"), L"");
  EXPECT_EQ(FilePart(L"C:\\a\\b.jpg"), L"b.jpg");
  EXPECT_TRUE(AllFilesInOneFolder({}));
  EXPECT_TRUE(AllFilesInOneFolder({{L"C:\\a\\1.jpg", L""}, {L"C:\\a\\2.jpg", L""}}));
  EXPECT_FALSE(AllFilesInOneFolder({{L"C:\\a\\1.jpg", L""}, {L"C:\\A\\2.jpg", L""}}));  // case matters
  EXPECT_FALSE(AllFilesInOneFolder({{L"C:\\a\\1.jpg", L""}, {L"2.jpg", L""}}));
  EXPECT_TRUE(AllFilesInOneFolder({{L"1.jpg", L""}, {L"C:\\a\\2.jpg", L""}}));
}

}  // namespace

namespace {

TEST(OutputFileChoice, FolderRules) {
  testsupport::TempDir dir;
  const std::wstring existing = dir.File(L"") ;
  Settings s;
  const std::wstring desktop = L"D:\\Desktop\\";
  const std::vector<BuildItem> oneFolder = {{L"C:\\scans\\1.png", L"1.png"}, {L"C:\\scans\\2.png", L"2.png"}};
  const std::vector<BuildItem> twoFolders = {{L"C:\\scans\\1.png", L"1.png"}, {L"C:\\photos\\2.jpg", L"2.jpg"}};

  s.RememberLastDirectory = 1;
  s.LastDirectory = existing;
  EXPECT_EQ(DefaultPdfFolder(s, twoFolders, desktop), existing);
  s.LastDirectory = dir.File(L"gone");  // a folder that no longer exists
  EXPECT_EQ(DefaultPdfFolder(s, twoFolders, desktop), desktop);
  s.LastDirectory = existing;
  s.RememberLastDirectory = 0;
  EXPECT_EQ(DefaultPdfFolder(s, twoFolders, desktop), desktop);

  s.RememberLastDirectory = 1;
  s.SaveSameDirAsFiles = 1;
  EXPECT_EQ(DefaultPdfFolder(s, oneFolder, desktop), L"C:\\scans\\");  // wins over LastDirectory
  EXPECT_EQ(DefaultPdfFolder(s, twoFolders, desktop), existing);
  EXPECT_EQ(DefaultPdfFolder(s, {}, desktop), existing);
}

TEST(OutputFileChoice, PdfExtensionOnlyForTheFirstFilterAndBareNames) {
  EXPECT_EQ(CompletePdfFileName(L"C:\\out\\book", 1), L"C:\\out\\book.pdf");
  EXPECT_EQ(CompletePdfFileName(L"C:\\out\\book", 2), L"C:\\out\\book");
  EXPECT_EQ(CompletePdfFileName(L"C:\\out\\book.txt", 1), L"C:\\out\\book.txt");
  EXPECT_EQ(CompletePdfFileName(L"C:\\my.dir\\book", 1), L"C:\\my.dir\\book.pdf");
}

}  // namespace
