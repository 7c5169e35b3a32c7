#include "pipeline/build_log.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "format/text_format.h"
#include "platform/text.h"

namespace {

void WriteText(BuildLog& log, const std::wstring& text) {
  if (!log.LogFile.IsOpen()) return;
  const std::string bytes = platform::ToUtf8(text);
  log.LogFile.Write(bytes.data(), bytes.size());  // a failed write costs a line, not the build
}

// Report labels are padded to one width so that the values line up.
std::wstring Label(std::wstring_view name) {
  std::wstring text(name);
  if (text.size() < 18) text.resize(18, L' ');
  return text + L": ";
}

// The summary's numbers are written without grouping.
std::wstring Plain(std::int32_t value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::wstring(buffer, result.ptr);
}

std::wstring TrueFalse(std::int32_t flag) { return flag ? L"True" : L"False"; }

std::wstring PaperName(std::int32_t format) {
  switch (format) {
    case 1: return L"A4";
    case 2: return L"A3";
    case 3: return L"A2";
    case 4: return L"Letter";
    case 5: return L"Legal";
    default: return L"Paperless";
  }
}

std::wstring StartupName(std::int32_t mode) {
  switch (mode) {
    case 2: return L"Fit width";
    case 3: return L"True size";
    case 4: return L"Full screen";
    default: return L"Fit page";
  }
}

std::wstring SettingsSummary(const std::wstring& creator, const Settings& s) {
  std::wstring t = creator + L"\r\n\r\n";
  t += L"Image compression = ";
  t += s.JpgCompression ? L"JPG (quality: " + Plain(s.JpgQuality) + L")" : L"PNG (lossless)";
  t += L"\r\n";
  t += L"Resizing = " + Plain(s.ImageScaling) + L" %\r\n";
  if (s.ResizeOnlyIfWider > 0) t += L"Resize only if width > " + Plain(s.ResizeOnlyIfWider) + L"\r\n";
  const bool onPaper = s.PaperFormat != 6;
  if (onPaper) t += L"Orientation = " + std::wstring(s.PaperOrientation == 1 ? L"Portrait" : L"Landscape") + L"\r\n";
  t += L"Paper format = " + PaperName(s.PaperFormat) + L"\r\n";
  t += L"Startup mode = " + StartupName(s.PdfStartup) + L"\r\n";
  if (onPaper) {
    t += L"Enlarge to fit page if smaller = " + TrueFalse(s.EnlargeToFit) + L"\r\n";
    t += L"Keep original image aspect ratio = " + TrueFalse(s.KeepAspect) + L"\r\n";
  }
  if (s.JpgNoRecompression == 1) t += L"JPG storing mode is enabled\r\n";
  t += L"\r\n";
  return t;
}

std::wstring DateAndTime(std::int64_t seconds) {
  return FormatDate(GetDateMask(), seconds) + L" " + FormatDate(L"%hh:%ii:%ss", seconds);
}

}  // namespace

std::wstring MakeLogFileName(const std::wstring& pdfPath) { return pdfPath + L".log"; }

bool OpenBuildLog(BuildLog& log, const std::wstring& creator, const std::wstring& pdfPath,
                  const std::wstring& logPath, const Settings& settings) {
  log.LogFile.Close();
  log.PdfPath = pdfPath;
  log.LogPath = logPath;
  log.LogFile = platform::OutputFile::CreateExclusive(logPath);
  log.StartTime = log.Clock();
  log.EndTime = 0;
  log.PageNumber = 0;
  log.FilesProcessed = 0;
  log.FilesMissing = 0;
  log.FilesSkipped = 0;
  log.BytesProcessed = 0;
  WriteText(log, SettingsSummary(creator, settings));
  return log.LogFile.IsOpen();
}

std::wstring PageOfFileText(std::int32_t page, std::int32_t pageCount) {
  return L", page " + FormatNumber(page) + L" of " + FormatNumber(pageCount);
}

void LogPageOk(BuildLog& log, const std::wstring& path, std::int64_t sourceSize, std::int64_t storedSize,
               std::int32_t page, std::int32_t pageCount) {
  ++log.PageNumber;
  if (page <= 1) {
    ++log.FilesProcessed;
    if (sourceSize > 0) log.BytesProcessed += sourceSize;  // an unknown size (-1) adds nothing
  }
  const bool ofPages = pageCount > 1;
  // An empty source has no meaningful ratio; it reads as 0 % rather than a division by zero.
  const double share = static_cast<double>(sourceSize) / (ofPages ? pageCount : 1);
  const double percent = sourceSize > 0 ? static_cast<double>(storedSize) / share * 100.0 : 0.0;
  WriteText(log, L"[OK] Page " + FormatNumber(log.PageNumber) + L": " + path +
                     (ofPages ? PageOfFileText(page, pageCount) : L"") + L" (" + FormatDecimal(percent, 1) + L" %)\r\n");
}

