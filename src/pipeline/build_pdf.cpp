#include "pipeline/build_pdf.h"

#include <new>
#include <optional>

#include "format/program_info.h"
#include "format/text_format.h"
#include "pdf/pdf.h"
#include "pipeline/page_geometry.h"
#include "pipeline/prepare_ahead.h"
#include "platform/file.h"

namespace {

std::wstring PlainNumber(std::int64_t value) { return std::to_wstring(value); }

// How a build that could not go on tells the user; the texts are the ones of
// the message boxes.
std::wstring WriterErrorMessage(std::int32_t code) {
  switch (code) {
    case 1: return L"Out of memory inside a PDF function.";
    case 3: return pdf_GetErrorText() + L"\r\nDo you have the PDF already open in the reader ?";
    case kPdfTemporaryFileError:
      return pdf_GetErrorText() + L"\r\nThe image data waiting for the save cannot be written to a temporary file "
                                  L"beside the PDF. Is the disk full ?";
    default: return pdf_GetErrorText();
  }
}

class Build {
 public:
  Build(const std::wstring& pdfPath, BuildLog& log, const std::vector<BuildItem>& items, Settings& settings,
        BuildProgress& progress, const BuildServices& services)
      : pdfPath_(pdfPath), log_(log), items_(items), settings_(settings), progress_(progress), services_(services) {}

  std::int32_t Run() {
    const std::int32_t result = Produce();
    return End(result);
  }

