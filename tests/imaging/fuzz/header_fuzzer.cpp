// libFuzzer entry point for the JPEG and PNG header readers: any bytes, read
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
  return 0;
}
