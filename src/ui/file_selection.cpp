#include "ui/file_selection.h"

std::vector<std::wstring> SplitFileSelection(std::wstring_view buffer) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = buffer.find(L'\0', start);
    const std::size_t stop = end == std::wstring_view::npos ? buffer.size() : end;
    if (stop == start) break;  // the empty piece ends the list
    pieces.emplace_back(buffer.substr(start, stop - start));
    start = stop + 1;
  }
  if (pieces.size() <= 1) return pieces;
  std::wstring folder = pieces.front();
  // A drive root comes with its backslash ("C:\"), any other folder without.
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  std::vector<std::wstring> paths;
  paths.reserve(pieces.size() - 1);
  for (std::size_t i = 1; i < pieces.size(); ++i) paths.push_back(folder + pieces[i]);
  return paths;
}