 private:
  std::int32_t Produce() {
    // 1. The document.
    orientation_ = settings_.PaperOrientation == 1 ? 1 : 2;
    paperless_ = settings_.PaperFormat == kPaperless;
    pdf_Reset();
    pdf_SetAuthor(settings_.DocAuthor);
    pdf_SetTitle(settings_.DocTitle);
    pdf_SetCreator(kCreatorText);

    // 2. The log.
    OpenBuildLog(log_, kCreatorText, pdfPath_, MakeLogFileName(pdfPath_), settings_);

    // 3. The writer.
    pdf_Create(orientation_, PaperSizeText(settings_.PaperFormat), 2);
    if (pdf_GetErrorCode() != 0) return WriterError();
    // Told now, not after every image has been prepared: the output cannot
    // be written (a reader holds it open, the folder is gone or read-only).
    pdf_CheckOutput(pdfPath_);
    if (pdf_GetErrorCode() != 0) return WriterError();
    // A long book's images would not fit a 32-bit process's memory: past a
    // threshold they wait on disk, beside the PDF they are going into.
    pdf_SetSpillFile(pdfPath_ + L".images.tmp", services_.spillAfterBytes);
    pdf_SetDisplayMode(settings_.PdfStartup, 1);
    header_ = settings_.DisplayHeader != 0 && !paperless_;
    if (settings_.DisplayHeader != 0) pdf_SetFont(L"Helvetica", settings_.HeaderFontSize);

    // 4. The progress.
    const auto total = static_cast<std::int32_t>(items_.size());
    progress_.Open(total);
    windowOpen_ = true;
    std::int64_t freeMemory = 0;
    if (services_.freeMemory) services_.freeMemory(freeMemory);
    const std::int64_t threshold = freeMemory / 20;
    bool asked = false;
    bool cancelled = false;

    // 5. Every file. Images may be prepared ahead on other threads; pages,
    // log lines and questions still come one by one, in list order.
    std::optional<PrepareAhead>& ahead = ahead_;
    std::vector<PrepareRequest> paths;
    if (services_.workers > 1) {
      paths.reserve(items_.size());
      for (const BuildItem& item : items_) paths.push_back({item.Path, item.Turn});
    }
    const PrepareFunction prepareAhead = [prepare = services_.prepare](const PrepareRequest& request,
                                                                        const Settings& settings) {
      return prepare(request.path, settings, request.turn);
    };
    const auto prepareFrom = [&](std::size_t first) {
      if (services_.workers > 1 && first < items_.size()) {
        try {
          ahead.emplace(paths, first, settings_, prepareAhead, services_.workers,
                        static_cast<std::size_t>(services_.workers), services_.workerStarted, services_.workerEnded);
        } catch (const std::bad_alloc&) {
          ahead.reset();  // each image prepared here when its turn comes
        }
      }
    };
    prepareFrom(0);
    std::int32_t counter = 0;
    for (std::size_t index = 0; index < items_.size(); ++index) {
      const BuildItem& item = items_[index];
      if (services_.freeMemory) services_.freeMemory(freeMemory);
      progress_.ShowTitle(L"Building PDF ...  ( Free memory = " + FormatByteSize(freeMemory, 0, 2) + L" )");
      ++counter;
      progress_.ShowFile(counter, total, item.Name);

      const std::int64_t sourceSize = platform::FileSize(item.Path);
      if (sourceSize < 0) {
        LogFileMissing(log_, item.Path);
        continue;
      }
      PreparedImage image = ahead ? ahead->Take(index) : services_.prepare(item.Path, settings_, item.Turn);
      if (image.outcome == PrepOutcome::GdiplusError && image.status == kStatusOutOfMemory) {
        // Memory may have run short only because other images were being
        // prepared at the same time: this one gets a second chance alone,
        // so that the build stops only where a one-by-one build would.
        ahead.reset();
        image = services_.prepare(item.Path, settings_, item.Turn);
        if (ShortOfMemoryOnlyByItsOwnWord(image)) image.outcome = PrepOutcome::SkippedUnsupported;
        if (image.outcome != PrepOutcome::GdiplusError) prepareFrom(index + 1);
      }
      // A multi-page file's later pages follow its first, each on its own.
      const std::int32_t pages = services_.preparePage ? image.pageCount : 1;
      const TiffChainEnd pagesEnd = services_.preparePage ? image.pagesEnd : TiffChainEnd::Complete;
      std::int32_t stop = 0;
      const PageResult first = PlacePrepared(item, image, sourceSize, 1, pages, stop);
      if (first == PageResult::Stop) return stop;
      if (first == PageResult::Skipped) continue;
      progress_.ShowProgress(counter);

      if (progress_.PollCancel()) cancelled = true;
      for (std::int32_t page = 2; page <= pages && !cancelled; ++page) {
        PreparedImage later = services_.preparePage(item.Path, settings_, page - 1, item.Turn);
        if (ShortOfMemoryOnlyByItsOwnWord(later)) later.outcome = PrepOutcome::SkippedUnsupported;
        if (PlacePrepared(item, later, sourceSize, page, pages, stop) == PageResult::Stop) return stop;
        if (progress_.PollCancel()) cancelled = true;
      }
      if (!cancelled && pagesEnd != TiffChainEnd::Complete) LogPagesMissing(log_, item.Path, pages, pagesEnd);
      if (settings_.MemoryLoad != 0 && freeMemory < threshold && !asked) {
        asked = true;
        if (!progress_.ConfirmLowMemory()) cancelled = true;
      }
      if (cancelled) break;
    }

    // 6. Saving. A build that placed no file writes nothing: an older PDF of
    // the same name is not replaced by an empty one.
    const bool save = !cancelled && log_.FilesProcessed > 0;
    progress_.EndFiles(save);
    if (save) {
      // A failed save leaves no file of its own and an older PDF untouched.
      pdf_Save(pdfPath_);
      if (pdf_GetErrorCode() != 0) return WriterError();
      written_ = true;
    }

    // 7. Done.
    CloseProgress();
    if (settings_.RememberLastDirectory != 0) settings_.LastDirectory = FolderPart(pdfPath_);
    return 1;
  }

  // GDI+ on Windows says "out of memory" on opening many a damaged file, and
  // a header may claim a size no process could hold. Unless the address
  // space left really is too small for what the image needs, the file is the
  // problem, not the memory: it is skipped and the build goes on.
  bool ShortOfMemoryOnlyByItsOwnWord(const PreparedImage& image) const {
    if (image.outcome != PrepOutcome::GdiplusError || image.status != kStatusOutOfMemory) return false;
    if (image.loadNeedBytes <= 0 || !services_.addressRoom) return false;
    return !MemoryReallyShort(image.loadNeedBytes, services_.addressRoom());
  }

