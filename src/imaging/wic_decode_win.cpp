#include "imaging/wic_decode_win.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "imaging/decoder_guard_win.h"
#include "imaging/image_extensions.h"
#include "imaging/image_probe.h"
#include "platform/file.h"
#include "ui/win_handles.h"

namespace {

using win::ComRef;

// Not a WIC result: the decoder faulted inside the call.
constexpr HRESULT kFaulted = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x4000);

template <typename Call>
HRESULT Guarded(Call&& call) {
  HRESULT result = E_FAIL;
  const std::int32_t status = GuardDecoderCall([&] {
    result = call();
    return kStatusOk;
  });
  return status == kStatusDecoderFault ? kFaulted : result;
}

// The objects of one look at one file, released together, or all abandoned
// together once any of them faulted (they point into each other).
struct WicFile {
  win::ComApartment com;  // first in, last out
  ComRef<IWICImagingFactory> factory;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICMetadataQueryReader> metadata;
  ComRef<IWICFormatConverter> converter;

  void Abandon() {
    converter.Abandon();
    metadata.Abandon();
    frame.Abandon();
    decoder.Abandon();
    factory.Abandon();
  }
  // The call's result; a fault abandons every object.
  template <typename Call>
  HRESULT Run(Call&& call) {
    const HRESULT result = Guarded(std::forward<Call>(call));
    if (result == kFaulted) Abandon();
    return result;
  }
};

// GIF files are GDI+'s alone: a GIF it refuses is damaged or one we refuse
// on purpose, and WIC is the decoder GDI+ itself uses for them on Wine.
bool LeftToGdiplus(const std::wstring& path) {
  std::vector<unsigned char> head;
  return platform::ReadFileRange(path, 0, 64, head) && InspectGif(head.data(), head.size()).gif;
}

// Opens the file's first frame. 0, 13 (no decoder or no frame), kStatusDecoderFault.
std::int32_t OpenFirstFrame(const std::wstring& path, WicFile& file) {
  if (LeftToGdiplus(path)) return kStatusUnknownImageFormat;
  HRESULT result = file.Run([&] {
    return ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(file.factory.put()));
  });
  if (result == kFaulted) return kStatusDecoderFault;
  if (FAILED(result) || !file.factory) return kStatusUnknownImageFormat;
  IWICImagingFactory* factory = file.factory.get();
  result = file.Run([&] {
    return factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                              file.decoder.put());
  });
  if (result == kFaulted) return kStatusDecoderFault;
  if (FAILED(result) || !file.decoder) return kStatusUnknownImageFormat;
  IWICBitmapDecoder* decoder = file.decoder.get();
  result = file.Run([&] { return decoder->GetFrame(0, file.frame.put()); });
  if (result == kFaulted) return kStatusDecoderFault;
  if (FAILED(result) || !file.frame) return kStatusUnknownImageFormat;
  return kStatusOk;
}

