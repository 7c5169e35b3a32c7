#include "app/path_handoff.h"

#include <cstring>

#include "format/program_info.h"

std::wstring JoinPaths(const std::vector<std::wstring>& paths) {
  std::wstring text;
  for (const std::wstring& path : paths) {
    if (path.empty()) continue;
    text += path;
    text += L'\n';
  }
  return text;
}

std::optional<HandedPaths> PathsFromCopyData(std::uintptr_t tag, const void* data, std::size_t bytes) {
  if (tag != kPathsCopyDataTag && tag != kMorePathsCopyDataTag) return std::nullopt;
  if (bytes % 2 != 0) return std::nullopt;
  if (bytes > 0 && !data) return std::nullopt;
  // UTF-16 units, whatever wchar_t is where the tests run.
  std::wstring text(bytes / 2, L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint16_t unit = 0;
    std::memcpy(&unit, static_cast<const unsigned char*>(data) + 2 * i, 2);
    text[i] = static_cast<wchar_t>(unit);
  }
  // A sender may count the terminator in: it is not part of any path.
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  if (text.size() > kMaxHandOffChars || text.find(L'\0') != std::wstring::npos) return std::nullopt;
  return HandedPaths{std::move(text), tag == kMorePathsCopyDataTag};
}

std::vector<std::wstring> HandOffPieces(const std::wstring& pathsText, std::size_t maxChars) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  while (start < pathsText.size()) {
    std::size_t end = start;  // one past the last whole path that fits
    for (;;) {
      const std::size_t feed = pathsText.find(L'\n', end);
      const std::size_t next = feed == std::wstring::npos ? pathsText.size() : feed + 1;
      if (next - start > maxChars && end > start) break;
      end = next;
      if (next - start >= maxChars || next == pathsText.size()) break;
    }
    pieces.push_back(pathsText.substr(start, end - start));
    start = end;
  }
  return pieces;
}

std::wstring HandOffFailedText(const std::wstring& pathsText) {
  constexpr std::size_t kNamed = 10;
  std::wstring named;
  std::size_t count = 0;
  std::size_t start = 0;
  while (start < pathsText.size()) {
    std::size_t end = pathsText.find(L'\n', start);
    if (end == std::wstring::npos) end = pathsText.size();
    if (end > start && ++count <= kNamed) named += L"\r\n" + pathsText.substr(start, end - start);
    start = end + 1;
  }
  std::wstring text = std::wstring(kProgramTitle) +
                      L" is already running, but it did not take the files handed to it, so they were not "
                      L"added to its list. Add them again once it answers:\r\n" +
                      named;
  if (count > kNamed) text += L"\r\n(and " + std::to_wstring(count - kNamed) + L" more)";
  return text;
}
