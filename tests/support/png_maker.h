#pragma once
// Writes small, valid PNG files without a compression library (deflate
// "stored" blocks), so tests control every chunk: colour type, palette, how
// the image data is split over IDAT chunks, and extra chunks.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct PngSpec {
  int width = 0;
  int height = 0;
  int colourType = 2;                     // 0 gray, 2 RGB, 3 palette
  std::vector<unsigned char> pixels;      // row-major, 1 or 3 bytes per pixel
  std::vector<unsigned char> palette;     // RGB triplets, colour type 3 only
  int idatChunks = 1;                     // how many IDAT chunks the data is split into
  bool ancillaryBeforeIdat = false;       // adds a tEXt chunk
};

std::vector<unsigned char> MakePng(const PngSpec& layout);
// The zlib stream that the IDAT chunks of MakePng carry, joined.
std::vector<unsigned char> PngZlibData(const PngSpec& layout);
// Appends one chunk with a correct CRC.
void AppendPngChunk(std::vector<unsigned char>& png, const std::string& type,
                    const std::vector<unsigned char>& data);

}  // namespace testsupport
