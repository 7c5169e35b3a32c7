#include "imaging/image_probe.h"

#include <new>

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