  enum class PageResult { Placed, Skipped, Stop };

  // Logs and places one prepared page (page of pages of its file), or logs
  // it as skipped. Stop: the build ends with stop as its result.
  PageResult PlacePrepared(const BuildItem& item, PreparedImage& image, std::int64_t sourceSize, std::int32_t page,
                           std::int32_t pages, std::int32_t& stop) {
    const std::wstring shown = page > 1 ? item.Path + PageOfFileText(page, pages) : item.Path;
    switch (image.outcome) {
      case PrepOutcome::SkippedUnsupported:
        LogFileSkipped(log_, SkipUnsupported, shown);
        return PageResult::Skipped;
      case PrepOutcome::SkippedNotStorable:
        LogFileSkipped(log_, SkipJpegNotStorable, shown);
        return PageResult::Skipped;
      case PrepOutcome::GdiplusError:
        stop = GdiplusError(image.status);
        return PageResult::Stop;
      case PrepOutcome::Ok:
        break;
    }
    // Measured before the writer takes the block over.
    const auto storedSize = static_cast<std::int64_t>(image.data.size());
    // Each page is an image of its own: the writer reuses the image of a name it knows.
    const std::wstring name = page > 1 ? item.Path + L"*" + std::to_wstring(page) : item.Path;
    if (!PlacePage(item, name, image)) {
      stop = WriterError();
      return PageResult::Stop;
    }
    LogPageOk(log_, item.Path, sourceSize, storedSize, page, pages);
    image = PreparedImage();  // the writer has the data now
    return PageResult::Placed;
  }

  // Adds the page, its image and its header or footer line.
  bool PlacePage(const BuildItem& item, const std::wstring& imageName, PreparedImage& image) {
    // The page is laid out for the picture as it is shown, which for a
    // stored photo on its side is not the way its bytes lie.
    const PixelSize shown = UprightSize(image.width, image.height, image.orientation);
    const PagePlacement place = PlaceImage(shown.width, shown.height, orientation_, settings_);
    if (place.overflow) Fatal(kLineInternalFit, L"Internal error!");
    if (paperless_) {
      pdf_AddPage(orientation_, PageSizeText(shown.width, shown.height, orientation_));
    } else {
      pdf_AddPage(-1, L"");
    }
    if (pdf_GetErrorCode() != 0) return false;
    pdf_ImageFromMem(imageName, image.kind, image.colour, std::move(image.data), Millimetres(static_cast<float>(image.width)),
                     Millimetres(static_cast<float>(image.height)), Millimetres(place.x), Millimetres(place.y),
                     Millimetres(place.width), Millimetres(place.height), image.orientation);
    if (pdf_GetErrorCode() != 0) return false;

    if (header_) {
      if (settings_.HeaderDisplayWhat == 1) headerText_ = item.Name;
      else if (settings_.HeaderDisplayWhat == 2) headerText_ = item.Path;
      if (settings_.HeaderDisplayAlign >= 1 && settings_.HeaderDisplayAlign <= 3) {
        headerAlign_ = settings_.HeaderDisplayAlign;
      }
      if (settings_.HeaderDisplayWhere == 1) pdf_SetPosition(0, 0);
      else pdf_SetPosition(0, Millimetres(place.areaHeight) + 10);
      pdf_TextBox(Millimetres(place.areaWidth), 10, headerText_, 0, headerAlign_);
      if (pdf_GetErrorCode() != 0) return false;
    }
    return true;
  }

  // A fatal report ends the process and shuts GDI+ down on its way out: the
  // threads preparing images, which may be inside GDI+, are stopped first.
  void Fatal(std::int32_t line, const std::wstring& message) {
    ahead_.reset();
    progress_.Fatal(line, message);
  }

