#pragma once
// Test images written and read back through GDI+, and the committed fixture
// files GDI+ cannot write.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/gdiplus_win.h"

namespace image_files {

using Gdiplus::ARGB;

inline constexpr ARGB kRed = 0xFFFF0000;
inline constexpr ARGB kGreen = 0xFF00FF00;
inline constexpr ARGB kBlue = 0xFF0000FF;
inline constexpr ARGB kBlack = 0xFF000000;

// The folder of committed fixture files, as a Windows path (under Wine the
// Linux file system is drive Z:).
inline std::wstring FixturePath(const std::wstring& name) {
  std::string dir = QUILLON_SOURCE_DIR "/tests/imaging/fixtures/";
  std::wstring path;
  if (!dir.empty() && dir[0] == '/') path = L"Z:";
  for (char c : dir) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return path + name;
}

// A bitmap of the given size and pixel format whose pixels come from colour(x, y).
inline GdipImage MakeBitmap(int width, int height, const std::function<ARGB(int, int)>& colour,
                            Gdiplus::PixelFormat format = PixelFormat32bppARGB) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  EXPECT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap), Gdiplus::Ok);
  GdipImage image(bitmap);
  Gdiplus::GpRect rect(0, 0, width, height);
  Gdiplus::BitmapData data{};
  EXPECT_EQ(gdip::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data),
            Gdiplus::Ok);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<ARGB*>(static_cast<unsigned char*>(data.Scan0) + y * data.Stride);
    for (int x = 0; x < width; ++x) row[x] = colour(x, y);
  }
  EXPECT_EQ(gdip::GdipBitmapUnlockBits(bitmap, &data), Gdiplus::Ok);
  return image;
}

inline void SaveImage(const GdipImage& image, const std::wstring& path, const std::wstring& mime) {
  CLSID encoder{};
  ASSERT_EQ(FindEncoder(mime, encoder), kStatusOk) << "no encoder for this type";
  ASSERT_EQ(gdip::GdipSaveImageToFile(image.get(), path.c_str(), &encoder, nullptr), Gdiplus::Ok);
}

// Red left half, blue right half: the picture every format test uses.
inline ARGB Halves(int x, int width) { return x < width / 2 ? kRed : kBlue; }

struct Decoded {
  int width = 0;
  int height = 0;
  std::int32_t pixelFormat = 0;
  GUID rawFormat{};
  std::vector<ARGB> pixels;
  ARGB At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Decodes an encoded block as a viewer would, without the code under test.
inline Decoded Decode(const std::vector<unsigned char>& bytes) {
  Decoded result;
  ComStream stream;
  if (!CreateMemoryStream(stream)) {
    ADD_FAILURE() << "no memory stream";
    return result;
  }
  ULONG written = 0;
  stream.get()->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero{};
  stream.get()->Seek(zero, STREAM_SEEK_SET, nullptr);
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gdip::GdipCreateBitmapFromStream(stream.get(), &bitmap) != Gdiplus::Ok) {
    ADD_FAILURE() << "the block does not decode";
    return result;
  }
  GdipImage image(bitmap);
  PixelSize size;
  EXPECT_EQ(GetImageSize(image, size), kStatusOk);
  EXPECT_EQ(GetImagePixelFormat(image, result.pixelFormat), kStatusOk);
  EXPECT_EQ(GetImageRawFormat(image, result.rawFormat), kStatusOk);
  result.width = size.width;
  result.height = size.height;
  Gdiplus::GpRect rect(0, 0, size.width, size.height);
  Gdiplus::BitmapData data{};
  if (gdip::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok) {
    ADD_FAILURE() << "pixels cannot be read";
    return result;
  }
  result.pixels.reserve(static_cast<std::size_t>(size.width) * size.height);
  for (int y = 0; y < size.height; ++y) {
    const auto* row = reinterpret_cast<const ARGB*>(static_cast<const unsigned char*>(data.Scan0) + y * data.Stride);
    result.pixels.insert(result.pixels.end(), row, row + size.width);
  }
  gdip::GdipBitmapUnlockBits(bitmap, &data);
  return result;
}

// True when each channel of a is within tolerance of b's.
inline bool Near(ARGB a, ARGB b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    if (ca - cb > tolerance || cb - ca > tolerance) return false;
  }
  return true;
}

}  // namespace image_files
