#include <new>

#include "imaging/gdiplus_win.h"
#include "imaging/image_prep.h"

namespace {

struct DrawQuality {
  Gdiplus::InterpolationMode interpolation;
  Gdiplus::SmoothingMode smoothing;
};

// Draws image into rect of a new black canvas of canvasSize and replaces the
// image with the result. The old image is released as soon as it has been
// drawn, so that a decoded image and the new bitmap never coexist.
std::int32_t Redraw(GdipImage& image, PixelSize canvasSize, RECT rect, const DrawQuality* quality,
                    bool fileDraw) {
  DibCanvas canvas;
  if (!canvas.Create(canvasSize.width, canvasSize.height)) return kStatusOutOfMemory;
  CanvasDc dc(canvas.handle());
  if (!dc) return kStatusGenericError;
  GdipGraphics graphics;
  auto status = static_cast<std::int32_t>(gdip::GdipCreateFromHDC(dc.get(), graphics.Receive()));
  if (status != kStatusOk) return status;
  if (quality) {
    status = static_cast<std::int32_t>(
        gdip::GdipSetInterpolationMode(graphics.get(), quality->interpolation));
    if (status != kStatusOk) return status;
    status = static_cast<std::int32_t>(gdip::GdipSetSmoothingMode(graphics.get(), quality->smoothing));
    if (status != kStatusOk) return status;
  }
  status = static_cast<std::int32_t>(gdip::GdipDrawImageRectI(
      graphics.get(), image.get(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
  // GDI+ may decode a file only when it is first drawn, and reports damage
  // found then with whatever status it likes (out of memory among them).
  // That is the user's file being unusable, not a fault of ours.
  if (status != kStatusOk) return fileDraw ? kStatusWin32Error : status;
  status = graphics.Delete();
  if (status != kStatusOk) return status;
  dc.Close();
  status = image.Dispose();
  if (status != kStatusOk) return status;
  Gdiplus::GpBitmap* bitmap = nullptr;
  status = static_cast<std::int32_t>(gdip::GdipCreateBitmapFromHBITMAP(canvas.handle(), nullptr, &bitmap));
  if (status != kStatusOk) return status;
  image.Reset(bitmap);
  return kStatusOk;
}

std::int32_t EncodeWith(const GdipImage& image, const wchar_t* mime,
                        const SingleLongParameter& parameter, std::vector<unsigned char>& block) {
  CLSID encoder{};
  auto status = FindEncoder(mime, encoder);
  if (status != kStatusOk) return status;
  ComStream stream;
  if (!CreateMemoryStream(stream)) return kStatusWin32Error;
  status = static_cast<std::int32_t>(
      gdip::GdipSaveImageToStream(image.get(), stream.get(), &encoder, parameter.list()));
  if (status != kStatusOk) return status;
  return ReadWholeStream(stream.get(), block);
}

}  // namespace

std::int32_t LoadImageFile(GdipImage& image, const std::wstring& path) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  const auto status = gdip::GdipCreateBitmapFromFile(path.c_str(), &bitmap);
  if (status != Gdiplus::Ok) {
    if (bitmap) gdip::GdipDisposeImage(bitmap);
    return static_cast<std::int32_t>(status);
  }
  image.Reset(bitmap);
  return kStatusOk;
}

bool IsJpegImage(const GdipImage& image) {
  GUID format{};
  return GetImageRawFormat(image, format) == kStatusOk && IsEqualGUID(format, kImageFormatJpeg);
}

std::int32_t FlattenTo24Bit(GdipImage& image) {
  PixelSize size;
  const auto status = GetImageSize(image, size);
  if (status != kStatusOk) return status;
  // A file whose header claims more pixels than any canvas can hold is a
  // damaged or hostile file, not a shortage of memory.
  if (!DibCanvas::Possible(size.width, size.height)) return kStatusWin32Error;
  return Redraw(image, size, RECT{0, 0, size.width, size.height}, nullptr, true);
}

std::int32_t ScaleImage(GdipImage& image, std::int32_t width, std::int32_t height,
                        Gdiplus::InterpolationMode interpolation, Gdiplus::SmoothingMode smoothing) {
  // GDI+'s bicubic filter leaves a faint seam along the left and top edges of
  // a scaled image; drawing one pixel larger from (-1, -1) pushes it off the canvas.
  const DrawQuality quality{interpolation, smoothing};
  return Redraw(image, PixelSize{width, height}, RECT{-1, -1, width, height}, &quality, false);
}

std::int32_t FindEncoder(const std::wstring& mime, CLSID& clsid) {
  UINT count = 0;
  UINT bytes = 0;
  auto status = static_cast<std::int32_t>(gdip::GdipGetImageEncodersSize(&count, &bytes));
  if (status != kStatusOk) return status;
  if (bytes == 0 || count == 0) return kStatusGenericError;
  // The records are followed by the strings they point to, all in one block.
  std::vector<Gdiplus::ImageCodecInfo> codecs;
  try {
    codecs.resize(bytes / sizeof(Gdiplus::ImageCodecInfo) + 1);
  } catch (const std::bad_alloc&) {
    return kStatusOutOfMemory;
  }
  if (static_cast<std::uint64_t>(count) * sizeof(Gdiplus::ImageCodecInfo) > bytes)
    return kStatusGenericError;
  status = static_cast<std::int32_t>(gdip::GdipGetImageEncoders(count, bytes, codecs.data()));
  if (status != kStatusOk) return status;
  for (UINT i = 0; i < count; ++i) {
    const wchar_t* type = codecs[i].MimeType;
    if (type && mime == type) {
      clsid = codecs[i].Clsid;
      return kStatusOk;
    }
  }
  return kStatusGenericError;
}

SingleLongParameter JpegQualityParameter(std::int32_t quality) {
  return SingleLongParameter(kEncoderQuality, static_cast<ULONG>(quality));
}

SingleLongParameter PngColorDepthParameter() { return SingleLongParameter(kEncoderColorDepth, 24); }

std::int32_t EncodeJpeg(const GdipImage& image, std::vector<unsigned char>& block, std::int32_t quality) {
  return EncodeWith(image, L"image/jpeg", JpegQualityParameter(quality), block);
}

std::int32_t EncodePng(const GdipImage& image, std::vector<unsigned char>& block) {
  return EncodeWith(image, L"image/png", PngColorDepthParameter(), block);
}

namespace {

PreparedImage Finish(PrepOutcome outcome, std::int32_t status) {
  PreparedImage result;
  result.outcome = outcome;
  result.status = status;
  return result;
}

PreparedImage PrepareLoaded(GdipImage& image, const std::wstring& path, const Settings& settings) {
  const bool jpeg = IsJpegImage(image);
  PixelSize size;
  auto status = GetImageSize(image, size);
  if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);

  PreparedImage result;
  if (settings.JpgNoRecompression == 1 && jpeg) {
    // The file's own bytes go into the PDF, which takes only 8-bit
    // three-component JPEG: gray and CMYK files cannot be stored this way.
    std::int32_t format = 0;
    status = GetImagePixelFormat(image, format);
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    if (format != kPixelFormat24bppRgb) return Finish(PrepOutcome::SkippedUnsupported, kStatusOk);
    // Nothing more is needed from the decoded image: let it go before the
    // file's bytes are read.
    status = image.Dispose();
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    if (!ReadWholeFile(path, result.data)) return Finish(PrepOutcome::SkippedNotStorable, kStatusOk);
    result.kind = kImageKindJpeg;
  } else {
    status = FlattenTo24Bit(image);
    if (status == kStatusWin32Error) return Finish(PrepOutcome::SkippedUnsupported, status);
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    if (const auto scaled = ScaledSize(size, settings)) {
      status = ScaleImage(image, scaled->width, scaled->height, Gdiplus::InterpolationModeHighQualityBicubic,
                          Gdiplus::SmoothingModeHighQuality);
      if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
      size = *scaled;
    }
    if (settings.JpgCompression == 1) {
      result.kind = kImageKindJpeg;
      status = EncodeJpeg(image, result.data, JpegQualityForLevel(settings.JpgQuality));
    } else {
      result.kind = kImageKindPng;
      status = EncodePng(image, result.data);
    }
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    status = image.Dispose();
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
  }
  result.outcome = PrepOutcome::Ok;
  result.width = size.width;
  result.height = size.height;
  return result;
}

}  // namespace

PreparedImage PrepareImage(const std::wstring& path, const Settings& settings) {
  try {
    GdipImage image;
    const auto status = LoadImageFile(image, path);
    // Whatever GDI+ says about a file it cannot open (Wine reports 1 for
    // damaged and non-image files, Windows sometimes 3), the file is the
    // problem: skip it and go on with the build.
    if (status != kStatusOk) return Finish(PrepOutcome::SkippedUnsupported, status);
    return PrepareLoaded(image, path, settings);
  } catch (const std::bad_alloc&) {
    return Finish(PrepOutcome::GdiplusError, kStatusOutOfMemory);
  }
}
