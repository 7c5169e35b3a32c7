#include "support/pdf_reader.h"

#include <cstdlib>

namespace testsupport {

std::optional<std::int64_t> PdfFile::Value(const std::string& text, const std::string& key) {
  std::size_t p = text.find(key + " ");
  if (p == std::string::npos) return std::nullopt;
  p += key.size() + 1;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str() + p, &end, 10);
  if (end == text.c_str() + p) return std::nullopt;
  return v;
}

std::string PdfFile::Object(int n) const {
  const auto it = offsets.find(n);
  if (it == offsets.end()) return {};
  const std::size_t start = static_cast<std::size_t>(it->second);
  const std::string head = std::to_string(n) + " 0 obj\n";
  if (bytes.compare(start, head.size(), head) != 0) return {};
  // A stream's data may contain "endobj": skip over it by its /Length.
  std::size_t searchFrom = start;
  const std::size_t streamAt = bytes.find("stream\n", start);
  const std::size_t firstEnd = bytes.find("endobj\n", start);
  if (streamAt != std::string::npos && streamAt < firstEnd) {
    const auto length = Value(bytes.substr(start, streamAt - start), "/Length");
    if (length) searchFrom = streamAt + 7 + static_cast<std::size_t>(*length);
  }
  const std::size_t end = bytes.find("endobj\n", searchFrom);
  if (end == std::string::npos) return {};
  return bytes.substr(start, end + 7 - start);
}

std::string PdfFile::Dictionary(int n) const {
  const std::string object = Object(n);
  const std::size_t s = object.find("stream\n");
  return s == std::string::npos ? object : object.substr(0, s);
}

std::string PdfFile::Stream(int n) const {
  const std::string object = Object(n);
  const std::size_t s = object.find("stream\n");
  if (s == std::string::npos) return {};
  const auto length = Value(object.substr(0, s), "/Length");
  if (!length) return {};
  return object.substr(s + 7, static_cast<std::size_t>(*length));
}

std::vector<int> PdfFile::Pages() const {
  std::vector<int> pages;
  const auto root = Value(trailer, "/Root");
  if (!root) return pages;
  const auto pagesNode = Value(Object(static_cast<int>(*root)), "/Pages");
  if (!pagesNode) return pages;
  const std::string node = Object(static_cast<int>(*pagesNode));
  const std::size_t kids = node.find("/Kids [");
  if (kids == std::string::npos) return pages;
  const std::size_t close = node.find(']', kids);
  std::vector<std::string> tokens;
  std::string token;
  for (std::size_t i = kids + 7; i < close; ++i) {
    if (node[i] == ' ') {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    } else {
      token.push_back(node[i]);
    }
  }
  if (!token.empty()) tokens.push_back(token);
  for (std::size_t i = 0; i + 3 <= tokens.size(); i += 3) {
    if (tokens[i + 1] == "0" && tokens[i + 2] == "R") pages.push_back(std::atoi(tokens[i].c_str()));
  }
  return pages;
}

PdfFile ParsePdf(std::string bytes) {
  PdfFile f;
  f.bytes = std::move(bytes);
  const std::string& b = f.bytes;
  auto problem = [&](const std::string& what) { f.problems.push_back(what); };

  if (b.compare(0, 15, "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n") != 0) problem("header");
  if (b.size() < 5 || b.compare(b.size() - 5, 5, "%%EOF") != 0) problem("no %%EOF at the very end");
  const std::size_t sx = b.rfind("startxref\n");
  if (sx == std::string::npos) {
    problem("no startxref");
    return f;
  }
  f.startxref = std::strtoll(b.c_str() + sx + 10, nullptr, 10);
  if (f.startxref < 0 || static_cast<std::size_t>(f.startxref) >= b.size() ||
      b.compare(static_cast<std::size_t>(f.startxref), 5, "xref\n") != 0) {
    problem("startxref does not point at xref");
    return f;
  }
  std::size_t p = static_cast<std::size_t>(f.startxref) + 5;
  char* end = nullptr;
  const long first = std::strtol(b.c_str() + p, &end, 10);
  const long count = std::strtol(end, &end, 10);
  if (first != 0 || *end != '\n') problem("xref subsection line");
  p = static_cast<std::size_t>(end - b.c_str()) + 1;
  for (long i = 0; i < count; ++i, p += 20) {
    if (p + 20 > b.size()) {
      problem("xref table runs past the end");
      return f;
    }
    const std::string line = b.substr(p, 20);
    if (line[10] != ' ' || line[16] != ' ' || line[18] != ' ' || line[19] != '\n') problem("xref line shape");
    if (line[17] == 'n') {
      const std::int64_t offset = std::strtoll(line.c_str(), nullptr, 10);
      f.offsets[static_cast<int>(i)] = offset;
      const std::string head = std::to_string(i) + " 0 obj\n";
      if (b.compare(static_cast<std::size_t>(offset), head.size(), head) != 0) {
        problem("xref entry " + std::to_string(i) + " does not point at its object");
      }
    } else if (i == 0 && line != "0000000000 65535 f \n") {
      problem("object 0 entry");
    }
  }
  if (b.compare(p, 8, "trailer\n") != 0) problem("trailer does not follow the xref table");
  f.trailer = b.substr(p, sx - p);
  f.size = static_cast<int>(PdfFile::Value(f.trailer, "/Size").value_or(-1));
  if (f.size != count) problem("/Size differs from the xref count");
  return f;
}

}  // namespace testsupport