void LogFileSkipped(BuildLog& log, SkipReason reason, const std::wstring& path) {
  ++log.FilesSkipped;
  WriteText(log, L"[ERR] " + path +
                     (reason == SkipJpegNotStorable ? L" skipped, unable to store this JPG file !\r\n"
                                                    : L" skipped, unsupported file type !\r\n"));
}

void LogPagesMissing(BuildLog& log, const std::wstring& path, std::int32_t pagesRead, TiffChainEnd why) {
  std::wstring reason;
  switch (why) {
    case TiffChainEnd::Loop: reason = L"the file's page chain leads back to an earlier page"; break;
    case TiffChainEnd::OutsideFile: reason = L"the file's next page directory lies outside the file"; break;
    case TiffChainEnd::Limit: reason = L"the file has more than " + FormatNumber(kTiffPageLimit) + L" pages"; break;
    default: reason = L"the file's next page directory is cut short or damaged"; break;
  }
  ++log.FilesSkipped;
  WriteText(log, L"[ERR] " + path + L", pages after page " + FormatNumber(pagesRead) + L" skipped, " + reason +
                     L" !\r\n");
}

void LogFileMissing(BuildLog& log, const std::wstring& path) {
  ++log.FilesMissing;
  WriteText(log, L"[ERR] " + path + L" is missing !\r\n");
}

void WriteBuildReport(BuildLog& log) {
  log.EndTime = log.Clock();
  if (!log.LogFile.IsOpen()) return;
  const std::int64_t elapsed = log.EndTime - log.StartTime;
  const std::int64_t pdfSize = platform::FileSize(log.PdfPath);
  float speed = 0;
  double ratio = 0;
  if (log.BytesProcessed != 0) {
    // The added second keeps a sub-second build finite; a clock set back
    // during the build must not make the divisor zero or negative.
    const std::int64_t seconds = std::max<std::int64_t>(elapsed + 1, 1);
    speed = static_cast<float>(log.BytesProcessed) / static_cast<float>(seconds) / 1048576.0f;
    ratio = static_cast<double>(pdfSize) / static_cast<double>(log.BytesProcessed) * 100.0;
  }

  std::wstring t = L"\r\n";
  t += Label(L"Start time") + DateAndTime(log.StartTime) + L"\r\n";
  t += Label(L"End time") + DateAndTime(log.EndTime) + L"\r\n";
  if (elapsed != 0) {
    t += Label(L"Elapsed time") + FormatDate(L"%hh:%ii:%ss", elapsed) + L"\r\n";
  } else {
    t += Label(L"Elapsed time") + L"Less than a second.\r\n";
  }
  t += L"\r\n";
  if (log.FilesProcessed == 0) {
    t += Label(L"Output file") + L"Not available.\r\n";
    t += Label(L"Shrinked to") + FormatDecimal(ratio, 1) + L" %\r\n";
  } else if (pdfSize < 0) {
    // Cancelled, or removed behind our back: there is no file to measure.
    t += Label(L"Output file") + log.PdfPath + L" (not found)\r\n";
    t += Label(L"Size ratio") + L"Not available.\r\n";
  } else {
    t += Label(L"Output file") + log.PdfPath + L" (" + FormatNumber(pdfSize) + L" bytes)\r\n";
    t += Label(ratio <= 100 ? L"Shrinked to" : L"Enlarged to") + FormatDecimal(ratio, 1) + L" %\r\n";
  }
  if (elapsed != 0) t += Label(L"Speed") + FormatDecimal(speed, 2) + L" MB/sec\r\n";
  t += L"\r\n";
  t += Label(L"Files processed") + FormatNumber(log.FilesProcessed) + L" (" + FormatNumber(log.BytesProcessed) +
       L" bytes)\r\n";
  t += Label(L"Files skipped") + FormatNumber(log.FilesSkipped) + L"\r\n";
  t += Label(L"Files missing") + FormatNumber(log.FilesMissing) + L"\r\n";
  t += L"\r\n";
  t += log.FilesSkipped + log.FilesMissing > 0 ? L"!!! COMPLETED WITH ERRORS !!!\r\n" : L"NO ERRORS\r\n";
  WriteText(log, t);
  log.LogFile.Close();
}

bool DeleteBuildLog(BuildLog& log) {
  log.LogFile.Close();
  return platform::RemoveFile(log.LogPath);
}
