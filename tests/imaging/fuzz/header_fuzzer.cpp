// libFuzzer entry point for the JPEG, PNG, GIF and BMP header readers, the
// TIFF directory walk and the run-length BMP decoder: any bytes, read
// whole and as a head, must be walked without reading outside them, and a
// verdict must agree with the fields it reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/image_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const bool whole : {true, false}) {
    const JpegInfo jpeg = InspectJpeg(data, size, whole);
    if (jpeg.verdict == JpegVerdict::Storable &&
        (jpeg.width <= 0 || jpeg.height <= 0 || jpeg.components == 2 || jpeg.precision != 8)) {
      std::abort();
    }
    if (jpeg.orientation < 1 || jpeg.orientation > 8) std::abort();
    const PngInfo png = InspectPng(data, size, whole);
    if (PngPassThroughColour(png) != 0 && (!png.sound || png.bitDepth != 8 || png.width <= 0 || png.height <= 0))
      std::abort();
  }
  // The bytes taken as an APP1 body too, so that mutations reach the IFD walk.
  const std::int32_t orientation = ExifOrientation(data, size);
  if (orientation < 1 || orientation > 8) std::abort();
  JpegTailComplete(data, size);
  PngTailComplete(data, size);
  InspectGif(data, size);
  // Directories at distinct offsets within the data; a walk held to one
  // directory counts at most that one.
  const TiffPages tiff = WalkTiffPages(data, size);
  if (static_cast<std::size_t>(tiff.count) > size || (tiff.count > 0 && tiff.end == TiffChainEnd::NotTiff)) std::abort();
  if (WalkTiffPages(data, size, 1).count > 1) std::abort();
  // The decoder fills a canvas of the size the header claims: kept within
  // the fuzzer's memory.
  const BmpInfo header = InspectBmp(data, size);
  if (static_cast<std::int64_t>(header.width) * header.height > (std::int64_t{16} << 20)) return 0;
  DecodedBmp bmp;
  if (DecodeRunLengthBmp(data, size, bmp) &&
      bmp.pixels.size() != static_cast<std::size_t>(bmp.stride) * static_cast<std::size_t>(bmp.height))
    std::abort();
  return 0;
}
