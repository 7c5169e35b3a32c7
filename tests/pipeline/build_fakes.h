#pragma once
// A screenless front end and scripted system services for driving BuildPdf
// in tests: every call is recorded, answers are set by the test.
#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "pipeline/build_pdf.h"
#include "support/png_maker.h"
#include "support/temp_dir.h"

struct FatalReport : std::runtime_error {
  FatalReport(std::int32_t l, std::wstring m) : std::runtime_error("fatal"), line(l), message(std::move(m)) {}
  std::int32_t line;
  std::wstring message;
};

class FakeProgress : public BuildProgress {
 public:
  void Open(std::int32_t fileCount) override { events.push_back(L"open " + std::to_wstring(fileCount)); }
  void ShowTitle(const std::wstring& title) override { titles.push_back(title); }
  void ShowFile(std::int32_t counter, std::int32_t fileCount, const std::wstring& name) override {
    files.push_back(std::to_wstring(counter) + L" of " + std::to_wstring(fileCount) + L": " + name);
  }
  void ShowProgress(std::int32_t counter) override { progress.push_back(counter); }
  bool PollCancel() override {
    ++polls;
    return cancelAtPoll != 0 && polls == cancelAtPoll;
  }
  bool ConfirmLowMemory() override {
    ++lowMemoryQuestions;
    return lowMemoryAnswer;
  }
  void EndFiles(bool saving) override { events.push_back(saving ? L"saving" : L"not saving"); }
  void Close() override { events.push_back(L"close"); }
  void ShowError(const std::wstring& text) override { errors.push_back(text); }
  void Finish() override { events.push_back(L"finish"); }
  [[noreturn]] void Fatal(std::int32_t line, const std::wstring& message) override { throw FatalReport(line, message); }

  std::vector<std::wstring> events;
  std::vector<std::wstring> titles;
  std::vector<std::wstring> files;
  std::vector<std::int32_t> progress;
  std::vector<std::wstring> errors;
  int polls = 0;
  int cancelAtPoll = 0;  // 0: never
  int lowMemoryQuestions = 0;
  bool lowMemoryAnswer = true;
};

// Files on disk whose preparation the test decides: by default each becomes
// a small RGB PNG of the size given when it was added.
class FakeImages {
 public:
  explicit FakeImages(const testsupport::TempDir& dir) : dir_(dir) {}

  BuildItem Add(const std::wstring& name, int width, int height) {
    const std::wstring path = dir_.File(name);
    testsupport::WriteText(path, std::string(1000, 'x'));
    PreparedImage image;
    image.outcome = PrepOutcome::Ok;
    image.kind = 2;
    image.width = width;
    image.height = height;
    testsupport::PngSpec layout{width, height, 2, std::vector<unsigned char>(static_cast<std::size_t>(width * height * 3), 0x80), {}, 1, false};
    image.data = testsupport::MakePng(layout);
    prepared_[path] = image;
    return {path, name};
  }
  BuildItem AddOutcome(const std::wstring& name, PrepOutcome outcome, std::int32_t status = 0) {
    BuildItem item = Add(name, 1, 1);
    prepared_[item.Path].outcome = outcome;
    prepared_[item.Path].status = status;
    prepared_[item.Path].data.clear();
    return item;
  }
  // A multi-page file: its first page says how many there are; the later
  // pages are prepared one by one, those listed in skipped as unusable.
  BuildItem AddPages(const std::wstring& name, const std::vector<std::pair<int, int>>& sizes,
                     const std::vector<int>& skipped = {}, TiffChainEnd pagesEnd = TiffChainEnd::Complete) {
    BuildItem item = Add(name, sizes[0].first, sizes[0].second);
    prepared_[item.Path].pageCount = static_cast<std::int32_t>(sizes.size());
    prepared_[item.Path].pagesEnd = pagesEnd;
    std::vector<PreparedImage>& pages = pages_[item.Path];
    pages.push_back(prepared_[item.Path]);
    for (std::size_t i = 1; i < sizes.size(); ++i) {
      const BuildItem page = Add(name + L"." + std::to_wstring(i), sizes[i].first, sizes[i].second);
      pages.push_back(prepared_[page.Path]);
      if (std::find(skipped.begin(), skipped.end(), static_cast<int>(i) + 1) != skipped.end())
        pages.back() = PreparedImage{PrepOutcome::SkippedUnsupported, {}, 0, 0, 0, 7};
    }
    return item;
  }
  BuildItem Missing(const std::wstring& name) { return {dir_.File(name), name}; }

  BuildServices Services() {
    BuildServices s;
    s.prepare = [this](const std::wstring& path, const Settings&, std::int32_t) {
      ++prepared;
      // A file that is not there cannot be opened: what GDI+ says then.
      const auto found = prepared_.find(path);
      if (found == prepared_.end()) return PreparedImage{PrepOutcome::SkippedUnsupported, {}, 0, 0, 0, 1};
      return found->second;
    };
    s.preparePage = [this](const std::wstring& path, const Settings&, std::int32_t page, std::int32_t) {
      ++preparedPages;
      return pages_.at(path).at(static_cast<std::size_t>(page));
    };
    s.freeMemory = [this](std::int64_t& bytes) {
      if (freeMemory.empty()) return false;
      bytes = freeMemory.front();
      if (freeMemory.size() > 1) freeMemory.pop_front();
      return true;
    };
    s.trimWorkingSet = [this] { ++trims; };
    return s;
  }

  std::deque<std::int64_t> freeMemory;  // successive answers; the last one repeats
  std::atomic<int> prepared{0};
  int preparedPages = 0;
  int trims = 0;

 private:
  const testsupport::TempDir& dir_;
  std::map<std::wstring, PreparedImage> prepared_;
  std::map<std::wstring, std::vector<PreparedImage>> pages_;
};
