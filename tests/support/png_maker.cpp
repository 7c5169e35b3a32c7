#include "support/png_maker.h"

#include <algorithm>

namespace testsupport {
namespace {

std::uint32_t Crc32(const unsigned char* p, std::size_t n, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBE(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

}  // namespace

void AppendPngChunk(std::vector<unsigned char>& png, const std::string& type,
                    const std::vector<unsigned char>& data) {
  PutBE(png, static_cast<std::uint32_t>(data.size()));
  std::vector<unsigned char> typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBE(png, Crc32(typed.data(), typed.size()));
}

std::vector<unsigned char> PngZlibData(const PngSpec& layout) {
  const int channels = layout.colourType == 2 ? 3 : 1;
  std::vector<unsigned char> raw;
  for (int y = 0; y < layout.height; ++y) {
    raw.push_back(0);  // filter: none
    const auto row = layout.pixels.begin() + static_cast<std::ptrdiff_t>(y) * layout.width * channels;
    raw.insert(raw.end(), row, row + layout.width * channels);
  }
  std::vector<unsigned char> z = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<unsigned char>(n & 0xFF));
    z.push_back(static_cast<unsigned char>(n >> 8));
    z.push_back(static_cast<unsigned char>(~n & 0xFF));
    z.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
             raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1, b = 0;
  for (const unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBE(z, (b << 16) | a);
  return z;
}

std::vector<unsigned char> MakePng(const PngSpec& layout) {
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> ihdr;
  PutBE(ihdr, static_cast<std::uint32_t>(layout.width));
  PutBE(ihdr, static_cast<std::uint32_t>(layout.height));
  ihdr.insert(ihdr.end(), {8, static_cast<unsigned char>(layout.colourType), 0, 0, 0});
  AppendPngChunk(png, "IHDR", ihdr);
  if (layout.colourType == 3) AppendPngChunk(png, "PLTE", layout.palette);
  if (layout.ancillaryBeforeIdat) {
    const std::string text = "Comment\0made by the tests";
    AppendPngChunk(png, "tEXt", std::vector<unsigned char>(text.begin(), text.end()));
  }
  const std::vector<unsigned char> z = PngZlibData(layout);
  const std::size_t parts = static_cast<std::size_t>(std::max(1, layout.idatChunks));
  const std::size_t step = (z.size() + parts - 1) / parts;
  for (std::size_t pos = 0; pos < z.size(); pos += step) {
    const std::size_t n = std::min(step, z.size() - pos);
    AppendPngChunk(png, "IDAT", std::vector<unsigned char>(z.begin() + static_cast<std::ptrdiff_t>(pos),
                                                           z.begin() + static_cast<std::ptrdiff_t>(pos + n)));
  }
  AppendPngChunk(png, "IEND", {});
  return png;
}

}  // namespace testsupport
