#pragma once
// The log written beside every PDF: the settings in force, one line per file
// and a closing report. Its counters also tell the build what went wrong.
#include <cstdint>
#include <string>

#include "imaging/image_probe.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "settings/settings.h"

struct BuildLog {
  std::wstring LogPath;
  std::wstring PdfPath;
  platform::OutputFile LogFile;  // not open when the log could not be created
  std::int64_t StartTime = 0;    // local seconds since 1970
  std::int64_t EndTime = 0;
  std::int32_t PageNumber = 0;
  std::int32_t FilesProcessed = 0;
  std::int32_t FilesMissing = 0;
  std::int32_t FilesSkipped = 0;
  std::int64_t BytesProcessed = 0;
  // This build wrote the PDF (not cancelled, not empty, saved): only then is
  // there a new file to open.
  bool PdfWritten = false;
  // Where StartTime and EndTime come from; tests put a clock of their own here.
  std::int64_t (*Clock)() = platform::LocalSecondsSince1970;
};

enum SkipReason { SkipUnsupported = 1, SkipJpegNotStorable = 2 };

// The log of C:\Out\book.pdf is C:\Out\book.pdf.log.
std::wstring MakeLogFileName(const std::wstring& pdfPath);

// Resets the record, creates the log file for exclusive use and writes the
// settings summary. Returns whether the file could be created; the counters
// work either way, so a build never loses its result to an unwritable log.
bool OpenBuildLog(BuildLog& log, const std::wstring& creator, const std::wstring& pdfPath,
                  const std::wstring& logPath, const Settings& settings);
// page and pageCount tell a page of a multi-page file: its line names the
// page, its percentage is against the file's size shared out over its pages,
// and the file counts as processed (and its bytes) with its first page only.
void LogPageOk(BuildLog& log, const std::wstring& path, std::int64_t sourceSize, std::int64_t storedSize,
               std::int32_t page = 1, std::int32_t pageCount = 1);
// ", page 2 of 5": how a page of a multi-page file is named after its path.
std::wstring PageOfFileText(std::int32_t page, std::int32_t pageCount);
void LogFileSkipped(BuildLog& log, SkipReason reason, const std::wstring& path);
// A multi-page file whose chain of page directories broke after its last
// placed page (pagesRead): the pages the decoder may have claimed beyond it
// are missing, and the line says why. Counts among the skipped files, so
// that the end message tells the user and the log is kept.
void LogPagesMissing(BuildLog& log, const std::wstring& path, std::int32_t pagesRead, TiffChainEnd why);
void LogFileMissing(BuildLog& log, const std::wstring& path);
// Takes the end time, writes the report (the PDF's size is read now) and
// closes the file.
void WriteBuildReport(BuildLog& log);
// Closes the file if it is still open and deletes it.
bool DeleteBuildLog(BuildLog& log);