// The frame's size; 7 when it is none an image can have.
std::int32_t FrameSize(WicFile& file, PixelSize& size) {
  UINT width = 0;
  UINT height = 0;
  IWICBitmapFrameDecode* frame = file.frame.get();
  const HRESULT result = file.Run([&] { return frame->GetSize(&width, &height); });
  if (result == kFaulted) return kStatusDecoderFault;
  constexpr UINT kMost = std::numeric_limits<std::int32_t>::max();
  if (FAILED(result) || width == 0 || height == 0 || width > kMost || height > kMost) return kStatusWin32Error;
  size = PixelSize{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  return kStatusOk;
}

// The EXIF orientation (1..8) from the frame's metadata: the photo
// property's name where the platform knows it, else the tag where a JPEG
// and a TIFF keep it. 1 when there is none, or the decoder faulted on it.
std::int32_t FrameOrientation(WicFile& file) {
  IWICBitmapFrameDecode* frame = file.frame.get();
  HRESULT result = file.Run([&] { return frame->GetMetadataQueryReader(file.metadata.put()); });
  if (FAILED(result) || !file.metadata) return 1;
  IWICMetadataQueryReader* reader = file.metadata.get();
  for (const wchar_t* name : {L"System.Photo.Orientation", L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"}) {
    PROPVARIANT value;
    ::PropVariantInit(&value);
    result = file.Run([&] { return reader->GetMetadataByName(name, &value); });
    if (result == kFaulted) return 1;
    if (FAILED(result)) continue;
    const std::int32_t orientation = value.vt == VT_UI2 ? value.uiVal : 0;
    ::PropVariantClear(&value);
    if (orientation >= 1 && orientation <= 8) return orientation;
  }
  return 1;
}

// The frame's pixels as 32-bit BGRA, from file.converter once this returns 0.
std::int32_t OpenConverter(WicFile& file) {
  IWICImagingFactory* factory = file.factory.get();
  HRESULT result = file.Run([&] { return factory->CreateFormatConverter(file.converter.put()); });
  if (result == kFaulted) return kStatusDecoderFault;
  if (FAILED(result) || !file.converter) return kStatusWin32Error;
  IWICFormatConverter* converter = file.converter.get();
  IWICBitmapFrameDecode* frame = file.frame.get();
  result = file.Run([&] {
    return converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                 WICBitmapPaletteTypeCustom);
  });
  if (result == kFaulted) return kStatusDecoderFault;
  return FAILED(result) ? kStatusWin32Error : kStatusOk;
}

// Decodes every row of the frame into a small buffer, a band at a time, and
// forgets them: whether the whole file decodes, without holding its pixels.
std::int32_t DecodeInBands(WicFile& file, PixelSize size) {
  auto status = OpenConverter(file);
  if (status != kStatusOk) return status;
  const auto stride = static_cast<UINT>(size.width) * 4;
  const std::int32_t band = std::max<std::int32_t>(1, static_cast<std::int32_t>((4u << 20) / stride));
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * static_cast<std::size_t>(std::min(band, size.height)));
  IWICFormatConverter* converter = file.converter.get();
  for (std::int32_t y = 0; y < size.height; y += band) {
    const WICRect rect{0, y, size.width, std::min(band, size.height - y)};
    const HRESULT result = file.Run([&] {
      return converter->CopyPixels(&rect, stride, stride * static_cast<UINT>(rect.Height), rows.data());
    });
    if (result == kFaulted) return kStatusDecoderFault;
    if (FAILED(result)) return kStatusWin32Error;
  }
  return kStatusOk;
}

// Copies the frame, as 32-bit BGRA, into a new GDI+ bitmap of the same layout.
std::int32_t CopyFrame(WicFile& file, PixelSize size, GdipImage& image) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  auto status = static_cast<std::int32_t>(
      gdip::GdipCreateBitmapFromScan0(size.width, size.height, 0, PixelFormat32bppARGB, nullptr, &bitmap));
  if (status != kStatusOk) return status == kStatusInvalidParameter ? kStatusOutOfMemory : status;
  GdipImage made(bitmap);
  status = OpenConverter(file);
  if (status != kStatusOk) return status;
  IWICFormatConverter* converter = file.converter.get();
  Gdiplus::BitmapData rows{};
  const Gdiplus::GpRect all(0, 0, size.width, size.height);
  status = static_cast<std::int32_t>(
      gdip::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &rows));
  if (status != kStatusOk) return status;
  // The rows GDI+ hands out run top down at a positive stride here: it made them.
  const auto stride = static_cast<UINT>(rows.Stride);
  const UINT bytes = stride * static_cast<UINT>(size.height);
  auto* pixels = static_cast<BYTE*>(rows.Scan0);
  const HRESULT result = file.Run([&] { return converter->CopyPixels(nullptr, stride, bytes, pixels); });
  status = static_cast<std::int32_t>(gdip::GdipBitmapUnlockBits(bitmap, &rows));
  if (result == kFaulted) return kStatusDecoderFault;
  // A file cut short or damaged shows it here, when its pixels are decoded.
  if (FAILED(result)) return result == E_OUTOFMEMORY ? kStatusOutOfMemory : kStatusWin32Error;
  if (status != kStatusOk) return status;
  image = std::move(made);
  return kStatusOk;
}

// The memory an image of this size needs here: its 32-bit pixels, and the
// 24-bit canvas they are then drawn on.
std::int64_t NeedBytes(PixelSize size) { return std::int64_t{size.width} * size.height * 7; }

// Whether GDI+ can hold the frame's 32-bit pixels at all (its strides and
// sizes are 32-bit signed numbers), besides a canvas of the same size.
bool FramePossible(PixelSize size) {
  const std::uint64_t bytes = std::uint64_t{4} * static_cast<std::uint64_t>(size.width) *
                              static_cast<std::uint64_t>(size.height);
  return CanvasPossible(size.width, size.height) &&
         bytes <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

}  // namespace

