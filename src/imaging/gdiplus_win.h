#pragma once
// The program's layer over the GDI+ flat interface: a guard for every object
// GDI+, GDI and COM hand out, and status-returning calls for what the image
// preparation and the file intake need. Statuses are GDI+'s own numbers.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_prep.h"

namespace gdip = Gdiplus::DllExports;

// GUIDs the program compares and passes. Defined here rather than taken from
// the import library so that they are plainly the documented values.
inline constexpr GUID kImageFormatJpeg = {
    0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
inline constexpr GUID kEncoderQuality = {
    0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
inline constexpr GUID kEncoderColorDepth = {
    0x66087055, 0xAD66, 0x4C7C, {0x9A, 0x18, 0x38, 0xA2, 0x31, 0x0B, 0x83, 0x37}};
inline constexpr std::int32_t kPixelFormat24bppRgb = 0x21808;

// GDI+ for the life of the object (version 1). Everything else in this layer
// needs a started session.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  bool Started() const { return status_ == kStatusOk; }
  std::int32_t status() const { return status_; }
  // Ends GDI+ early (the fatal-error path ends the process without unwinding);
  // later calls and the destructor then do nothing.
  void Shutdown();

 private:
  ULONG_PTR token_ = 0;
  std::int32_t status_ = kStatusGenericError;
};

// Owns one GDI+ image.
class GdipImage {
 public:
  GdipImage() = default;
  explicit GdipImage(Gdiplus::GpImage* image) : image_(image) {}
  ~GdipImage() { Dispose(); }
  GdipImage(GdipImage&& other) noexcept : image_(other.image_) { other.image_ = nullptr; }
  GdipImage& operator=(GdipImage&& other) noexcept;
  GdipImage(const GdipImage&) = delete;
  GdipImage& operator=(const GdipImage&) = delete;

  Gdiplus::GpImage* get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  // Releases the image (if any) and returns GDI+'s status for the release.
  std::int32_t Dispose();
  // Takes ownership of a new image, releasing the current one.
  void Reset(Gdiplus::GpImage* image);
  // Lets go of an image a decoder faulted on, without releasing it: GDI+
  // could fault again on it. Its memory is lost.
  void Abandon() { image_ = nullptr; }

 private:
  Gdiplus::GpImage* image_ = nullptr;
};

// Owns one GDI+ graphics object.
class GdipGraphics {
 public:
  GdipGraphics() = default;
  ~GdipGraphics() { Delete(); }
  GdipGraphics(const GdipGraphics&) = delete;
  GdipGraphics& operator=(const GdipGraphics&) = delete;

  Gdiplus::GpGraphics* get() const { return graphics_; }
  Gdiplus::GpGraphics** Receive();
  std::int32_t Delete();
  // As GdipImage::Abandon, for a graphics object that was drawing a faulting image.
  void Abandon() { graphics_ = nullptr; }

 private:
  Gdiplus::GpGraphics* graphics_ = nullptr;
};

// Whether a 24-bit canvas of this size can exist at all: both sides
// positive and its pixels within the 2 GB GDI and GDI+ count in.
bool CanvasPossible(std::int32_t width, std::int32_t height);

// A memory device context with one bitmap selected into it.
class CanvasDc {
 public:
  explicit CanvasDc(HBITMAP bitmap);
  ~CanvasDc() { Close(); }
  CanvasDc(const CanvasDc&) = delete;
  CanvasDc& operator=(const CanvasDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  // Deselects the bitmap and deletes the context; the bitmap is free for
  // other use afterwards.
  void Close();

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Owns one COM stream.
class ComStream {
 public:
  ComStream() = default;
  ~ComStream() { Release(); }
  ComStream(const ComStream&) = delete;
  ComStream& operator=(const ComStream&) = delete;

  IStream* get() const { return stream_; }
  IStream** Receive();
  void Release();

 private:
  IStream* stream_ = nullptr;
};

// One encoder parameter holding one Long value, laid out as the GDI+ save
// calls expect. The list points into the object, so it neither copies nor moves.
class SingleLongParameter {
 public:
  SingleLongParameter(const GUID& guid, ULONG value);
  SingleLongParameter(const SingleLongParameter&) = delete;
  SingleLongParameter& operator=(const SingleLongParameter&) = delete;

  const Gdiplus::EncoderParameters* list() const { return &list_; }

 private:
  ULONG value_;
  Gdiplus::EncoderParameters list_;
};

// Draws image into rect of a new GDI+ 24-bit canvas of canvasSize, cleared
// to black first, through a GDI+ graphics object (drawing through a device
// context ignores the alpha of palette images under Wine). quality, when
// given, sets interpolation and smoothing. The draw runs guarded: a decoder
// fault returns kStatusDecoderFault, and image must then be abandoned.
struct DrawQuality {
  Gdiplus::InterpolationMode interpolation;
  Gdiplus::SmoothingMode smoothing;
};
std::int32_t DrawOnBlackCanvas(const GdipImage& image, PixelSize canvasSize, RECT rect, const DrawQuality* quality,
                               GdipImage& canvas);

std::int32_t GetImageSize(const GdipImage& image, PixelSize& size);
std::int32_t GetImageRawFormat(const GdipImage& image, GUID& format);
std::int32_t GetImagePixelFormat(const GdipImage& image, std::int32_t& format);
// An in-memory stream on a global block the stream frees itself; false on failure.
bool CreateMemoryStream(ComStream& stream);
// Copies the whole stream into block (replaced only on success): 7 when the
// stream cannot be sought or read, 3 when memory runs short.
std::int32_t ReadWholeStream(IStream* stream, std::vector<unsigned char>& block);

// The steps of the image preparation. Each returns a GDI+ status, or the same
// codes for its own failures (1 no device context or no encoder, 3 no memory
// for a canvas or block, 7 a stream that fails or an image whose pixels
// cannot be drawn).

std::int32_t LoadImageFile(GdipImage& image, const std::wstring& path);
// True when GDI+ reports the image's raw format as JPEG; any failure to tell
// counts as not JPEG.
bool IsJpegImage(const GdipImage& image);
// The image's EXIF orientation (1..8) as GDI+ reports it; 0 when GDI+ has
// no such tag for it, 1 when the tag is not one SHORT value from 1 to 8.
std::int32_t ReadOrientation(const GdipImage& image);
// The EXIF orientation of a file's image (1..8, 1 when it has none):
// GDI+'s word, or for a JPEG our own header reader's where GDI+ has none.
std::int32_t FileOrientation(const GdipImage& image, const std::wstring& path, bool jpeg);
// Turns and mirrors the image in place so that an image of that EXIF
// orientation stands upright; 1 and values outside 2..8 leave it alone.
std::int32_t TurnUpright(GdipImage& image, std::int32_t orientation);
// Redraws the image at its own size on a black 24-bit canvas and replaces it
// with the result. A size no canvas can have, and any failure to draw the
// file's pixels, are reported as 7: the file cannot be used.
std::int32_t FlattenTo24Bit(GdipImage& image);
// Redraws the image at width x height on a black 24-bit canvas and replaces
// it with the result. It is drawn from (-1, -1) one pixel larger, so that it
// ends exactly at the right and bottom edges.
std::int32_t ScaleImage(GdipImage& image, std::int32_t width, std::int32_t height,
                        Gdiplus::InterpolationMode interpolation, Gdiplus::SmoothingMode smoothing);
// The CLSID of the first installed encoder whose MIME type is exactly mime.
std::int32_t FindEncoder(const std::wstring& mime, CLSID& clsid);
// The parameter lists the encoders receive.
SingleLongParameter JpegQualityParameter(std::int32_t quality);
SingleLongParameter PngColorDepthParameter();
// Encode the image (which stays with the caller) into block, a complete file;
// block is replaced only on success.
std::int32_t EncodeJpeg(const GdipImage& image, std::vector<unsigned char>& block, std::int32_t quality);
std::int32_t EncodePng(const GdipImage& image, std::vector<unsigned char>& block);
