#include "app/path_handoff.h"

#include <cstring>

std::wstring JoinPaths(const std::vector<std::wstring>& paths) {
  std::wstring text;
  for (const std::wstring& path : paths) {
    if (path.empty()) continue;
    text += path;
    text += L'\n';
  }
  return text;
}

std::optional<std::wstring> PathsFromCopyData(std::uintptr_t tag, const void* data, std::size_t bytes) {
  if (tag != kPathsCopyDataTag || bytes > kMaxPathsCopyDataBytes || bytes % 2 != 0) return std::nullopt;
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
  if (text.find(L'\0') != std::wstring::npos) return std::nullopt;
  return text;
}
