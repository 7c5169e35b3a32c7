#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "imaging/decoder_guard_win.h"
#include "imaging/gdiplus_win.h"
#include "imaging/image_prep.h"
#include "imaging/image_probe.h"
#include "imaging/wic_decode_win.h"
#include "imaging/orientation.h"
#include "platform/file.h"

namespace {

// Draws image into rect of a new black canvas of canvasSize and replaces the
// image with the result. The old image is released as soon as it has been
// drawn, so that a decoded image and the new bitmap coexist only briefly.
std::int32_t Redraw(GdipImage& image, PixelSize canvasSize, RECT rect, const DrawQuality* quality,
                    bool fileDraw) {
  GdipImage canvas;
  auto status = DrawOnBlackCanvas(image, canvasSize, rect, quality, canvas);
  if (status == kStatusDecoderFault) {
    image.Abandon();
    return status;
  }
  // GDI+ may decode a file only when it is first drawn, and reports damage
  // found then with whatever status it likes: that is the user's file being
  // unusable, not a fault of ours. Memory running out is the exception: the
  // next file would fare no better, so the build has to stop.
  if (status != kStatusOk) return fileDraw && status != kStatusOutOfMemory ? kStatusWin32Error : status;
  status = image.Dispose();
  if (status != kStatusOk) return status;
  image = std::move(canvas);
  return kStatusOk;
}

std::int32_t EncodeWith(const GdipImage& image, const wchar_t* mime,
                        const SingleLongParameter& parameter, std::vector<unsigned char>& block) {
  CLSID encoder{};
  auto status = FindEncoder(mime, encoder);
  if (status != kStatusOk) return status;
  ComStream stream;
  if (!CreateMemoryStream(stream)) return kStatusWin32Error;
  // Saving an image straight from the file decodes it.
  IStream* target = stream.get();
  status = GuardDecoderCall(
      [&] { return gdip::GdipSaveImageToStream(image.get(), target, &encoder, parameter.list()); });
  if (status != kStatusOk) return status;
  return ReadWholeStream(stream.get(), block);
}

}  // namespace

