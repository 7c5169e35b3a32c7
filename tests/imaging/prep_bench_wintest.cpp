// Throughput of the image preparation per path, and where its time goes.
// Not a timed test: run it on purpose with
//   wintests_imaging.exe --gtest_also_run_disabled_tests --gtest_filter=*PrepBench*
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <iostream>

#include "imaging/gdiplus_win.h"
#include "imaging/image_files_win.h"
#include "imaging/image_prep.h"
#include "support/temp_dir.h"

namespace {

using namespace image_files;

double Now() {
  LARGE_INTEGER count{};
  LARGE_INTEGER frequency{};
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Smooth shading with fine texture, so that the encoders work about as hard
// as on a photograph.
ARGB PhotoPixel(int x, int y, int seed) {
  const double fx = x / 160.0;
  const double fy = y / 120.0;
  const unsigned noise = (static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u ^
                          static_cast<unsigned>(seed) * 83492791u) >> 27;
  const auto channel = [&](double phase) {
    const double v = 128 + 90 * std::sin(fx + phase + seed) * std::cos(fy - phase) + noise;
    return static_cast<ARGB>(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  return 0xFF000000u | channel(0.0) << 16 | channel(1.3) << 8 | channel(2.6);
}

struct Phases {
  double decode = 0;
  double draw = 0;
  double encode = 0;  // or, when storing, reading the file
};

// The store-as-is path step by step: GDI+ still opens the file to check it
// is a colour JPEG (Wine decodes it whole at that point).
void TimeStorePhases(const std::wstring& path, Phases& phases) {
  const double t = Now();
  GdipImage image;
  ASSERT_EQ(LoadImageFile(image, path), kStatusOk);
  ASSERT_TRUE(IsJpegImage(image));
  std::int32_t format = 0;
  ASSERT_EQ(GetImagePixelFormat(image, format), kStatusOk);
  image.Dispose();
  const double next = Now();
  phases.decode += next - t;
  std::vector<unsigned char> block;
  ASSERT_TRUE(ReadWholeFile(path, block));
  phases.encode += Now() - next;
}

// The re-encode path step by step, with its phases timed.
void TimePhases(const std::wstring& path, const Settings& settings, Phases& phases) {
  double t = Now();
  GdipImage image;
  ASSERT_EQ(LoadImageFile(image, path), kStatusOk);
  PixelSize size;
  ASSERT_EQ(GetImageSize(image, size), kStatusOk);
  double next = Now();
  phases.decode += next - t;
  t = next;
  ASSERT_EQ(FlattenTo24Bit(image), kStatusOk);
  if (const auto scaled = ScaledSize(size, settings)) {
    ASSERT_EQ(ScaleImage(image, scaled->width, scaled->height, Gdiplus::InterpolationModeHighQualityBicubic,
                         Gdiplus::SmoothingModeHighQuality),
              kStatusOk);
  }
  next = Now();
  phases.draw += next - t;
  t = next;
  std::vector<unsigned char> block;
  if (settings.JpgCompression == 1)
    ASSERT_EQ(EncodeJpeg(image, block, JpegQualityForLevel(settings.JpgQuality)), kStatusOk);
  else
    ASSERT_EQ(EncodePng(image, block), kStatusOk);
  image.Dispose();
  phases.encode += Now() - t;
}

TEST(PrepBench, DISABLED_ImagesPerSecondPerPath) {
  GdiplusSession session;
  ASSERT_TRUE(session.Started());
  testsupport::TempDir dir;
  constexpr int kImages = 8;
  constexpr int kWidth = 1600;
  constexpr int kHeight = 1200;
  std::vector<std::wstring> files;
  double inputBytes = 0;
  for (int i = 0; i < kImages; ++i) {
    const std::wstring path = dir.File(L"photo" + std::to_wstring(i) + L".jpg");
    SaveImage(MakeBitmap(kWidth, kHeight, [i](int x, int y) { return PhotoPixel(x, y, i); }, PixelFormat24bppRGB),
              path, L"image/jpeg");
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes));
    inputBytes += static_cast<double>(bytes.size());
    files.push_back(path);
  }

  struct Path {
    const char* name;
    Settings settings;
  };
  std::vector<Path> paths(4);
  paths[0].name = "store as is";
  paths[0].settings.JpgNoRecompression = 1;
  paths[1].name = "JPEG re-encode";
  paths[2].name = "JPEG re-encode, 50 %";
  paths[2].settings.ImageScaling = 50;
  paths[3].name = "PNG";
  paths[3].settings.JpgCompression = 0;

  std::cout << kImages << " JPEG files of " << kWidth << " x " << kHeight << ", "
            << std::fixed << std::setprecision(2) << inputBytes / 1048576.0 << " MB in all\n";
  std::cout << std::left << std::setw(24) << "path" << std::right << std::setw(10) << "images/s" << std::setw(10)
            << "MB/s in" << std::setw(11) << "MB out" << std::setw(9) << "decode" << std::setw(8) << "draw"
            << std::setw(9) << "encode\n";
  std::cout << "(store as is: its encode column is reading the file)\n";
  constexpr int kRounds = 2;
  for (const Path& path : paths) {
    double outputBytes = 0;
    const double start = Now();
    for (int round = 0; round < kRounds; ++round) {
      for (const auto& file : files) {
        const PreparedImage prepared = PrepareImage(file, path.settings);
        ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
        if (round == 0) outputBytes += static_cast<double>(prepared.data.size());
      }
    }
    const double seconds = Now() - start;
    std::cout << std::left << std::setw(24) << path.name << std::right << std::setprecision(1) << std::setw(10)
              << kImages * kRounds / seconds << std::setw(10) << inputBytes * kRounds / 1048576.0 / seconds
              << std::setw(11) << std::setprecision(2) << outputBytes / 1048576.0;
    Phases phases;
    for (const auto& file : files) {
      if (path.settings.JpgNoRecompression == 1)
        TimeStorePhases(file, phases);
      else
        TimePhases(file, path.settings, phases);
    }
    const double total = phases.decode + phases.draw + phases.encode;
    std::cout << std::setprecision(0) << std::setw(8) << 100 * phases.decode / total << "%" << std::setw(7)
              << 100 * phases.draw / total << "%" << std::setw(8) << 100 * phases.encode / total << "%\n";
  }
}

}  // namespace
