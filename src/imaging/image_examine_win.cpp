#include "imaging/image_examine_win.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "imaging/address_room.h"
#include "imaging/decoder_guard_win.h"
#include "imaging/image_prep.h"
#include "imaging/image_probe.h"
#include "imaging/orientation.h"
#include "imaging/thumbnail_size.h"
#include "imaging/wic_decode_win.h"
#include "platform/file.h"

namespace {

// A 24-bit device-independent bitmap of the given size, or null.
win::UniqueBitmap CreateBitmap24(std::int32_t width, std::int32_t height) {
  if (!CanvasPossible(width, height)) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bits) return {};
  return bitmap;
}

// The bitmap reduced to width x height, each pixel the average of those it
// covers; null when no bitmap can be had.
win::UniqueBitmap Reduce(HBITMAP source, std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t width,
                         std::int32_t height) {
  win::UniqueBitmap reduced = CreateBitmap24(width, height);
  if (!reduced) return {};
  DIBSECTION from{};
  DIBSECTION to{};
  if (::GetObjectW(source, sizeof from, &from) != sizeof from || !from.dsBm.bmBits ||
      ::GetObjectW(reduced.get(), sizeof to, &to) != sizeof to || !to.dsBm.bmBits) {
    return {};
  }
  ::GdiFlush();
  // Both bitmaps keep their rows bottom first: row order needs no care.
  ReducePixels24(static_cast<const unsigned char*>(from.dsBm.bmBits), sourceWidth, sourceHeight,
                 from.dsBm.bmWidthBytes, static_cast<unsigned char*>(to.dsBm.bmBits), width, height,
                 to.dsBm.bmWidthBytes);
  return reduced;
}

bool Examine(const std::wstring& path, std::int32_t box, ExaminedImage& examined) {
  const std::int64_t size = platform::FileSize(path);
  if (size < 0) return false;
  examined.fileSize = size;
  GdipImage image;
  const std::int32_t status = LoadImageFile(image, path);
  // What GDI+ will not open, WIC may: shown as stored, like GDI+'s own pictures.
  std::int64_t needBytes = 0;
  if (status != kStatusOk &&
      (status == kStatusOutOfMemory || status == kStatusDecoderFault ||
       LoadImageWithWic(path, false, image, needBytes) != kStatusOk)) {
    return false;
  }
  PixelSize pixels;
  if (GetImageSize(image, pixels) != kStatusOk || pixels.width <= 0 || pixels.height <= 0) return false;
  examined.width = pixels.width;
  examined.height = pixels.height;
  examined.orientation = FileOrientation(image, path, IsJpegImage(image));
  win::UniqueBitmap bitmap;
  const std::int32_t drawn = DrawImageToBitmap(image, bitmap);
  if (drawn == kStatusDecoderFault) image.Abandon();
  if (drawn != kStatusOk) return false;
  if (image.Dispose() != kStatusOk) return false;
  if (!bitmap) return true;  // no drawing context: accepted without a thumbnail
  const ThumbnailDimensions reduced = ReducedThumbnailSize(pixels.width, pixels.height, box);
  if (reduced.width != pixels.width || reduced.height != pixels.height) {
    bitmap = Reduce(bitmap.get(), pixels.width, pixels.height, reduced.width, reduced.height);
  }
  examined.thumbnail = std::move(bitmap);
  return true;
}

// GDI+ said "out of memory" on opening the file: unless the address space
// left is too small for what its headers say it needs, that was about the file.
void ThrowIfMemoryShort(const std::wstring& path) {
  std::vector<unsigned char> head;
  platform::ReadFileRange(path, 0, 64 * 1024, head);
  if (MemoryReallyShort(PreparationBytesEstimate(head.data(), head.size(), platform::FileSize(path)),
                        QueryAddressRoom())) {
    throw std::bad_alloc();
  }
}

// Most JPEG files reach their first scan within the first 64 KB; camera
// files with a large thumbnail or colour profile within a megabyte.
constexpr std::size_t kHeadBytes[] = {64 * 1024, 1024 * 1024};
constexpr std::size_t kTailBytes = 16;

enum class HeaderVerdict { Accepted, Refused, Unsettled };

HeaderVerdict Accept(std::int32_t width, std::int32_t height, ExaminedImage& examined) {
  examined.width = width;
  examined.height = height;
  return HeaderVerdict::Accepted;
}

// The build hands a GIF to GDI+ unless one of its images has no colour
// table (that crashes the platform's decoder, and the build refuses it).
// Blocks whole up to the trailer settle the rest, when the first image
// covers the logical screen (otherwise GDI+'s size is GDI+'s to tell).
HeaderVerdict ExamineGif(const GifInfo& gif, ExaminedImage& examined) {
  if (gif.imageWithoutColours) return HeaderVerdict::Refused;
  if (!gif.trailer || !gif.firstImageFillsScreen || gif.width <= 0 || gif.height <= 0) {
    return HeaderVerdict::Unsettled;
  }
  return Accept(gif.width, gif.height, examined);
}

