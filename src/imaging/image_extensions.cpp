#include "imaging/image_extensions.h"

#include <algorithm>

namespace {

// Letters and digits, plus the odd dash or underscore some codecs use.
bool PlainExtension(const std::wstring& extension) {
  if (extension.empty() || extension.size() > 16) return false;
  return std::all_of(extension.begin(), extension.end(), [](wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_';
  });
}

void AddOnce(std::vector<std::wstring>& extensions, std::wstring extension) {
  if (!PlainExtension(extension)) return;
  if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end()) {
    extensions.push_back(std::move(extension));
  }
}

// One list split at commas and semicolons, each piece without its leading
// "*" and "." and in lower case.
void AddList(std::vector<std::wstring>& extensions, const std::wstring& list) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(L",;", start);
    if (end == std::wstring::npos) end = list.size();
    std::wstring piece = list.substr(start, end - start);
    const std::size_t first = piece.find_first_not_of(L" *.");
    const std::size_t last = piece.find_last_not_of(L' ');
    piece = first == std::wstring::npos ? std::wstring() : piece.substr(first, last - first + 1);
    // Only ASCII letters are folded: an extension with anything else is left out anyway.
    for (wchar_t& c : piece) {
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    AddOnce(extensions, std::move(piece));
    start = end + 1;
  }
}

}  // namespace

std::vector<std::wstring> ReadableExtensions(const std::vector<std::wstring>& decoderLists) {
  std::vector<std::wstring> extensions{L"jpg", L"jpeg", L"png", L"bmp", L"gif", L"tif", L"tiff"};
  for (const std::wstring& list : decoderLists) AddList(extensions, list);
  return extensions;
}

std::wstring ExtensionPatterns(const std::vector<std::wstring>& extensions) {
  std::wstring patterns;
  for (const std::wstring& extension : extensions) {
    if (!patterns.empty()) patterns += L';';
    patterns += L"*." + extension;
  }
  return patterns;
}
