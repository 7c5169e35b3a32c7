#include "imaging/image_probe.h"

#include <new>

#include "imaging/gdiplus_win.h"
#include "imaging/decoder_guard_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/wic_decode_win.h"
#include "platform/file.h"

bool ProbeImageFile(const std::wstring& path) {
  if (platform::FileSize(path) < 0) return false;
  try {
    GdipImage image;
    const std::int32_t status = LoadImageFile(image, path);
    std::int64_t needBytes = 0;
    if (status != kStatusOk && (status == kStatusOutOfMemory || status == kStatusDecoderFault ||
                                LoadImageWithWic(path, false, image, needBytes) != kStatusOk)) {
      return false;
    }
    PixelSize size;
    return GetImageSize(image, size) == kStatusOk && size.width > 0 && size.height > 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ProbeImageHeaders(const std::wstring& path) {
  // The desktop intake's examination decides for the console too: one rule
  // for which files a drop takes, whichever front end it was dropped on.
  try {
    ExaminedImage examined;
    return ExamineImageSize(path, false, examined);
  } catch (const std::bad_alloc&) {
    return false;
  }
}