// Settled from the headers are only the BMP shapes the build surely decodes:
// run-length coded (the build's own reader) and uncompressed 1, 4, 8 or 24
// bits with every row in the file. Bitfields (Wine's GDI+ refuses 32-bit
// ones), 16 and 32 bits, embedded JPEG or PNG and files cut short are the
// platform decoder's to judge.
HeaderVerdict ExamineBmp(const BmpInfo& bmp, std::int64_t size, ExaminedImage& examined) {
  // The build's own reader refuses it too: no pixel of it is in the file.
  if (IsRunLengthBmp(bmp) && !RunLengthDataInFile(bmp, static_cast<std::uint64_t>(size))) {
    return HeaderVerdict::Refused;
  }
  const std::int64_t height = bmp.height < 0 ? -std::int64_t{bmp.height} : bmp.height;
  if (height > std::numeric_limits<std::int32_t>::max() ||
      !CanvasPossible(bmp.width, static_cast<std::int32_t>(height))) {
    return HeaderVerdict::Unsettled;
  }
  if (bmp.paletteOffset + std::int64_t{4} * bmp.paletteEntries > size) return HeaderVerdict::Unsettled;
  if (!IsRunLengthBmp(bmp)) {
    const std::int32_t bits = bmp.bitCount;
    const bool plain = bmp.compression == 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24);
    const std::int64_t rowBytes = (bmp.width * std::int64_t{bits} + 31) / 32 * 4;
    if (!plain || bmp.dataOffset + rowBytes * height > size) return HeaderVerdict::Unsettled;
  }
  return Accept(bmp.width, static_cast<std::int32_t>(height), examined);
}

HeaderVerdict ExamineHeaders(const std::wstring& path, std::int64_t size, bool upright, ExaminedImage& examined) {
  std::vector<unsigned char> tail;
  const auto tailBytes = static_cast<std::int64_t>(kTailBytes);
  if (!platform::ReadFileRange(path, size > tailBytes ? size - tailBytes : 0, kTailBytes, tail)) {
    return HeaderVerdict::Unsettled;
  }
  // A TIFF file whose first page directory cannot be read has no page the
  // build could place, whatever the decoder makes of it.
  const TiffPages tiff = WalkTiffFile(path, 1);
  if (tiff.end != TiffChainEnd::NotTiff) return tiff.count == 0 ? HeaderVerdict::Refused : HeaderVerdict::Unsettled;
  std::vector<unsigned char> head;
  for (const std::size_t headBytes : kHeadBytes) {
    if (!platform::ReadFileRange(path, 0, headBytes, head)) return HeaderVerdict::Unsettled;
    const JpegInfo jpeg = InspectJpeg(head.data(), head.size(), false);
    if ((jpeg.verdict == JpegVerdict::Storable || jpeg.verdict == JpegVerdict::OtherColour) &&
        JpegTailComplete(tail.data(), tail.size()) && jpeg.width > 0 && jpeg.height > 0) {
      // Orientations 5 to 8 turn the picture by a quarter.
      const bool turned = upright && jpeg.orientation >= 5;
      return turned ? Accept(jpeg.height, jpeg.width, examined) : Accept(jpeg.width, jpeg.height, examined);
    }
    const PngInfo png = InspectPng(head.data(), head.size(), false);
    if (png.png) {
      // A PNG cut short: its rows would never all decode.
      if (!PngTailComplete(tail.data(), tail.size()) || png.width <= 0 || png.height <= 0) {
        return HeaderVerdict::Refused;
      }
      return Accept(png.width, png.height, examined);
    }
    const bool wholeFile = head.size() < headBytes;
    const GifInfo gif = InspectGif(head.data(), head.size());
    if (gif.gif) {
      const HeaderVerdict verdict = ExamineGif(gif, examined);
      if (verdict != HeaderVerdict::Unsettled || wholeFile) return verdict;
      continue;  // its blocks may end further on
    }
    const BmpInfo bmp = InspectBmp(head.data(), head.size());
    if (bmp.bmp) return ExamineBmp(bmp, size, examined);
    // Not settled, and the whole file is read already: nothing more to learn.
    if (jpeg.verdict == JpegVerdict::NotJpeg || wholeFile) break;
  }
  return HeaderVerdict::Unsettled;
}

}  // namespace

bool ExamineWithGdiplus(const std::wstring& path, ExaminedImage& examined) {
  GdipImage image;
  const std::int32_t status = LoadImageFile(image, path);
  if (status == kStatusOutOfMemory) ThrowIfMemoryShort(path);
  if (status != kStatusOk) return false;
  PixelSize pixels;
  if (GetImageSize(image, pixels) != kStatusOk || pixels.width <= 0 || pixels.height <= 0) return false;
  examined.width = pixels.width;
  examined.height = pixels.height;
  return true;
}

