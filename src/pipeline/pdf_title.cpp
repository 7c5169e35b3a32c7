#include "pipeline/pdf_title.h"

#include "platform/path.h"

std::wstring PdfTitleFromFileName(const std::wstring& path) {
  const std::wstring name = FilePart(path);
  const std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return name;
  const std::wstring suffix = name.substr(dot);  // "." + extension
  std::wstring title;
  title.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    if (name.compare(at, suffix.size(), suffix) == 0) {
      at += suffix.size();
    } else {
      title += name[at++];
    }
  }
  return title;
}
