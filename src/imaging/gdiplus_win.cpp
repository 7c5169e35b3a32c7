#include "imaging/gdiplus_win.h"

#include <limits>
#include <new>

#include "imaging/decoder_guard_win.h"

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  status_ = static_cast<std::int32_t>(Gdiplus::GdiplusStartup(&token_, &input, nullptr));
}

GdiplusSession::~GdiplusSession() { Shutdown(); }

void GdiplusSession::Shutdown() {
  if (!Started()) return;
  Gdiplus::GdiplusShutdown(token_);
  status_ = kStatusGenericError;
}

GdipImage& GdipImage::operator=(GdipImage&& other) noexcept {
  if (this != &other) Reset(std::exchange(other.image_, nullptr));
  return *this;
}

std::int32_t GdipImage::Dispose() {
  if (!image_) return kStatusOk;
  return static_cast<std::int32_t>(gdip::GdipDisposeImage(std::exchange(image_, nullptr)));
}

void GdipImage::Reset(Gdiplus::GpImage* image) {
  Dispose();
  image_ = image;
}

Gdiplus::GpGraphics** GdipGraphics::Receive() {
  Delete();
  return &graphics_;
}

std::int32_t GdipGraphics::Delete() {
  if (!graphics_) return kStatusOk;
  return static_cast<std::int32_t>(gdip::GdipDeleteGraphics(std::exchange(graphics_, nullptr)));
}

namespace {

// Rows are padded to four bytes.
std::uint64_t CanvasBytes(std::int32_t width, std::int32_t height) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
  return stride * static_cast<std::uint64_t>(height);
}

}  // namespace

bool CanvasPossible(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return false;
  const std::uint64_t bytes = CanvasBytes(width, height);
  return bytes <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) &&
         bytes <= std::numeric_limits<std::size_t>::max();
}

CanvasDc::CanvasDc(HBITMAP bitmap) {
  dc_ = ::CreateCompatibleDC(nullptr);
  if (!dc_) return;
  previous_ = ::SelectObject(dc_, bitmap);
  if (!previous_ || previous_ == HGDI_ERROR) {
    previous_ = nullptr;
    ::DeleteDC(std::exchange(dc_, nullptr));
  }
}

void CanvasDc::Close() {
  if (!dc_) return;
  ::SelectObject(dc_, previous_);
  ::DeleteDC(std::exchange(dc_, nullptr));
}

IStream** ComStream::Receive() {
  Release();
  return &stream_;
}

void ComStream::Release() {
  if (stream_) std::exchange(stream_, nullptr)->Release();
}

SingleLongParameter::SingleLongParameter(const GUID& guid, ULONG value) : value_(value), list_{} {
  list_.Count = 1;
  list_.Parameter[0].Guid = guid;
  list_.Parameter[0].NumberOfValues = 1;
  list_.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  list_.Parameter[0].Value = &value_;
}

std::int32_t GetImageSize(const GdipImage& image, PixelSize& size) {
  UINT width = 0;
  UINT height = 0;
  auto status = gdip::GdipGetImageWidth(image.get(), &width);
  if (status == Gdiplus::Ok) status = gdip::GdipGetImageHeight(image.get(), &height);
  if (status != Gdiplus::Ok) return static_cast<std::int32_t>(status);
  constexpr UINT kMax = static_cast<UINT>(std::numeric_limits<std::int32_t>::max());
  if (width > kMax || height > kMax) return kStatusInvalidParameter;
  size = {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  return kStatusOk;
}

std::int32_t GetImageRawFormat(const GdipImage& image, GUID& format) {
  return static_cast<std::int32_t>(gdip::GdipGetImageRawFormat(image.get(), &format));
}

std::int32_t GetImagePixelFormat(const GdipImage& image, std::int32_t& format) {
  Gdiplus::PixelFormat value = 0;
  const auto status = gdip::GdipGetImagePixelFormat(image.get(), &value);
  if (status == Gdiplus::Ok) format = static_cast<std::int32_t>(value);
  return static_cast<std::int32_t>(status);
}

bool CreateMemoryStream(ComStream& stream) {
  return SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive())) && stream.get();
}

std::int32_t ReadWholeStream(IStream* stream, std::vector<unsigned char>& block) {
  ULARGE_INTEGER end{};
  LARGE_INTEGER zero{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_END, &end))) return kStatusWin32Error;
  if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) return kStatusWin32Error;
  if (end.QuadPart > std::numeric_limits<std::size_t>::max() / 2) return kStatusOutOfMemory;
  std::vector<unsigned char> data;
  try {
    data.resize(static_cast<std::size_t>(end.QuadPart));
  } catch (const std::bad_alloc&) {
    return kStatusOutOfMemory;
  }
  std::size_t got = 0;
  while (got < data.size()) {
    const std::size_t left = data.size() - got;
    const ULONG chunk = left > 0x40000000u ? 0x40000000u : static_cast<ULONG>(left);
    ULONG n = 0;
    if (FAILED(stream->Read(data.data() + got, chunk, &n)) || n == 0) return kStatusWin32Error;
    got += n;
  }
  block.swap(data);
  return kStatusOk;
}

std::int32_t DrawOnBlackCanvas(const GdipImage& image, PixelSize canvasSize, RECT rect, const DrawQuality* quality,
                               GdipImage& canvas) {
  if (!CanvasPossible(canvasSize.width, canvasSize.height)) return kStatusOutOfMemory;
  Gdiplus::GpBitmap* bitmap = nullptr;
  // A canvas that cannot be had is memory running short, whatever GDI+ says.
  if (gdip::GdipCreateBitmapFromScan0(canvasSize.width, canvasSize.height, 0, PixelFormat24bppRGB, nullptr,
                                      &bitmap) != Gdiplus::Ok) {
    return kStatusOutOfMemory;
  }
  GdipImage drawn(bitmap);
  std::int32_t status = kStatusOk;
  GdipGraphics graphics;
  status = static_cast<std::int32_t>(gdip::GdipGetImageGraphicsContext(drawn.get(), graphics.Receive()));
  if (status != kStatusOk) return status;
  // Transparent parts of the drawn image show this black.
  status = static_cast<std::int32_t>(gdip::GdipGraphicsClear(graphics.get(), 0xFF000000));
  if (status != kStatusOk) return status;
  if (quality) {
    status = static_cast<std::int32_t>(gdip::GdipSetInterpolationMode(graphics.get(), quality->interpolation));
    if (status != kStatusOk) return status;
    status = static_cast<std::int32_t>(gdip::GdipSetSmoothingMode(graphics.get(), quality->smoothing));
    if (status != kStatusOk) return status;
  }
  Gdiplus::GpGraphics* target = graphics.get();
  status = GuardDecoderCall([&] {
    return gdip::GdipDrawImageRectI(target, image.get(), rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top);
  });
  if (status == kStatusDecoderFault) {
    graphics.Abandon();
    return status;
  }
  if (status != kStatusOk) return status;
  status = graphics.Delete();
  if (status != kStatusOk) return status;
  canvas = std::move(drawn);
  return kStatusOk;
}
