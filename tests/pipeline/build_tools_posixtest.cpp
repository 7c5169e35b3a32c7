// A whole build judged by real tools: a dozen images become a PDF that qpdf
// accepts and whose pages poppler renders back to the source pixels.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "pipeline/build_pdf.h"
#include "build_fakes.h"
#include "support/host_tools.h"
#include "support/pdf_reader.h"

namespace {

using testsupport::Raster;

TEST(BuildWithRealTools, DozenImagesRenderBackToTheirSources) {
  testsupport::TempDir dir;
  std::vector<BuildItem> items;
  std::vector<Raster> sources;
  std::map<std::wstring, PreparedImage> prepared;
  for (int i = 0; i < 12; ++i) {
    const int w = 20 + 7 * i, h = 15 + 5 * (11 - i);
    Raster r{w, h, {}};
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        r.rgb.push_back(static_cast<unsigned char>(x * 255 / w));
        r.rgb.push_back(static_cast<unsigned char>(y * 255 / h));
        r.rgb.push_back(static_cast<unsigned char>(i * 20));
      }
    }
    const std::wstring name = L"scan " + std::to_wstring(i) + L".png";
    const std::wstring path = dir.File(name);
    const auto png = testsupport::MakePng({w, h, 2, r.rgb, {}, 1 + i % 3, false});
    testsupport::WriteBytes(path, png.data(), png.size());
    prepared[path] = PreparedImage{PrepOutcome::Ok, png, 2, w, h, 0};
    items.push_back({path, name});
    sources.push_back(r);
  }

  Settings settings;
  settings.PaperFormat = 6;  // every page is its image: one pixel, one point
  settings.RememberLastDirectory = 0;
  BuildLog log;
  FakeProgress progress;
  BuildServices services;
  services.prepare = [&](const std::wstring& path, const Settings&, std::int32_t) { return prepared.at(path); };
  const std::wstring pdfPath = dir.File(L"book.pdf");
  ASSERT_EQ(BuildPdf(pdfPath, log, items, settings, progress, services), 1);
  EXPECT_EQ(log.FilesProcessed, 12);

  const std::filesystem::path pdf(pdfPath);
  const auto check = testsupport::RunCommand("qpdf --check " + testsupport::Quote(pdf));
  EXPECT_EQ(check.exitCode, 0) << check.output;
  const auto info = testsupport::RunCommand("pdfinfo " + testsupport::Quote(pdf));
  EXPECT_NE(info.output.find("Pages:           12"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Creator:         Quillon 1.0.52 (x86)"), std::string::npos) << info.output;

  for (int i = 0; i < 12; ++i) {
    Raster big;
    ASSERT_TRUE(testsupport::RenderPage(pdf, i + 1, 720, big));
    const Raster& src = sources[static_cast<std::size_t>(i)];
    ASSERT_EQ(big.width, src.width * 10) << "page " << i + 1;
    ASSERT_EQ(big.height, src.height * 10) << "page " << i + 1;
    int worst = 0;
    for (int y = 0; y < src.height; ++y) {
      for (int x = 0; x < src.width; ++x) {
        for (int c = 0; c < 3; ++c) {
          const int got = big.rgb[(static_cast<std::size_t>(y * 10 + 5) * static_cast<std::size_t>(big.width) +
                                   static_cast<std::size_t>(x * 10 + 5)) * 3 + static_cast<std::size_t>(c)];
          const int want = src.rgb[(static_cast<std::size_t>(y * src.width + x)) * 3 + static_cast<std::size_t>(c)];
          worst = std::max(worst, std::abs(got - want));
        }
      }
    }
    EXPECT_EQ(worst, 0) << "page " << i + 1;
  }
}

// What the full-disk build below found, as the child's exit status.
enum FullDiskOutcome {
  kFullDiskAsExpected = 0,
  kFullDiskNoNamespace = 10,  // not root, or no mount namespaces here
  kFullDiskBuildSucceeded,
  kFullDiskWrongMessage,
  kFullDiskOlderPdfChanged,
  kFullDiskTemporaryLeft,
};

// Runs in a child process with a private mount namespace: a 1 MB tmpfs
// holds an older PDF and receives a build of about 1.5 MB of images.
int FullDiskBuild(std::int64_t spillAfterBytes) {
  if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return kFullDiskNoNamespace;
  char folder[] = "/tmp/quillon-full-XXXXXX";
  if (!::mkdtemp(folder) || ::mount("tmpfs", folder, "tmpfs", 0, "size=1m") != 0) return kFullDiskNoNamespace;
  const std::filesystem::path disk(folder);
  const std::string older = "%PDF-1.5 the older book\n%%EOF";
  testsupport::WriteText(disk / "book.pdf", older);

  testsupport::TempDir images;  // on the ordinary disk
  std::vector<BuildItem> items;
  std::map<std::wstring, PreparedImage> prepared;
  for (int i = 0; i < 3; ++i) {
    const std::wstring path = images.File(L"big" + std::to_wstring(i) + L".png");
    auto png = testsupport::MakePng({400, 400, 2, std::vector<unsigned char>(400 * 400 * 3, static_cast<unsigned char>(i)), {}, 1, false});
    testsupport::WriteBytes(path, png.data(), png.size());
    prepared[path] = PreparedImage{PrepOutcome::Ok, png, 2, 400, 400, 0};
    items.push_back({path, L"big.png"});
  }
  Settings settings;
  settings.RememberLastDirectory = 0;
  BuildLog log;
  FakeProgress progress;
  BuildServices services;
  services.prepare = [&](const std::wstring& path, const Settings&, std::int32_t) { return prepared.at(path); };
  services.spillAfterBytes = spillAfterBytes;
  const std::wstring pdfPath = (disk / "book.pdf").wstring();
  const std::int32_t result = BuildPdf(pdfPath, log, items, settings, progress, services);

  int outcome = kFullDiskAsExpected;
  // The writer's own words: a write error, in the save or, with the images
  // spilled to disk, when an image is added.
  const std::wstring expected = std::wstring(L"File I/O error\r\n\r\nin ") +
                                (spillAfterBytes < 0 ? L"pdf_Save() on line 1650" : L"pdf_ImageFromMem() on line 1861");
  if (result != 0) outcome = kFullDiskBuildSucceeded;
  else if (progress.errors.empty() || progress.errors[0].rfind(expected, 0) != 0) outcome = kFullDiskWrongMessage;
  else if (testsupport::ReadText(pdfPath) != older) outcome = kFullDiskOlderPdfChanged;
  else if (std::distance(std::filesystem::directory_iterator(disk), {}) != 2) outcome = kFullDiskTemporaryLeft;
  ::umount(folder);
  ::rmdir(folder);
  return outcome;
}

void FullDiskChild(std::int64_t spillAfterBytes);

// The disk fills while the PDF is saved, or while the images wait in the
// spill file beside it.
TEST(BuildWithRealTools, FullDiskKeepsTheOlderPdfAndLeavesNoTemporaryFile) {
  for (const std::int64_t spillAfterBytes : {std::int64_t{-1}, std::int64_t{0}}) {
    SCOPED_TRACE(spillAfterBytes);
    FullDiskChild(spillAfterBytes);
  }
}

void FullDiskChild(std::int64_t spillAfterBytes) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(FullDiskBuild(spillAfterBytes));
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kFullDiskNoNamespace) GTEST_SKIP() << "needs root and mount namespaces";
  EXPECT_EQ(WEXITSTATUS(status), kFullDiskAsExpected)
      << "1 build succeeded, 2 wrong message, 3 older PDF changed, 4 temporary file left (+10)";
}

}  // namespace