  std::int32_t GdiplusError(std::int32_t status) {
    if (status != 3) {
      Fatal(kLineGdiplusUnexpected, L"GDI+ unexpected error (code: " + PlainNumber(status) + L" )");
    }
    CloseProgress();
    progress_.ShowError(L"Out of memory inside a GDI+ function.");
    return 0;
  }

  std::int32_t WriterError() {
    const std::int32_t code = pdf_GetErrorCode();
    if (code == 5) Fatal(kLineUnsupportedPng, L"Internal error. I have just built an unsupported PNG format (!)");
    CloseProgress();
    progress_.ShowError(WriterErrorMessage(code));
    return 0;
  }

  void CloseProgress() {
    if (windowOpen_) {
      progress_.Close();
      windowOpen_ = false;
    }
  }

  // 8. The ending, whatever happened before.
  std::int32_t End(std::int32_t result) {
    pdf_Reset();
    WriteBuildReport(log_);
    if (services_.trimWorkingSet) services_.trimWorkingSet();
    // A PDF without a single page is removed. A file this build did not
    // write is never touched.
    if (written_ && (log_.FilesProcessed == 0 || result == 0)) {
      platform::RemoveFile(pdfPath_);
      written_ = false;
    }
    log_.PdfWritten = written_;
    const std::int32_t problems = log_.FilesSkipped + log_.FilesMissing;
    if (problems > 0 && result == 1) {
      progress_.ShowError(BuildErrorsMessage(log_.FilesSkipped, log_.FilesMissing, log_.LogPath));
    }
    if (problems == 0 && settings_.DeleteLogIfSuccessful == 1) DeleteBuildLog(log_);
    progress_.Finish();
    return result;
  }

  const std::wstring& pdfPath_;
  BuildLog& log_;
  const std::vector<BuildItem>& items_;
  Settings& settings_;
  BuildProgress& progress_;
  const BuildServices& services_;

  std::int32_t orientation_ = 1;
  bool paperless_ = false;
  bool header_ = false;
  std::wstring headerText_;
  std::int32_t headerAlign_ = 0;
  bool windowOpen_ = false;
  bool written_ = false;
  std::optional<PrepareAhead> ahead_;
};

}  // namespace

std::int32_t BuildPdf(const std::wstring& pdfPath, BuildLog& log, const std::vector<BuildItem>& items,
                      Settings& settings, BuildProgress& progress, const BuildServices& services) {
  return Build(pdfPath, log, items, settings, progress, services).Run();
}

std::wstring BuildErrorsMessage(std::int32_t skipped, std::int32_t missing, const std::wstring& logPath) {
  return L"There were some errors processing the files ...\r\n\r\nFiles skipped : " + PlainNumber(skipped) +
         L"\r\n\r\nFiles missing : " + PlainNumber(missing) + L"\r\n\r\nPlease see the log  \"" + logPath +
         L"\"\r\n\r\nfor more info.\r\n";
}

bool AllFilesInOneFolder(const std::vector<BuildItem>& items) {
  std::wstring first;
  for (const BuildItem& item : items) {
    const std::wstring folder = FolderPart(item.Path);
    if (first.empty()) first = folder;
    else if (folder != first) return false;
  }
  return true;
}

std::wstring DefaultPdfFolder(const Settings& settings, const std::vector<BuildItem>& items,
                              const std::wstring& desktopFolder) {
  std::wstring folder = desktopFolder;
  if (settings.RememberLastDirectory != 0 && !settings.LastDirectory.empty() &&
      platform::IsDirectory(settings.LastDirectory)) {
    folder = settings.LastDirectory;
  }
  if (settings.SaveSameDirAsFiles != 0 && !items.empty() && AllFilesInOneFolder(items)) {
    folder = FolderPart(items.front().Path);
  }
  return folder;
}

std::wstring CompletePdfFileName(const std::wstring& chosen, std::uint32_t filterIndex) {
  if (filterIndex == 1 && FilePart(chosen).find(L'.') == std::wstring::npos) return chosen + L".pdf";
  return chosen;
}
