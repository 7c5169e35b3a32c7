#include "filelist/skipped_list.h"

#include "platform/file.h"
#include "platform/path.h"
#include "platform/text.h"

std::wstring SkippedFilesText(std::size_t count) {
  return L"Some files (" + std::to_wstring(count) + L") were skipped, format not supported.";
}

std::string SkippedListBytes(const std::vector<std::wstring>& paths) {
  std::string bytes;
  for (const std::wstring& path : paths) {
    bytes += platform::ToUtf8(path);
    bytes += "\r\n";
  }
  return bytes;
}

std::wstring WithTextExtension(const std::wstring& chosen) {
  if (chosen.empty() || FilePart(chosen).find(L'.') != std::wstring::npos) return chosen;
  return chosen + L".txt";
}

bool SaveSkippedList(const std::wstring& path, const std::vector<std::wstring>& paths) {
  platform::OutputFile file = platform::OutputFile::CreateExclusive(path);
  if (!file.IsOpen()) file = platform::OutputFile::TruncateExisting(path);
  if (!file.IsOpen()) return false;
  // Line by line, as the list may be long; the file's length afterwards
  // tells whether every line arrived (a full disk may accept part of one).
  std::int64_t total = 0;
  bool written = true;
  for (const std::wstring& entry : paths) {
    const std::string line = platform::ToUtf8(entry) + "\r\n";
    total += static_cast<std::int64_t>(line.size());
    written = file.Write(line.data(), line.size()) && written;
  }
  file.Sync();
  const bool complete = written && file.Size() == total;
  file.Close();
  return complete;
}