namespace {

// A run-length BMP as our own decoder gives it, in a GDI+ bitmap.
std::int32_t LoadRunLengthBmp(GdipImage& image, const std::vector<unsigned char>& file) {
  DecodedBmp decoded;
  try {
    if (!DecodeRunLengthBmp(file.data(), file.size(), decoded)) return kStatusUnknownImageFormat;
  } catch (const std::bad_alloc&) {
    return kStatusOutOfMemory;  // as GDI+ says it: the build judges the need
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  auto status = static_cast<std::int32_t>(
      gdip::GdipCreateBitmapFromScan0(decoded.width, decoded.height, 0, PixelFormat24bppRGB, nullptr, &bitmap));
  if (status != kStatusOk) return status;
  GdipImage loaded(bitmap);
  Gdiplus::BitmapData data{};
  data.Width = static_cast<UINT>(decoded.width);
  data.Height = static_cast<UINT>(decoded.height);
  data.Stride = decoded.stride;
  data.PixelFormat = PixelFormat24bppRGB;
  data.Scan0 = decoded.pixels.data();
  const Gdiplus::GpRect all(0, 0, decoded.width, decoded.height);
  status = static_cast<std::int32_t>(gdip::GdipBitmapLockBits(
      bitmap, &all, Gdiplus::ImageLockModeWrite | Gdiplus::ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data));
  if (status != kStatusOk) return status;
  status = static_cast<std::int32_t>(gdip::GdipBitmapUnlockBits(bitmap, &data));
  if (status != kStatusOk) return status;
  image = std::move(loaded);
  return kStatusOk;
}

}  // namespace

std::int32_t LoadImageFile(GdipImage& image, const std::wstring& path) {
  // Shapes the platform's decoders are known to get wrong are settled from
  // the file's own bytes first. A file we cannot read is left to GDI+.
  std::vector<unsigned char> head;
  // Enough for the largest BMP header (124 bytes), whose masks come late.
  if (platform::ReadFileRange(path, 0, 256, head)) {
    const bool gif = InspectGif(head.data(), head.size()).gif;
    const BmpInfo bmp = InspectBmp(head.data(), head.size());
    const bool rle = IsRunLengthBmp(bmp);
    // GDI+ drops a BMP's alpha channel; WIC keeps it, and transparent pixels
    // then come out black as they do from a PNG.
    std::int64_t needBytes = 0;
    if (bmp.alphaMask != 0 && LoadImageWithWic(path, false, image, needBytes) == kStatusOk) return kStatusOk;
    std::vector<unsigned char> file;
    if ((gif || rle) && platform::ReadFileBytes(path, file)) {
      if (gif && InspectGif(file.data(), file.size()).imageWithoutColours) return kStatusUnknownImageFormat;
      if (rle) return LoadRunLengthBmp(image, file);
    }
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  const auto status = GuardDecoderCall([&] { return gdip::GdipCreateBitmapFromFile(path.c_str(), &bitmap); });
  if (status == kStatusDecoderFault) return status;  // whatever it made is lost with it
  if (status != kStatusOk) {
    if (bitmap) gdip::GdipDisposeImage(bitmap);
    return status;
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
  if (!CanvasPossible(size.width, size.height)) return kStatusWin32Error;
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

std::int32_t ReadOrientation(const GdipImage& image) {
  constexpr PROPID kOrientation = 0x0112;
  UINT bytes = 0;
  if (gdip::GdipGetPropertyItemSize(image.get(), kOrientation, &bytes) != Gdiplus::Ok) return 0;
  if (bytes < sizeof(Gdiplus::PropertyItem) || bytes > 4096) return 1;
  // PropertyItem points into the same block, just past itself: keep it aligned.
  std::vector<std::uint64_t> block((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(block.data());
  if (gdip::GdipGetPropertyItem(image.get(), kOrientation, bytes, item) != Gdiplus::Ok) return 1;
  if (item->type != 3 /* SHORT */ || item->length < 2 || !item->value) return 1;
  const auto* value = static_cast<const unsigned char*>(item->value);
  const auto* end = reinterpret_cast<const unsigned char*>(block.data()) + bytes;
  const auto* begin = reinterpret_cast<const unsigned char*>(block.data());
  // A value said to lie outside the block is not trusted.
  if (value < begin || end - value < 2) return 1;
  std::uint16_t v = 0;
  std::memcpy(&v, value, sizeof v);
  return v >= 1 && v <= 8 ? v : 1;
}

std::int32_t TurnUpright(GdipImage& image, std::int32_t orientation) {
  // Windows' GDI+ turns and then mirrors for the combined types, Wine's
  // mirrors first, which for a quarter turn is not the same picture: the
  // two mirrored quarter turns (5 and 7) are made of a plain turn and a
  // plain mirror, which mean the same everywhere.
  struct Steps {
    Gdiplus::RotateFlipType first;
    bool thenMirror;
  };
  static constexpr Steps kSteps[9] = {
      {Gdiplus::RotateNoneFlipNone, false}, {Gdiplus::RotateNoneFlipNone, false},
      {Gdiplus::RotateNoneFlipX, false},    {Gdiplus::Rotate180FlipNone, false},
      {Gdiplus::RotateNoneFlipY, false},    {Gdiplus::Rotate90FlipNone, true},
      {Gdiplus::Rotate90FlipNone, false},   {Gdiplus::Rotate270FlipNone, true},
      {Gdiplus::Rotate270FlipNone, false}};
  if (orientation < 2 || orientation > 8) return kStatusOk;
  const Steps& steps = kSteps[orientation];
  // Turning a file's image decodes it.
  Gdiplus::GpImage* turned = image.get();
  auto status = GuardDecoderCall([&] { return gdip::GdipImageRotateFlip(turned, steps.first); });
  if (status == kStatusOk && steps.thenMirror)
    status = GuardDecoderCall([&] { return gdip::GdipImageRotateFlip(turned, Gdiplus::RotateNoneFlipX); });
  if (status == kStatusDecoderFault) image.Abandon();
  return status;
}

// GDI+ on Windows reports a JPEG's orientation tag; Wine's does not report
// one at all, so a JPEG without it is asked again through our own header
// reader. An Exif segment is at most 64 KB and comes before the first scan.
std::int32_t FileOrientation(const GdipImage& image, const std::wstring& path, bool jpeg) {
  const std::int32_t tag = ReadOrientation(image);
  if (tag != 0 || !jpeg) return tag == 0 ? 1 : tag;
  std::vector<unsigned char> head;
  if (!platform::ReadFileRange(path, 0, 128 * 1024, head)) return 1;
  return InspectJpeg(head.data(), head.size(), false).orientation;
}

namespace {

// The file's pixels cannot be drawn, or the decoder faulted on them.
bool Unusable(std::int32_t status) { return status == kStatusWin32Error || status == kStatusDecoderFault; }

PreparedImage Finish(PrepOutcome outcome, std::int32_t status) {
  PreparedImage result;
  result.outcome = outcome;
  result.status = status;
  return result;
}

// The file's own bytes, when they can go into the PDF as they are: a sound
// 8-bit three-component JPEG on the store-as-is path, or in PNG mode a PNG
// that needs neither scaling nor any change of its pixels. Decided from the
// headers alone; nothing is decoded. False leaves the work to GDI+.
bool TakeFileAsItIs(const std::vector<unsigned char>& bytes, const Settings& settings, std::int32_t turn,
                    PreparedImage& result) {
  if (settings.JpgNoRecompression == 1) {
    const JpegInfo jpeg = InspectJpeg(bytes.data(), bytes.size(), true);
    if (jpeg.verdict == JpegVerdict::Storable) {
      result.kind = kImageKindJpeg;
      result.colour = StoredJpegColour(jpeg);
      result.width = jpeg.width;
      result.height = jpeg.height;
      result.orientation = TurnedOrientation(settings.AutoRotate == 1 ? jpeg.orientation : 1, turn);
      return true;
    }
    // 12-bit, arithmetic-coded and damaged JPEG files are redrawn like any
    // other image below: GDI+ refuses what it cannot decode, and what it can
    // decode becomes a clean JPEG or PNG instead of a stream readers may refuse.
    if (jpeg.verdict != JpegVerdict::NotJpeg) return false;
  }
  if (settings.JpgCompression == 0) {
    const PngInfo png = InspectPng(bytes.data(), bytes.size(), true);
    const std::int32_t colour = PngPassThroughColour(png);
    if (colour == 0 || ScaledSize(PixelSize{png.width, png.height}, settings)) return false;
    result.kind = kImageKindPng;
    result.colour = colour;
    result.width = png.width;
    result.height = png.height;
    result.orientation = TurnedOrientation(1, turn);
    return true;
  }
  return false;
}

PreparedImage PrepareLoaded(GdipImage& image, const std::wstring& path, const Settings& settings,
                            bool storeJpeg, bool oneOfPages, std::int32_t turn) {
  const bool jpeg = IsJpegImage(image);
  PixelSize size;
  auto status = GetImageSize(image, size);
  if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);

  // The one place a decoded picture learns how it is to lie: its file's
  // orientation and the row's turn, applied below in one go.
  const std::int32_t orientation =
      TurnedOrientation(settings.AutoRotate == 1 ? FileOrientation(image, path, jpeg) : 1, turn);
  PreparedImage result;
  if (storeJpeg && jpeg) {
    // Only reached when the file could not be read by us: GDI+ read it, so
    // it is a JPEG that cannot be stored.
    std::int32_t format = 0;
    status = GetImagePixelFormat(image, format);
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    if (format != kPixelFormat24bppRgb) return Finish(PrepOutcome::SkippedUnsupported, kStatusOk);
    status = image.Dispose();
    if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    if (!ReadWholeFile(path, result.data)) return Finish(PrepOutcome::SkippedNotStorable, kStatusOk);
    result.kind = kImageKindJpeg;
    result.orientation = orientation;
  } else {
    // A 24-bit RGB image drawn on a 24-bit canvas of its own size comes out
    // with the same pixels: the draw is skipped and the image goes to the
    // encoder (or the scaler) as it is.
    std::int32_t format = 0;
    // A page of a multi-page file is always drawn: an encoder handed the
    // file's image may save another page than the one selected.
    bool flat = !oneOfPages && GetImagePixelFormat(image, format) == kStatusOk && format == kPixelFormat24bppRgb;
    bool flattened = false;
    const auto flatten = [&] {
      flattened = true;
      return FlattenTo24Bit(image);
    };
    // Turned first, so that the scaling's width limit and the page see the
    // picture as the user does.
    if (orientation != 1) {
      status = TurnUpright(image, orientation);
      if (status == kStatusDecoderFault) return Finish(PrepOutcome::SkippedUnsupported, status);
      if (status != kStatusOk && status != kStatusOutOfMemory) {
        // Formats GDI+ cannot turn, and files it first decodes here and
        // finds damaged: redrawn on a canvas, which it can always turn.
        status = flatten();
        if (Unusable(status)) return Finish(PrepOutcome::SkippedUnsupported, status);
        if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
        status = TurnUpright(image, orientation);
      }
      if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
      size = UprightSize(size.width, size.height, orientation);
      // The turned image is in memory: from here on it draws like a canvas.
      flat = flat || flattened;
    }
    if (!flat) {
      status = flatten();
      if (Unusable(status)) return Finish(PrepOutcome::SkippedUnsupported, status);
      if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
    }
    const auto scaled = ScaledSize(size, settings);
    if (scaled) {
      status = ScaleImage(image, scaled->width, scaled->height, Gdiplus::InterpolationModeHighQualityBicubic,
                          Gdiplus::SmoothingModeHighQuality);
      // Unflattened, this is the first time the file's pixels are drawn.
      if (status == kStatusDecoderFault) return Finish(PrepOutcome::SkippedUnsupported, status);
      if (status != kStatusOk && flat && status != kStatusOutOfMemory)
        return Finish(PrepOutcome::SkippedUnsupported, kStatusWin32Error);
      if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
      size = *scaled;
    }
    const auto encode = [&] {
      if (settings.JpgCompression == 1) {
        result.kind = kImageKindJpeg;
        return EncodeJpeg(image, result.data, JpegQualityForLevel(settings.JpgQuality));
      }
      result.kind = kImageKindPng;
      return EncodePng(image, result.data);
    };
    status = encode();
    if (status == kStatusDecoderFault) {
      image.Abandon();
      return Finish(PrepOutcome::SkippedUnsupported, status);
    }
    if (status != kStatusOk && status != kStatusOutOfMemory && flat && !scaled) {
      // Encoding straight from the file's image failed: go the long way
      // round, so that a file GDI+ can only draw is treated as before.
      status = FlattenTo24Bit(image);
      if (Unusable(status)) return Finish(PrepOutcome::SkippedUnsupported, status);
      if (status != kStatusOk) return Finish(PrepOutcome::GdiplusError, status);
      status = encode();
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

constexpr GUID kImageFormatTiff = {0xB96B3CB1, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kFrameDimensionPage = {0x7462DC86, 0x6180, 0x4C7E, {0x8E, 0x3F, 0xEE, 0x73, 0x33, 0xA7, 0xA4, 0x83}};

bool IsTiffImage(const GdipImage& image) {
  GUID format{};
  return GetImageRawFormat(image, format) == kStatusOk && IsEqualGUID(format, kImageFormatTiff);
}

// The pages the decoder says a TIFF file has when every page is wanted; 1
// for anything else (the frames of an animated GIF or an icon are not pages).
std::int32_t DecoderPages(GdipImage& image, const Settings& settings) {
  if (settings.TiffAllPages != 1 || !IsTiffImage(image)) return 1;
  UINT count = 0;
  if (gdip::GdipImageGetFrameCount(image.get(), &kFrameDimensionPage, &count) != Gdiplus::Ok || count < 1) return 1;
  return static_cast<std::int32_t>(std::min<UINT>(count, 0x7FFFFFFF));
}

}  // namespace

PreparedImage PrepareImage(const std::wstring& path, const Settings& settings, std::int32_t page,
                           std::int32_t turn) {
  try {
    bool storeJpeg = settings.JpgNoRecompression == 1 && page == 0;
    if (page == 0 && (settings.JpgNoRecompression == 1 || settings.JpgCompression == 0)) {
      PreparedImage result;
      if (ReadWholeFile(path, result.data)) {
        if (TakeFileAsItIs(result.data, settings, turn, result)) {
          result.outcome = PrepOutcome::Ok;
          return result;
        }
        // Read and judged: whatever GDI+ makes of it is redrawn.
        storeJpeg = false;
      }
    }
    GdipImage image;
    auto status = LoadImageFile(image, path);
    std::int64_t wicNeedBytes = 0;
    const bool byWic = page == 0 && status != kStatusOk && status != kStatusOutOfMemory && status != kStatusDecoderFault &&
                       LoadImageWithWic(path, settings.AutoRotate == 1, image, wicNeedBytes) == kStatusOk;
    if (byWic) {
      // Its first frame only, turned upright already, in memory: redrawn like any image GDI+ made.
      return PrepareLoaded(image, path, settings, false, false, turn);
    }
    if (wicNeedBytes > 0) {
      PreparedImage shortOfMemory = Finish(PrepOutcome::GdiplusError, kStatusOutOfMemory);
      shortOfMemory.loadNeedBytes = wicNeedBytes;
      return shortOfMemory;
    }
    // Whatever else GDI+ says about a file it cannot open (Wine reports 1
    // for damaged and non-image files), the file is the problem: skip it and
    // go on with the build. Out of memory stops the build instead.
    if (status == kStatusOutOfMemory) {
      PreparedImage shortOfMemory = Finish(PrepOutcome::GdiplusError, status);
      std::vector<unsigned char> head;
      platform::ReadFileRange(path, 0, 64 * 1024, head);
      shortOfMemory.loadNeedBytes = PreparationBytesEstimate(head.data(), head.size(), platform::FileSize(path));
      return shortOfMemory;
    }
    if (status != kStatusOk) return Finish(PrepOutcome::SkippedUnsupported, status);
    std::int32_t pages = DecoderPages(image, settings);
    TiffChainEnd pagesEnd = TiffChainEnd::Complete;
    if (page == 0 && IsTiffImage(image)) {
      // Decoders count a TIFF file's pages their own way (Wine's says 65,535
      // for a chain that loops, and then shows the same pages again and
      // again): the file's own chain of directories has the last word. The
      // later pages' calls keep to the count the first one gave.
      const TiffPages chain = WalkTiffFile(path, settings.TiffAllPages == 1 ? kTiffPageLimit : 1);
      if (chain.end != TiffChainEnd::NotTiff && chain.count == 0) {
        return Finish(PrepOutcome::SkippedUnsupported, kStatusWin32Error);
      }
      if (chain.end != TiffChainEnd::NotTiff && settings.TiffAllPages == 1 && chain.count <= pages) {
        pages = chain.count;
        pagesEnd = chain.end;
      }
    }
    if (page > 0) {
      // A page the file does not have, or cannot show, is that page's loss.
      if (page >= pages) return Finish(PrepOutcome::SkippedUnsupported, kStatusWin32Error);
      // Choosing a page decodes it: the decoder may fault there as on opening.
      const auto selected = GuardDecoderCall([&] {
        return gdip::GdipImageSelectActiveFrame(image.get(), &kFrameDimensionPage, static_cast<UINT>(page));
      });
      if (selected == kStatusDecoderFault) image.Abandon();
      if (selected != kStatusOk) return Finish(PrepOutcome::SkippedUnsupported, kStatusWin32Error);
    }
    PreparedImage result = PrepareLoaded(image, path, settings, storeJpeg, pages > 1, turn);
    if (result.outcome == PrepOutcome::Ok) {
      result.pageCount = pages;
      result.pagesEnd = pagesEnd;
    }
    return result;
  } catch (const std::bad_alloc&) {
    return Finish(PrepOutcome::GdiplusError, kStatusOutOfMemory);
  } catch (const std::exception&) {
    // Nothing else is thrown on purpose; whatever a file brings about costs
    // that file, never the build and the other files.
    return Finish(PrepOutcome::SkippedUnsupported, kStatusWin32Error);
  }
}
