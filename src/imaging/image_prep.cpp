#include "imaging/image_prep.h"

#include <algorithm>
#include <new>

#include "imaging/image_probe.h"
#include "pdf/pdf.h"
#include "platform/file.h"

std::int32_t StoredJpegColour(const JpegInfo& info) {
  if (info.components == 1) return kPdfGray;
  if (info.components == 4) return info.adobe ? kPdfCmykInverted : kPdfCmyk;
  return kPdfRgb;
}

std::int32_t JpegQualityForLevel(std::int32_t level) {
  static constexpr std::int32_t kQuality[10] = {10, 20, 25, 30, 35, 50, 60, 75, 90, 100};
  return kQuality[std::clamp(level, 1, 10) - 1];
}

std::optional<PixelSize> ScaledSize(PixelSize source, const Settings& settings) {
  if (settings.ImageScaling >= 100 || source.width <= settings.ResizeOnlyIfWider) return std::nullopt;
  // A side of 0 pixels cannot be drawn: a narrow image at a small percentage
  // keeps one pixel rather than failing the build.
  // Whole numbers throughout: side * (percent / 100.0) in floating point
  // lands just below the exact value for many sides (70 % of 90 px gives
  // 62.99...), and the 32-bit build's x87 registers round elsewhere again.
  const auto scale = [&](std::int32_t side) {
    const std::int64_t scaled = static_cast<std::int64_t>(side) * settings.ImageScaling / 100;
    return scaled < 1 ? 1 : static_cast<std::int32_t>(scaled);
  };
  return PixelSize{scale(source.width), scale(source.height)};
}

PixelSize UprightSize(std::int32_t width, std::int32_t height, std::int32_t orientation) {
  if (orientation >= 5 && orientation <= 8) return PixelSize{height, width};
  return PixelSize{width, height};
}

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& block) {
  try {
    if (platform::ReadFileBytes(path, block) && !block.empty()) return true;
  } catch (const std::bad_alloc&) {
  }
  std::vector<unsigned char>().swap(block);
  return false;
}

TiffPages WalkTiffFile(const std::wstring& path, std::int32_t limit) {
  const std::int64_t size = platform::FileSize(path);
  if (size <= 0) return TiffPages{};
  const FileRangeReader read = [&](std::uint64_t offset, std::size_t count, std::vector<unsigned char>& out) {
    return offset <= static_cast<std::uint64_t>(size) &&
           platform::ReadFileRange(path, static_cast<std::int64_t>(offset), count, out);
  };
  return WalkTiffPages(static_cast<std::uint64_t>(size), read, limit);
}

std::int64_t PreparationBytesEstimate(const unsigned char* head, std::size_t size, std::int64_t fileSize) {
  std::int64_t width = 0;
  std::int64_t height = 0;
  const JpegInfo jpeg = InspectJpeg(head, size, false);
  const PngInfo png = InspectPng(head, size, false);
  const GifInfo gif = InspectGif(head, size);
  const BmpInfo bmp = InspectBmp(head, size);
  if (jpeg.width > 0) {
    width = jpeg.width;
    height = jpeg.height;
  } else if (png.png) {
    width = png.width;
    height = png.height;
  } else if (gif.gif) {
    width = gif.width;
    height = gif.height;
  } else if (bmp.bmp) {
    width = bmp.width;
    height = bmp.height < 0 ? -std::int64_t{bmp.height} : bmp.height;
  }
  // Four bytes a pixel decoded, three on the canvas, with room to spare.
  if (width > 0 && height > 0) return width * height * 8;
  return std::max<std::int64_t>(fileSize, 0) * 8;
}
