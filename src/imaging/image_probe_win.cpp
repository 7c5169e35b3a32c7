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

// Most JPEG files reach their first scan within the first 64 KB; camera
// files with a large thumbnail or colour profile within a megabyte.
constexpr std::size_t kHeadBytes[] = {64 * 1024, 1024 * 1024};
constexpr std::size_t kTailBytes = 16;

bool HeadersSettleIt(const std::wstring& path) {
  const std::int64_t size = platform::FileSize(path);
  if (size <= 0) return false;
  std::vector<unsigned char> tail;
  const std::int64_t tailStart = size > static_cast<std::int64_t>(kTailBytes) ? size - static_cast<std::int64_t>(kTailBytes) : 0;
  if (!platform::ReadFileRange(path, tailStart, kTailBytes, tail)) return false;
  std::vector<unsigned char> head;
  for (const std::size_t headBytes : kHeadBytes) {
    if (!platform::ReadFileRange(path, 0, headBytes, head)) return false;
    const JpegInfo jpeg = InspectJpeg(head.data(), head.size(), false);
    if (jpeg.verdict == JpegVerdict::Storable || jpeg.verdict == JpegVerdict::OtherColour)
      return JpegTailComplete(tail.data(), tail.size());
    const PngInfo png = InspectPng(head.data(), head.size(), false);
    if (png.png) return PngTailComplete(tail.data(), tail.size());
    // Not settled, and the whole file is read already: nothing more to learn.
    if (jpeg.verdict == JpegVerdict::NotJpeg || head.size() < headBytes) return false;
  }
  return false;
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
