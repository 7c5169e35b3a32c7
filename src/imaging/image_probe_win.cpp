#include "imaging/image_probe.h"

#include <new>
#include <vector>

#include "imaging/gdiplus_win.h"
#include "platform/file.h"

bool ProbeImageFile(const std::wstring& path) {
  if (platform::FileSize(path) < 0) return false;
  try {
    GdipImage image;
    if (LoadImageFile(image, path) != kStatusOk) return false;
    PixelSize size;
    return GetImageSize(image, size) == kStatusOk && size.width > 0 && size.height > 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

namespace {

// Enough for the markers in front of a camera JPEG's first scan (EXIF with
// its thumbnail, colour profile) and for any PNG's IHDR.
constexpr std::size_t kHeadBytes = 256 * 1024;
constexpr std::size_t kTailBytes = 16;

bool HeadersSettleIt(const std::wstring& path) {
  const std::int64_t size = platform::FileSize(path);
  if (size <= 0) return false;
  std::vector<unsigned char> head;
  std::vector<unsigned char> tail;
  if (!platform::ReadFileRange(path, 0, kHeadBytes, head)) return false;
  const std::int64_t tailStart = size > static_cast<std::int64_t>(kTailBytes) ? size - static_cast<std::int64_t>(kTailBytes) : 0;
  if (!platform::ReadFileRange(path, tailStart, kTailBytes, tail)) return false;
  const JpegInfo jpeg = InspectJpeg(head.data(), head.size(), false);
  if (jpeg.verdict == JpegVerdict::Storable || jpeg.verdict == JpegVerdict::OtherColour)
    return JpegTailComplete(tail.data(), tail.size());
  const PngInfo png = InspectPng(head.data(), head.size(), false);
  return png.png && PngTailComplete(tail.data(), tail.size());
}

}  // namespace

bool ProbeImageHeaders(const std::wstring& path) {
  try {
    if (HeadersSettleIt(path)) return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return ProbeImageFile(path);
}