std::int32_t LoadImageWithWic(const std::wstring& path, bool upright, GdipImage& image, std::int64_t& needBytes) {
  needBytes = 0;
  WicFile file;
  auto status = OpenFirstFrame(path, file);
  if (status != kStatusOk) return status;
  PixelSize size;
  status = FrameSize(file, size);
  if (status != kStatusOk) return status;
  // A size no bitmap can have is a damaged or hostile file's claim, not a
  // shortage of memory: refused before a pixel is decoded.
  if (!FramePossible(size)) return kStatusWin32Error;
  const std::int32_t orientation = upright ? FrameOrientation(file) : 1;
  if (!file.frame) return kStatusDecoderFault;  // it faulted on the metadata
  GdipImage decoded;
  try {
    status = CopyFrame(file, size, decoded);
  } catch (const std::bad_alloc&) {
    status = kStatusOutOfMemory;
  }
  if (status == kStatusOk && orientation != 1) status = TurnUpright(decoded, orientation);
  if (status == kStatusOutOfMemory) needBytes = NeedBytes(size);
  if (status != kStatusOk) return status;
  image = std::move(decoded);
  return kStatusOk;
}

bool ReadWicImageSize(const std::wstring& path, bool upright, PixelSize& size) {
  WicFile file;
  if (OpenFirstFrame(path, file) != kStatusOk) return false;
  PixelSize frame;
  if (FrameSize(file, frame) != kStatusOk || !FramePossible(frame)) return false;
  const std::int32_t orientation = upright ? FrameOrientation(file) : 1;
  // A file cut short shows only when its pixels are decoded: refused here,
  // as the build would skip it.
  if (!file.frame) return false;
  try {
    if (DecodeInBands(file, frame) != kStatusOk) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  size = UprightSize(frame.width, frame.height, orientation);
  return true;
}

namespace {

// "*.BMP;*.DIB;*.RLE" and the like, one for each of GDI+'s decoders.
void AddGdiplusDecoderLists(std::vector<std::wstring>& lists) {
  UINT count = 0;
  UINT bytes = 0;
  if (gdip::GdipGetImageDecodersSize(&count, &bytes) != Gdiplus::Ok || count == 0 ||
      std::uint64_t{count} * sizeof(Gdiplus::ImageCodecInfo) > bytes) {
    return;
  }
  // The records are followed by the strings they point to, all in one block.
  std::vector<Gdiplus::ImageCodecInfo> codecs(bytes / sizeof(Gdiplus::ImageCodecInfo) + 1);
  if (gdip::GdipGetImageDecoders(count, bytes, codecs.data()) != Gdiplus::Ok) return;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].FilenameExtension) lists.emplace_back(codecs[i].FilenameExtension);
  }
}

// ".tga,.tpic" and the like, one for each installed WIC decoder.
void AddWicDecoderLists(std::vector<std::wstring>& lists) {
  WicFile wic;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(wic.factory.put())))) {
    return;
  }
  ComRef<IEnumUnknown> components;
  if (FAILED(wic.factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, components.put()))) {
    return;
  }
  // A machine has some dozens of decoders; a registry that claims thousands
  // is not read to its end.
  for (int left = 1000; left > 0; --left) {
    ComRef<IUnknown> component;
    ULONG fetched = 0;
    if (components->Next(1, component.put(), &fetched) != S_OK || fetched != 1) break;
    ComRef<IWICBitmapDecoderInfo> info;
    if (FAILED(component->QueryInterface(IID_PPV_ARGS(info.put())))) continue;
    UINT length = 0;
    if (FAILED(info->GetFileExtensions(0, nullptr, &length)) || length == 0 || length > 4096) continue;
    std::wstring extensions(length, L'\0');
    if (FAILED(info->GetFileExtensions(length, extensions.data(), &length))) continue;
    extensions.resize(wcsnlen(extensions.c_str(), extensions.size()));
    lists.push_back(std::move(extensions));
  }
}

std::vector<std::wstring> AskMachineExtensions() {
  std::vector<std::wstring> lists;
  try {
    AddGdiplusDecoderLists(lists);
    AddWicDecoderLists(lists);
  } catch (const std::bad_alloc&) {
    // what was gathered so far still names files this machine reads
  }
  return ReadableExtensions(lists);
}

}  // namespace

const std::vector<std::wstring>& MachineImageExtensions() {
  static const std::vector<std::wstring> extensions = AskMachineExtensions();
  return extensions;
}