bool ExamineImageSize(const std::wstring& path, bool upright, ExaminedImage& examined) {
  examined = ExaminedImage{};
  const std::int64_t size = platform::FileSize(path);
  if (size <= 0) return false;
  examined.fileSize = size;
  switch (ExamineHeaders(path, size, upright, examined)) {
    case HeaderVerdict::Accepted:
      return true;
    case HeaderVerdict::Refused:
      return false;
    case HeaderVerdict::Unsettled:
      break;
  }
  if (ExamineWithGdiplus(path, examined)) return true;
  PixelSize pixels;
  if (!ReadWicImageSize(path, upright, pixels)) return false;
  examined.width = pixels.width;
  examined.height = pixels.height;
  return true;
}

std::int32_t DrawImageToBitmap(const GdipImage& image, win::UniqueBitmap& bitmap) {
  PixelSize size;
  const std::int32_t sizeStatus = GetImageSize(image, size);
  if (sizeStatus != kStatusOk) return sizeStatus;
  win::UniqueBitmap drawn = CreateBitmap24(size.width, size.height);
  if (!drawn) return kStatusOutOfMemory;
  GdipImage canvas;
  auto status = DrawOnBlackCanvas(image, size, RECT{0, 0, size.width, size.height}, nullptr, canvas);
  // GDI+ may decode a file only when it is first drawn and then reports the
  // damage it finds with whatever status it likes: the file cannot be drawn.
  if (status == kStatusDecoderFault || status == kStatusOutOfMemory) return status;
  if (status != kStatusOk) return kStatusWin32Error;
  // The canvas's rows go into the bitmap's, which lie bottom row first.
  DIBSECTION section{};
  if (::GetObjectW(drawn.get(), sizeof section, &section) != sizeof section || !section.dsBm.bmBits) {
    return kStatusOk;  // no pixels to write to: accepted without a thumbnail
  }
  Gdiplus::BitmapData rows{};
  const Gdiplus::GpRect all(0, 0, size.width, size.height);
  auto* canvasBitmap = static_cast<Gdiplus::GpBitmap*>(canvas.get());
  status = static_cast<std::int32_t>(
      gdip::GdipBitmapLockBits(canvasBitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &rows));
  if (status != kStatusOk) return status;
  const auto rowBytes = static_cast<std::size_t>(size.width) * 3;
  auto* target = static_cast<unsigned char*>(section.dsBm.bmBits);
  for (std::int32_t y = 0; y < size.height; ++y) {
    std::memcpy(target + static_cast<std::size_t>(size.height - 1 - y) * section.dsBm.bmWidthBytes,
                static_cast<const unsigned char*>(rows.Scan0) + static_cast<std::ptrdiff_t>(y) * rows.Stride,
                rowBytes);
  }
  status = static_cast<std::int32_t>(gdip::GdipBitmapUnlockBits(canvasBitmap, &rows));
  if (status != kStatusOk) return status;
  bitmap = std::move(drawn);
  return kStatusOk;
}

win::UniqueBitmap OrientBitmap(HBITMAP bitmap, std::int32_t orientation) {
  DIBSECTION from{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof from, &from) != sizeof from || !from.dsBm.bmBits ||
      from.dsBm.bmBitsPixel != 24) {
    return {};
  }
  const std::int32_t width = from.dsBm.bmWidth;
  const std::int32_t height = from.dsBm.bmHeight;
  const bool across = StepsOf(orientation).quarters % 2 == 1;
  win::UniqueBitmap turned = across ? CreateBitmap24(height, width) : CreateBitmap24(width, height);
  DIBSECTION to{};
  if (!turned || ::GetObjectW(turned.get(), sizeof to, &to) != sizeof to || !to.dsBm.bmBits) return {};
  ::GdiFlush();
  // Both keep their rows bottom first: start from the top row, step backwards.
  const auto topRow = [](const DIBSECTION& section) {
    return static_cast<std::ptrdiff_t>(section.dsBm.bmHeight - 1) * section.dsBm.bmWidthBytes;
  };
  OrientPixels24(static_cast<const unsigned char*>(from.dsBm.bmBits) + topRow(from), width, height,
                 -static_cast<std::ptrdiff_t>(from.dsBm.bmWidthBytes), orientation,
                 static_cast<unsigned char*>(to.dsBm.bmBits) + topRow(to),
                 -static_cast<std::ptrdiff_t>(to.dsBm.bmWidthBytes));
  return turned;
}

bool ExamineImageFile(const std::wstring& path, std::int32_t box, ExaminedImage& examined) {
  examined = ExaminedImage{};
  try {
    return Examine(path, box, examined);
  } catch (const std::bad_alloc&) {
    examined = ExaminedImage{};
    return false;
  }
}
