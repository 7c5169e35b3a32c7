#pragma once
// The build: the whole file list, in list order, becomes one PDF with one
// image per page. The driver knows no window: progress, cancel, questions and
// messages reach the user through BuildProgress, implemented by the progress
// window of the desktop program and by the console companion.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/address_room.h"
#include "imaging/image_prep.h"
#include "pipeline/build_log.h"
#include "platform/path.h"
#include "settings/settings.h"

struct BuildItem {
  std::wstring Path;  // full path
  std::wstring Name;  // file-name part, shown while the file is processed
  std::int32_t Turn = 0;  // the row's turn, degrees clockwise, on top of the EXIF orientation
};

class BuildProgress {
 public:
  virtual ~BuildProgress() = default;
  // Shows the progress for fileCount files and disables the main window.
  virtual void Open(std::int32_t fileCount) = 0;
  // ShowTitle, ShowFile and ShowProgress report the state after every file; a
  // window may show it at a pace of its own, the last state by EndFiles.
  virtual void ShowTitle(const std::wstring& title) = 0;
  // counter of fileCount; name is the file being processed.
  virtual void ShowFile(std::int32_t counter, std::int32_t fileCount, const std::wstring& name) = 0;
  virtual void ShowProgress(std::int32_t counter) = 0;
  // Handles pending events; true when the user asked to cancel (Cancel button
  // or the window's close box) since the last call.
  virtual bool PollCancel() = 0;
  // The low-memory question: true to go on with the build.
  virtual bool ConfirmLowMemory() = 0;
  // The files are done. When saving is true the PDF is written next:
  // "Saving PDF to disk, please wait ..." and no more cancelling.
  virtual void EndFiles(bool saving) = 0;
  // Closes the progress (if it is open). Called once, also on error paths.
  virtual void Close() = 0;
  // A message for the user (the main window's exclamation box).
  virtual void ShowError(const std::wstring& text) = 0;
  // The build is over: the main window is usable again.
  virtual void Finish() = 0;
  // An internal fault: reported from "BuildPdf" at line; does not return.
  [[noreturn]] virtual void Fatal(std::int32_t line, const std::wstring& message) = 0;
};

// What the build asks of the operating system, replaceable in tests.
struct BuildServices {
  // turn: the item's Turn.
  std::function<PreparedImage(const std::wstring& path, const Settings& settings, std::int32_t turn)> prepare;
  // A later page (0-based: 1, 2, ...) of a file whose first page came
  // with a pageCount above 1; prepared on the build thread. Without it only
  // the first page is placed.
  std::function<PreparedImage(const std::wstring& path, const Settings& settings, std::int32_t page,
                              std::int32_t turn)>
      preparePage;
  // Free physical memory in bytes; false leaves the value as it was.
  std::function<bool(std::int64_t& bytes)> freeMemory;
  std::function<void()> trimWorkingSet;
  // The process's address room, asked when a decoder says memory is short.
  std::function<AddressRoom()> addressRoom;
  // Threads that prepare images ahead of the page being placed; prepare must
  // then be safe to call from several threads at once. 0 or 1: every image
  // is prepared on the build thread when its turn comes.
  std::int32_t workers = 0;
  // Image data the writer holds in memory beyond this many bytes waits for
  // the save in a temporary file beside the PDF (negative: all in memory).
  std::int64_t spillAfterBytes = std::int64_t{64} << 20;
  // Run first and last on every such thread.
  std::function<void()> workerStarted;
  std::function<void()> workerEnded;
};

// Fixed line numbers of the build's fatal reports.
inline constexpr std::int32_t kLineBuildWindow = 2231;
inline constexpr std::int32_t kLineGdiplusUnexpected = 2336;
inline constexpr std::int32_t kLineInternalFit = 2367;
inline constexpr std::int32_t kLineUnsupportedPng = 2419;

// Builds the PDF at pdfPath. Returns 1 when the build ran to its end (saved,
// or cancelled by the user), 0 when it stopped on memory or a writer error.
// Updates settings.LastDirectory when RememberLastDirectory is set.
std::int32_t BuildPdf(const std::wstring& pdfPath, BuildLog& log, const std::vector<BuildItem>& items,
                      Settings& settings, BuildProgress& progress, const BuildServices& services);

// The text shown when files were skipped or missing.
std::wstring BuildErrorsMessage(std::int32_t skipped, std::int32_t missing, const std::wstring& logPath);

// True when every item lies in the same folder (also for an empty list).
bool AllFilesInOneFolder(const std::vector<BuildItem>& items);

// The folder the output-file dialog starts in: the desktop, or LastDirectory
// when remembered and still there, or, winning over both, the folder of the
// files when SaveSameDirAsFiles is set and they all share one.
std::wstring DefaultPdfFolder(const Settings& settings, const std::vector<BuildItem>& items,
                              const std::wstring& desktopFolder);
// The dialog's answer with ".pdf" added when the name has no extension and
// the first filter ("PDF documents") was selected.
std::wstring CompletePdfFileName(const std::wstring& chosen, std::uint32_t filterIndex);
