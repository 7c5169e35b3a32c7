#pragma once
// Reads back the PDFs the program writes: the cross-reference table, each
// object's text and stream data. Small and strict: it fails loudly on
// anything a conforming file would not contain.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct PdfFile {
  std::string bytes;
  std::int64_t startxref = -1;
  std::map<int, std::int64_t> offsets;  // object number -> offset from the xref table
  int size = 0;                         // /Size of the trailer
  std::string trailer;
  std::vector<std::string> problems;    // every inconsistency found while reading

  // Text of object n from "n 0 obj" to "endobj\n" (stream data included).
  std::string Object(int n) const;
  // The dictionary part (before "stream") of object n.
  std::string Dictionary(int n) const;
  // The raw bytes between "stream\n" and "\nendstream" of object n.
  std::string Stream(int n) const;
  // The integer following key in text, e.g. Value(dict, "/Length").
  static std::optional<std::int64_t> Value(const std::string& text, const std::string& key);
  // Object numbers of the pages, in /Kids order.
  std::vector<int> Pages() const;
};

PdfFile ParsePdf(std::string bytes);

}  // namespace testsupport
