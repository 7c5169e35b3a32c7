#pragma once
// What the PDF writer requires of the blocks the preparation hands it, read
// straight from the bytes: a PNG whose first chunk is IHDR and whose chunks
// the writer can walk, and an 8-bit three-component JPEG.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace encoded_check {

inline std::uint32_t ReadBe32(const std::vector<unsigned char>& d, std::size_t p) {
  return (std::uint32_t{d[p]} << 24) | (std::uint32_t{d[p + 1]} << 16) | (std::uint32_t{d[p + 2]} << 8) |
         d[p + 3];
}

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;
  int interlace = 0;
};

// The IHDR fields, when the data starts with the PNG signature and a 13-byte IHDR.
inline std::optional<PngHeader> ReadPngHeader(const std::vector<unsigned char>& d) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (d.size() < 33 || std::memcmp(d.data(), kSignature, 8) != 0) return std::nullopt;
  if (ReadBe32(d, 8) != 13 || std::memcmp(d.data() + 12, "IHDR", 4) != 0) return std::nullopt;
  return PngHeader{ReadBe32(d, 16), ReadBe32(d, 20), d[24], d[25], d[28]};
}

struct JpegFrame {
  int precision = 0;
  int height = 0;
  int width = 0;
  int components = 0;
  bool progressive = false;
};

// The frame header (SOFn) of a JPEG file, when one is found before the scan data.
inline std::optional<JpegFrame> ReadJpegFrame(const std::vector<unsigned char>& d) {
  if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8) return std::nullopt;
  std::size_t p = 2;
  while (p + 4 <= d.size()) {
    if (d[p] != 0xFF) return std::nullopt;
    const int marker = d[p + 1];
    if (marker == 0xFF) {  // fill byte
      ++p;
      continue;
    }
    const std::size_t length = (std::size_t{d[p + 2]} << 8) | d[p + 3];
    if (length < 2 || p + 2 + length > d.size()) return std::nullopt;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 8) return std::nullopt;
      return JpegFrame{d[p + 4], (d[p + 5] << 8) | d[p + 6], (d[p + 7] << 8) | d[p + 8], d[p + 9],
                       marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE};
    }
    if (marker == 0xDA) return std::nullopt;  // scan data before any frame header
    p += 2 + length;
  }
  return std::nullopt;
}

}  // namespace encoded_check
