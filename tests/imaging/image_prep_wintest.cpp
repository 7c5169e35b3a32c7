#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "imaging/decoder_guard_win.h"
#include "imaging/encoded_check.h"
#include "imaging/gdiplus_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/image_files_win.h"
#include "imaging/image_prep.h"
#include "imaging/image_probe.h"
#include "imaging/wic_decode_win.h"
#include "pdf/pdf.h"
#include "pdf/pdf_document.h"
#include "support/temp_dir.h"

namespace {

using namespace image_files;

Settings JpegOutput(std::int32_t level = 8) {
  Settings s;
  s.JpgCompression = 1;
  s.JpgQuality = level;
  return s;
}

Settings PngOutput() {
  Settings s;
  s.JpgCompression = 0;
  return s;
}

Settings StoreJpeg() {
  Settings s;
  s.JpgNoRecompression = 1;
  return s;
}

bool IsEqual(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// What the PDF writer needs of a PNG block: IHDR first, 8-bit RGB (or the
// gray or palette of a file passed through) without alpha or interlacing,
// and chunks its walk accepts.
void ExpectWriterAcceptsPng(const std::vector<unsigned char>& block, int width, int height, std::int32_t colour = 1) {
  const auto header = encoded_check::ReadPngHeader(block);
  ASSERT_TRUE(header) << "no IHDR as the first chunk";
  EXPECT_EQ(header->width, static_cast<std::uint32_t>(width));
  EXPECT_EQ(header->height, static_cast<std::uint32_t>(height));
  EXPECT_EQ(header->bitDepth, 8);
  EXPECT_EQ(header->colourType, colour == 1 ? 2 : colour == 2 ? 3 : 0);
  EXPECT_EQ(header->interlace, 0);
  std::int64_t idat = 0;
  ASSERT_EQ(ipf_CalcRawDataSizePNG(block.data(), static_cast<std::int64_t>(block.size()), idat), 0)
      << "the writer's chunk walk fails";
  EXPECT_GT(idat, 0);
  pdf_Reset();
  ASSERT_EQ(pdf_Create(1, L"", 1), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const auto w = static_cast<float>(width), h = static_cast<float>(height);
  EXPECT_EQ(pdf_ImageFromMem(L"png", 2, colour, block.data(), static_cast<std::int32_t>(block.size()), w, h, 0, 0, w, h), 0);
  pdf_Reset();
}

void ExpectWriterAcceptsJpeg(const std::vector<unsigned char>& block, int width, int height, int colour = 1) {
  const auto frame = encoded_check::ReadJpegFrame(block);
  ASSERT_TRUE(frame) << "no JPEG frame header";
  EXPECT_EQ(frame->precision, 8);
  EXPECT_EQ(frame->components, colour == 3 ? 1 : colour >= 4 ? 4 : 3);
  EXPECT_EQ(frame->width, width);
  EXPECT_EQ(frame->height, height);
}

void ExpectWriterAccepts(const PreparedImage& prepared) {
  if (prepared.kind == kImageKindPng)
    ExpectWriterAcceptsPng(prepared.data, prepared.width, prepared.height, prepared.colour);
  else
    ExpectWriterAcceptsJpeg(prepared.data, prepared.width, prepared.height, prepared.colour);
}

class ImagePrep : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.Started()) << "GDI+ status " << session_.status(); }

  std::wstring Write(const std::wstring& name, int width, int height, const std::function<ARGB(int, int)>& colour,
                     const std::wstring& mime, Gdiplus::PixelFormat format = PixelFormat24bppRGB) {
    const std::wstring path = dir_.File(name);
    SaveImage(MakeBitmap(width, height, colour, format), path, mime);
    return path;
  }

  std::wstring WriteHalves(const std::wstring& name, const std::wstring& mime,
                           Gdiplus::PixelFormat format = PixelFormat24bppRGB) {
    return Write(name, 40, 30, [](int x, int) { return Halves(x, 40); }, mime, format);
  }

  std::wstring WriteBytes(const std::wstring& name, const void* data, std::size_t size) {
    testsupport::WriteBytes(dir_.path() / name, data, size);
    return dir_.File(name);
  }

  GdiplusSession session_;
  testsupport::TempDir dir_;
};

// ---- the GDI+ layer -------------------------------------------------------

TEST_F(ImagePrep, FindEncoderMatchesTheMimeTypeExactly) {
  CLSID jpeg{};
  CLSID png{};
  ASSERT_EQ(FindEncoder(L"image/jpeg", jpeg), kStatusOk);
  ASSERT_EQ(FindEncoder(L"image/png", png), kStatusOk);
  EXPECT_FALSE(IsEqual(jpeg, png));
  CLSID none{};
  EXPECT_EQ(FindEncoder(L"image/JPEG", none), kStatusGenericError);
  EXPECT_EQ(FindEncoder(L"image/jpe", none), kStatusGenericError);
  EXPECT_EQ(FindEncoder(L"", none), kStatusGenericError);
}

TEST_F(ImagePrep, EncodersReceiveOneLongParameter) {
  // GDI+ under Wine ignores the quality, so the parameter itself is what the
  // encoder can be held to here.
  for (std::int32_t level = 1; level <= 10; ++level) {
    const auto parameter = JpegQualityParameter(JpegQualityForLevel(level));
    const Gdiplus::EncoderParameters* list = parameter.list();
    ASSERT_EQ(list->Count, 1u);
    EXPECT_TRUE(IsEqual(list->Parameter[0].Guid, kEncoderQuality));
    EXPECT_EQ(list->Parameter[0].Type, 4u);
    EXPECT_EQ(list->Parameter[0].NumberOfValues, 1u);
    EXPECT_EQ(*static_cast<const ULONG*>(list->Parameter[0].Value),
              static_cast<ULONG>(JpegQualityForLevel(level)));
  }
  const auto depth = PngColorDepthParameter();
  ASSERT_EQ(depth.list()->Count, 1u);
  EXPECT_TRUE(IsEqual(depth.list()->Parameter[0].Guid, kEncoderColorDepth));
  EXPECT_EQ(depth.list()->Parameter[0].Type, 4u);
  EXPECT_EQ(depth.list()->Parameter[0].NumberOfValues, 1u);
  EXPECT_EQ(*static_cast<const ULONG*>(depth.list()->Parameter[0].Value), 24u);
  // The documented GUIDs, spelt out once more against a typo in either place.
  const GUID quality = {0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
  EXPECT_TRUE(IsEqual(kEncoderQuality, quality));
}

TEST_F(ImagePrep, JpegQualityChangesTheOutputOnWindows) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's JPEG encoder ignores the quality";
  const auto image = MakeBitmap(200, 150, [](int x, int y) { return 0xFF000000u | (x * 1237 ^ y * 7919); });
  std::vector<unsigned char> low;
  std::vector<unsigned char> high;
  ASSERT_EQ(EncodeJpeg(image, low, 10), kStatusOk);
  ASSERT_EQ(EncodeJpeg(image, high, 100), kStatusOk);
  EXPECT_LT(low.size(), high.size());
}

TEST_F(ImagePrep, FlattenAndScaleReplaceTheImageWithA24BitBitmap) {
  auto image = MakeBitmap(40, 30, [](int x, int) { return x < 20 ? 0x00FFFFFFu : kGreen; });
  ASSERT_EQ(FlattenTo24Bit(image), kStatusOk);
  std::int32_t format = 0;
  ASSERT_EQ(GetImagePixelFormat(image, format), kStatusOk);
  EXPECT_EQ(format, kPixelFormat24bppRgb);
  PixelSize size;
  ASSERT_EQ(GetImageSize(image, size), kStatusOk);
  EXPECT_EQ(size, (PixelSize{40, 30}));

  ASSERT_EQ(ScaleImage(image, 7, 5, Gdiplus::InterpolationModeHighQualityBicubic, Gdiplus::SmoothingModeHighQuality),
            kStatusOk);
  ASSERT_EQ(GetImageSize(image, size), kStatusOk);
  EXPECT_EQ(size, (PixelSize{7, 5}));
  // A canvas without pixels cannot exist: the routine reports it as memory.
  EXPECT_EQ(ScaleImage(image, 0, 5, Gdiplus::InterpolationModeHighQualityBicubic, Gdiplus::SmoothingModeHighQuality),
            kStatusOutOfMemory);
}

// ---- formats --------------------------------------------------------------

struct SourceFile {
  std::wstring path;
  bool lossy;  // JPEG source: colours are near, not exact
  bool gray;
};

TEST_F(ImagePrep, EveryReadableFormatBecomesA24BitBlockTheWriterAccepts) {
  const std::vector<SourceFile> sources = {
      {WriteHalves(L"halves.bmp", L"image/bmp"), false, false},
      {WriteHalves(L"halves.png", L"image/png"), false, false},
      {WriteHalves(L"halves-argb.png", L"image/png", PixelFormat32bppARGB), false, false},
      {FixturePath(L"halves.gif"), false, false},
      {WriteHalves(L"halves.tif", L"image/tiff"), false, false},
      {WriteHalves(L"halves.jpg", L"image/jpeg"), true, false},
      {FixturePath(L"progressive.jpg"), true, false},
      {FixturePath(L"cmyk.jpg"), true, false},
      {FixturePath(L"gray.jpg"), true, true},
      {FixturePath(L"rgb16.png"), false, false},
      {FixturePath(L"palette.png"), false, false},
      {FixturePath(L"gray.png"), false, true},
      {FixturePath(L"interlaced.png"), false, false},
  };
  for (const Settings& settings : {JpegOutput(), PngOutput()}) {
    for (const auto& source : sources) {
      SCOPED_TRACE(testing::Message() << std::string(source.path.begin(), source.path.end())
                                      << (settings.JpgCompression ? " as JPEG" : " as PNG"));
      const PreparedImage prepared = PrepareImage(source.path, settings);
      if (prepared.outcome != PrepOutcome::Ok) {
        ADD_FAILURE() << "not prepared, status " << prepared.status;
        continue;
      }
      EXPECT_EQ(prepared.kind, settings.JpgCompression ? kImageKindJpeg : kImageKindPng);
      EXPECT_EQ(prepared.width, 40);
      EXPECT_EQ(prepared.height, 30);
      ExpectWriterAccepts(prepared);
      const Decoded decoded = Decode(prepared.data);
      if (decoded.pixels.size() != 40u * 30u) continue;
      const ARGB left = decoded.At(5, 15);
      const ARGB right = decoded.At(34, 15);
      if (source.gray) {
        // Red and blue in gray: two different grays, red the lighter one.
        for (const ARGB c : {left, right}) {
          EXPECT_TRUE(Near(c, 0xFF000000u | (c & 0xFF) * 0x010101u, 6)) << std::hex << c;
        }
        EXPECT_GT(left & 0xFF, (right & 0xFF) + 20);
      } else {
        const int tolerance = source.lossy || settings.JpgCompression ? 48 : 0;
        EXPECT_TRUE(Near(left, kRed, tolerance)) << std::hex << left;
        EXPECT_TRUE(Near(right, kBlue, tolerance)) << std::hex << right;
      }
    }
  }
}

TEST_F(ImagePrep, TransparentPixelsComeOutBlackInBothOutputs) {
  // Left half fully transparent (white underneath, which must not show),
  // a band of half-transparent white at the top, the right half opaque green.
  const std::wstring path = Write(
      L"alpha.png", 40, 30,
      [](int x, int y) { return x >= 20 ? kGreen : y < 6 ? 0x80FFFFFFu : 0x00FFFFFFu; }, L"image/png",
      PixelFormat32bppARGB);
  for (const Settings& settings : {PngOutput(), JpegOutput()}) {
    SCOPED_TRACE(settings.JpgCompression ? "JPEG" : "PNG");
    const PreparedImage prepared = PrepareImage(path, settings);
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
    ExpectWriterAccepts(prepared);
    const Decoded decoded = Decode(prepared.data);
    ASSERT_EQ(decoded.pixels.size(), 40u * 30u);
    const int tolerance = settings.JpgCompression ? 24 : 0;
    EXPECT_TRUE(Near(decoded.At(5, 20), kBlack, tolerance)) << std::hex << decoded.At(5, 20);
    EXPECT_TRUE(Near(decoded.At(0, 29), kBlack, tolerance)) << std::hex << decoded.At(0, 29);
    EXPECT_TRUE(Near(decoded.At(5, 2), 0xFF808080u, tolerance + 2)) << std::hex << decoded.At(5, 2);
    EXPECT_TRUE(Near(decoded.At(34, 20), kGreen, tolerance * 2)) << std::hex << decoded.At(34, 20);
  }
  // In a GIF, transparency is a palette entry rather than an alpha channel,
  // and the entry's own colour (black in one file, red in the other) must
  // not show.
  for (const Settings& settings : {PngOutput(), JpegOutput()})
  for (const wchar_t* gif : {L"transparent.gif", L"transparent-red.gif"}) {
    SCOPED_TRACE(settings.JpgCompression ? "GIF as JPEG" : "GIF as PNG");
    const PreparedImage prepared = PrepareImage(FixturePath(gif), settings);
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
    const Decoded decoded = Decode(prepared.data);
    ASSERT_EQ(decoded.pixels.size(), 40u * 30u);
    const int tolerance = settings.JpgCompression ? 24 : 0;
    EXPECT_TRUE(Near(decoded.At(5, 15), kBlack, tolerance)) << std::hex << decoded.At(5, 15);
    EXPECT_TRUE(Near(decoded.At(34, 15), kBlue, tolerance * 2)) << std::hex << decoded.At(34, 15);
  }
}

TEST_F(ImagePrep, PngOutputTurnsJpegSourcesIntoPng) {
  const std::wstring path = WriteHalves(L"photo.jpg", L"image/jpeg");
  const PreparedImage prepared = PrepareImage(path, PngOutput());
  ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
  EXPECT_EQ(prepared.kind, kImageKindPng);
  ExpectWriterAcceptsPng(prepared.data, 40, 30);
}

// ---- storing JPEG files as they are -----------------------------------------

TEST_F(ImagePrep, StoredJpegIsTheFileByteForByteUnscaled) {
  const std::wstring path = Write(L"photo.jpg", 120, 80, [](int x, int y) { return 0xFF000000u | x << 16 | y << 8; },
                                  L"image/jpeg");
  Settings settings = StoreJpeg();
  settings.ImageScaling = 50;
  settings.JpgCompression = 0;
  for (const std::wstring& file : {path, FixturePath(L"progressive.jpg")}) {
    const PreparedImage prepared = PrepareImage(file, settings);
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
    EXPECT_EQ(prepared.kind, kImageKindJpeg);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(file, bytes));
    EXPECT_EQ(prepared.data, bytes);
  }
  const PreparedImage prepared = PrepareImage(path, settings);
  EXPECT_EQ(prepared.width, 120);
  EXPECT_EQ(prepared.height, 80);

  // GDI+ goes by the content, not the name: JPEG data called .png is stored too.
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  const std::wstring misnamed = WriteBytes(L"photo.png", bytes.data(), bytes.size());
  EXPECT_EQ(PrepareImage(misnamed, settings).data, bytes);
}

// Gray and CMYK JPEG files go into the PDF as they are, in their own colour
// space; whatever the output setting, their bytes are the file's.
TEST_F(ImagePrep, GrayAndCmykJpegAreStoredAsTheyAre) {
  const struct {
    const wchar_t* name;
    std::int32_t colour;
  } cases[] = {{L"gray.jpg", 3}, {L"cmyk.jpg", 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(FixturePath(c.name), bytes));
    for (const std::int32_t compression : {1, 0}) {
      Settings settings = StoreJpeg();
      settings.JpgCompression = compression;
      const PreparedImage prepared = PrepareImage(FixturePath(c.name), settings);
      ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << "status " << prepared.status;
      EXPECT_EQ(prepared.kind, kImageKindJpeg);
      EXPECT_EQ(prepared.colour, c.colour);
      EXPECT_EQ(prepared.data, bytes);
      ExpectWriterAccepts(prepared);
    }
  }
}

// A multi-page TIFF file gives each page on its own, at its own size, with
// the number of pages; with TiffAllPages 0 it is one picture, its first page.
TEST_F(ImagePrep, EveryPageOfAMultiPageTiffIsPreparedOnItsOwn) {
  const struct {
    int width, height;
    ARGB colour;
  } pages[] = {{40, 30, kRed}, {20, 50, kGreen}, {60, 10, kBlue}, {30, 30, 0xFFFFFF00u}, {10, 40, 0xFFFFFFFFu}};
  const std::wstring path = FixturePath(L"pages.tif");
  for (std::int32_t page = 0; page < 5; ++page) {
    SCOPED_TRACE(page);
    const PreparedImage prepared = PrepareImage(path, PngOutput(), page);
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << "status " << prepared.status;
    EXPECT_EQ(prepared.pageCount, 5);
    EXPECT_EQ(prepared.width, pages[page].width);
    EXPECT_EQ(prepared.height, pages[page].height);
    const Decoded decoded = Decode(prepared.data);
    ASSERT_EQ(decoded.pixels.size(), static_cast<std::size_t>(pages[page].width * pages[page].height));
    EXPECT_EQ(decoded.At(pages[page].width / 2, pages[page].height / 2), pages[page].colour);
  }
  EXPECT_EQ(PrepareImage(path, PngOutput(), 5).outcome, PrepOutcome::SkippedUnsupported);
  Settings firstOnly = JpegOutput();
  firstOnly.TiffAllPages = 0;
  const PreparedImage first = PrepareImage(path, firstOnly);
  EXPECT_EQ(first.pageCount, 1);
  EXPECT_EQ(first.width, 40);
  // Single-page files are one page.
  for (const std::wstring& single : {WriteHalves(L"one.tif", L"image/tiff"), FixturePath(L"halves.gif")})
    EXPECT_EQ(PrepareImage(single, PngOutput()).pageCount, 1);
}

// A JPEG whose headers a strict reader refuses is never stored as it is:
// GDI+ redraws what it can decode and the file is skipped otherwise.
TEST_F(ImagePrep, JpegWithBrokenHeadersIsNotStored) {
  std::vector<unsigned char> jpeg;
  ASSERT_TRUE(ReadWholeFile(WriteHalves(L"good.jpg", L"image/jpeg"), jpeg));
  // The first Huffman table's slot moved to 3, which no scan defines then;
  // and an unknown marker segment put in front of the frame.
  std::vector<unsigned char> undefinedTable = jpeg;
  for (std::size_t i = 2; i + 4 < undefinedTable.size(); ++i) {
    if (undefinedTable[i] == 0xFF && undefinedTable[i + 1] == 0xC4) {
      undefinedTable[i + 4] = static_cast<unsigned char>(undefinedTable[i + 4] | 3);
      break;
    }
  }
  std::vector<unsigned char> unknownMarker = {0xFF, 0xD8, 0xFF, 0xF3, 0x00, 0x04, 0x01, 0x02};
  unknownMarker.insert(unknownMarker.end(), jpeg.begin() + 2, jpeg.end());
  for (const auto& [name, bytes] : {std::pair{L"table.jpg", undefinedTable}, {L"marker.jpg", unknownMarker}}) {
    ASSERT_EQ(InspectJpeg(bytes.data(), bytes.size(), true).verdict, JpegVerdict::Damaged);
    const PreparedImage prepared = PrepareImage(WriteBytes(name, bytes.data(), bytes.size()), StoreJpeg());
    EXPECT_NE(prepared.outcome, PrepOutcome::GdiplusError);
    EXPECT_NE(prepared.data, bytes);
    if (prepared.outcome == PrepOutcome::Ok) ExpectWriterAccepts(prepared);
  }
}

// In PNG mode a PNG that needs no change goes into the PDF as the file is;
// one with alpha, 16 bits, interlacing or due for scaling is encoded again.
TEST_F(ImagePrep, PlainPngIsPassedThroughInPngMode) {
  const struct {
    std::wstring path;
    std::int32_t colour;  // 0: encoded again
  } cases[] = {
      {WriteHalves(L"rgb.png", L"image/png"), 1},
      {FixturePath(L"gray.png"), 3},
      {FixturePath(L"palette.png"), 2},
      {FixturePath(L"interlaced.png"), 0},
      {FixturePath(L"rgb16.png"), 0},
      {WriteHalves(L"alpha.png", L"image/png", PixelFormat32bppARGB), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
    std::vector<unsigned char> file;
    ASSERT_TRUE(ReadWholeFile(c.path, file));
    const PreparedImage prepared = PrepareImage(c.path, PngOutput());
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << "status " << prepared.status;
    EXPECT_EQ(prepared.kind, kImageKindPng);
    EXPECT_EQ(prepared.width, 40);
    EXPECT_EQ(prepared.height, 30);
    EXPECT_EQ(prepared.data == file, c.colour != 0);
    EXPECT_EQ(prepared.colour, c.colour == 0 ? 1 : c.colour);
    if (c.colour == 0) ExpectWriterAcceptsPng(prepared.data, 40, 30);
    // JPEG output and scaling always go through GDI+.
    EXPECT_NE(PrepareImage(c.path, JpegOutput()).data, file);
    Settings half = PngOutput();
    half.ImageScaling = 50;
    const PreparedImage scaled = PrepareImage(c.path, half);
    EXPECT_EQ(scaled.width, 20);
    EXPECT_EQ(scaled.colour, 1);
  }
}

TEST_F(ImagePrep, StoringLeavesOtherFormatsToTheEncoders) {
  const std::wstring path = WriteHalves(L"halves.png", L"image/png");
  Settings settings = StoreJpeg();
  settings.JpgCompression = 0;
  settings.ImageScaling = 50;
  const PreparedImage png = PrepareImage(path, settings);
  ASSERT_EQ(png.outcome, PrepOutcome::Ok);
  EXPECT_EQ(png.kind, kImageKindPng);
  ExpectWriterAcceptsPng(png.data, 20, 15);
  settings.JpgCompression = 1;
  const PreparedImage jpeg = PrepareImage(path, settings);
  ASSERT_EQ(jpeg.outcome, PrepOutcome::Ok);
  EXPECT_EQ(jpeg.kind, kImageKindJpeg);
  ExpectWriterAcceptsJpeg(jpeg.data, 20, 15);
}

// ---- scaling ------------------------------------------------------------------

TEST_F(ImagePrep, ScalingHalvesOnlyImagesWiderThanTheLimit) {
  const std::wstring path = Write(L"wide.png", 1001, 601, [](int, int) { return kRed; }, L"image/png");
  Settings settings = PngOutput();
  settings.ImageScaling = 50;
  const PreparedImage half = PrepareImage(path, settings);
  ASSERT_EQ(half.outcome, PrepOutcome::Ok);
  EXPECT_EQ(half.width, 500);
  EXPECT_EQ(half.height, 300);
  ExpectWriterAcceptsPng(half.data, 500, 300);
  // Drawn from (-1, -1) one pixel larger, the picture reaches every edge:
  // no black seam on any side.
  const Decoded decoded = Decode(half.data);
  ASSERT_EQ(decoded.pixels.size(), 500u * 300u);
  for (const auto& [x, y] : {std::pair{0, 0}, {499, 0}, {0, 299}, {499, 299}, {250, 0}, {0, 150}, {499, 150}}) {
    EXPECT_TRUE(Near(decoded.At(x, y), kRed, 8)) << x << "," << y << ": " << std::hex << decoded.At(x, y);
  }

  for (const std::int32_t limit : {1200, 1001}) {
    settings.ResizeOnlyIfWider = limit;
    const PreparedImage kept = PrepareImage(path, settings);
    ASSERT_EQ(kept.outcome, PrepOutcome::Ok);
    EXPECT_EQ(kept.width, 1001) << "limit " << limit;
    EXPECT_EQ(kept.height, 601);
    ExpectWriterAcceptsPng(kept.data, 1001, 601);
  }
  settings.ResizeOnlyIfWider = 1000;
  EXPECT_EQ(PrepareImage(path, settings).width, 500);
}

TEST_F(ImagePrep, OnePercentOfANarrowImageKeepsOnePixel) {
  const std::wstring path = Write(L"narrow.bmp", 50, 30, [](int, int) { return kBlue; }, L"image/bmp");
  Settings settings = JpegOutput();
  settings.ImageScaling = 1;
  const PreparedImage prepared = PrepareImage(path, settings);
  ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << "status " << prepared.status;
  EXPECT_EQ(prepared.width, 1);
  EXPECT_EQ(prepared.height, 1);
  ExpectWriterAcceptsJpeg(prepared.data, 1, 1);
}

// ---- damaged and hostile files ------------------------------------------------

TEST_F(ImagePrep, FilesGdiplusCannotOpenAreSkippedWhateverTheStatus) {
  std::vector<unsigned char> jpeg;
  ASSERT_TRUE(ReadWholeFile(WriteHalves(L"good.jpg", L"image/jpeg"), jpeg));
  std::vector<unsigned char> png;
  ASSERT_TRUE(ReadWholeFile(WriteHalves(L"good.png", L"image/png"), png));
  const char text[] = "This is a shopping list, not a photograph.\r\n";
  std::vector<unsigned char> noise(4096);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
  // A PNG header that promises far more pixels than any memory holds.
  std::vector<unsigned char> giant = png;
  giant[16] = 0x7F;
  giant[20] = 0x7F;

  const std::vector<std::wstring> files = {
      WriteBytes(L"empty.jpg", "", 0),
      WriteBytes(L"text.jpg", text, sizeof text - 1),
      dir_.File(L"missing.jpg"),
      WriteBytes(L"noise.png", noise.data(), noise.size()),
      WriteBytes(L"header-only.jpg", jpeg.data(), 20),
      WriteBytes(L"signature-only.png", png.data(), 8),
      WriteBytes(L"giant.png", giant.data(), giant.size()),
  };
  for (const Settings& settings : {JpegOutput(), PngOutput(), StoreJpeg()}) {
    for (const auto& file : files) {
      SCOPED_TRACE(std::string(file.begin(), file.end()));
      const PreparedImage prepared = PrepareImage(file, settings);
      EXPECT_EQ(prepared.outcome, PrepOutcome::SkippedUnsupported) << "status " << prepared.status;
      EXPECT_TRUE(prepared.data.empty());
    }
  }
}

// ---- files the platform's decoders get wrong -------------------------------

TEST_F(ImagePrep, ADecoderFaultCostsTheCallNotTheProgram) {
  // Wine's GIF decoder reads through a null pointer on a GIF without colours.
  const std::wstring crashing = FixturePath(L"no-colour-table.gif");
  for (int round = 0; round < 2; ++round) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    const std::int32_t status =
        GuardDecoderCall([&] { return gdip::GdipCreateBitmapFromFile(crashing.c_str(), &bitmap); });
    if (RunningUnderWine()) EXPECT_EQ(status, kStatusDecoderFault);
    else EXPECT_NE(status, kStatusOk);
  }
  std::int32_t onThread = kStatusOk;
  std::thread([&] {
    onThread = GuardDecoderCall([] {
      volatile std::uintptr_t nowhere = 0;
      return *reinterpret_cast<volatile int*>(nowhere);
    });
  }).join();
  EXPECT_EQ(onThread, kStatusDecoderFault);
  // Afterwards GDI+ still decodes, and exceptions still find their handlers.
  EXPECT_EQ(PrepareImage(FixturePath(L"halves.gif"), PngOutput()).outcome, PrepOutcome::Ok);
  EXPECT_THROW(throw std::runtime_error("after"), std::runtime_error);
}

TEST_F(ImagePrep, AGifWithoutColoursIsRefusedAtEveryDoor) {
  const std::wstring path = FixturePath(L"no-colour-table.gif");
  for (const Settings& settings : {JpegOutput(), PngOutput(), StoreJpeg()})
    EXPECT_EQ(PrepareImage(path, settings).outcome, PrepOutcome::SkippedUnsupported);
  EXPECT_FALSE(ProbeImageFile(path));
  EXPECT_FALSE(ProbeImageHeaders(path));
  ExaminedImage examined;
  EXPECT_FALSE(ExamineImageFile(path, 250, examined));
}

TEST_F(ImagePrep, PixelsARunLengthBmpSkipsAreBlackWhateverCameBefore) {
  // Images decoded first leave colourful memory behind for the next one.
  const std::wstring noise = Write(
      L"noise.bmp", 64, 64, [](int x, int y) { return 0xFF000000u | (x * 2654435761u ^ y * 40503u); }, L"image/bmp");
  std::vector<std::vector<ARGB>> pages;
  for (const bool afterOthers : {false, true}) {
    if (afterOthers) {
      for (int i = 0; i < 3; ++i) EXPECT_EQ(PrepareImage(noise, PngOutput()).outcome, PrepOutcome::Ok);
    }
    const PreparedImage prepared = PrepareImage(FixturePath(L"rle-skips.bmp"), PngOutput());
    ASSERT_EQ(prepared.outcome, PrepOutcome::Ok);
    const Decoded page = Decode(prepared.data);
    ASSERT_EQ(page.pixels.size(), 40u * 30u);
    EXPECT_EQ(page.At(2, 15), kRed);
    EXPECT_EQ(page.At(8, 15), kBlack) << "skipped by a delta";
    EXPECT_EQ(page.At(30, 15), kBlue);
    EXPECT_EQ(page.At(30, 2), kBlack) << "after the early end";
    ExaminedImage examined;
    ASSERT_TRUE(ExamineImageFile(FixturePath(L"rle-skips.bmp"), 250, examined));
    // The thumbnail the same way up: the top rows black, the skipped run black.
    DIBSECTION thumb{};
    ASSERT_EQ(::GetObjectW(examined.thumbnail.get(), sizeof thumb, &thumb), static_cast<int>(sizeof thumb));
    const auto* bits = static_cast<const unsigned char*>(thumb.dsBm.bmBits);
    const auto bgr = [&](int x, int y) { return bits + (29 - y) * thumb.dsBm.bmWidthBytes + 3 * x; };
    EXPECT_EQ(bgr(2, 2)[2] + bgr(8, 15)[2], 0);
    EXPECT_EQ(bgr(2, 15)[2], 255);
    pages.push_back(page.pixels);
  }
  EXPECT_EQ(pages[0], pages[1]);
}

TEST_F(ImagePrep, ImagesCutShortNeverStopTheBuild) {
  // GDI+ on Windows may decode what is there and fill the rest; Wine refuses
  // the file. Either way the build goes on.
  std::vector<unsigned char> jpeg;
  ASSERT_TRUE(ReadWholeFile(Write(L"big.jpg", 300, 200, [](int x, int y) { return 0xFF000000u | (x * 31 ^ y * 17); },
                                  L"image/jpeg"),
                            jpeg));
  std::vector<unsigned char> png;
  ASSERT_TRUE(ReadWholeFile(Write(L"big.png", 300, 200, [](int x, int y) { return 0xFF000000u | (x * 31 ^ y * 17); },
                                  L"image/png"),
                            png));
  const std::vector<std::wstring> files = {
      WriteBytes(L"half.jpg", jpeg.data(), jpeg.size() / 2),
      WriteBytes(L"half.png", png.data(), png.size() / 2),
  };
  for (const Settings& settings : {JpegOutput(), PngOutput(), StoreJpeg()}) {
    for (const auto& file : files) {
      SCOPED_TRACE(std::string(file.begin(), file.end()));
      const PreparedImage prepared = PrepareImage(file, settings);
      EXPECT_NE(prepared.outcome, PrepOutcome::GdiplusError) << "status " << prepared.status;
      if (prepared.outcome == PrepOutcome::Ok) ExpectWriterAccepts(prepared);
    }
  }
}

// TGA files and BMPs with alpha reach the pages through WIC, in every mode,
// transparency on black; the examination takes them with their size; a TGA
// cut short costs that file only.
TEST_F(ImagePrep, FilesOnlyWicReadsArePreparedInEveryMode) {
  // Wine's TGA decoder reads 24-bit colour maps wrong: that file's colours
  // are its own (left 0: not checked).
  const std::pair<const wchar_t*, ARGB> files[] = {{L"halves.tga", kRed},   {L"rle.tga", kRed},
                                                   {L"alpha.tga", kBlack},  {L"colour-mapped.tga", 0},
                                                   {L"bitfields.bmp", kRed}, {L"bitfields-alpha.bmp", kBlack}};
  for (const auto& [name, left] : files) {
    for (const Settings& settings : {JpegOutput(), PngOutput(), StoreJpeg()}) {
      SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)) << " mode " << settings.JpgCompression
                                      << settings.JpgNoRecompression);
      const PreparedImage prepared = PrepareImage(FixturePath(name), settings);
      ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << "status " << prepared.status;
      ExpectWriterAccepts(prepared);
      const Decoded page = Decode(prepared.data);
      ASSERT_EQ(page.pixels.size(), 40u * 30u);
      const int tolerance = settings.JpgCompression ? 48 : 0;
      if (!left) continue;
      EXPECT_TRUE(Near(page.At(5, 15), left, tolerance)) << std::hex << page.At(5, 15);
      EXPECT_TRUE(Near(page.At(34, 15), kBlue, tolerance)) << std::hex << page.At(34, 15);
    }
    ExaminedImage examined;
    EXPECT_TRUE(ExamineImageSize(FixturePath(name), true, examined));
    EXPECT_EQ(std::pair(examined.width, examined.height), std::pair(40, 30));
  }
  std::vector<unsigned char> tga;
  ASSERT_TRUE(ReadWholeFile(FixturePath(L"halves.tga"), tga));
  const std::wstring cut = WriteBytes(L"cut.tga", tga.data(), tga.size() / 3);
  EXPECT_EQ(PrepareImage(cut, PngOutput()).outcome, PrepOutcome::SkippedUnsupported);
}

// Wine's WIC reports a TIFF's orientation tag (not a JPEG's): the one file
// here that shows WIC's frames are turned upright, and only when asked.
TEST_F(ImagePrep, WicFramesAreTurnedByTheirOrientationTag) {
  for (const bool upright : {true, false}) {
    GdipImage image;
    std::int64_t needBytes = 0;
    ASSERT_EQ(LoadImageWithWic(FixturePath(L"turned.tif"), upright, image, needBytes), kStatusOk);
    PixelSize size;
    ASSERT_EQ(GetImageSize(image, size), kStatusOk);
    EXPECT_EQ(size, upright ? (PixelSize{30, 40}) : (PixelSize{40, 30}));
    ARGB top = 0;
    gdip::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(image.get()), upright ? 15 : 34, 5, &top);
    EXPECT_EQ(top, upright ? kRed : kBlue);
    PixelSize examined;
    ASSERT_TRUE(ReadWicImageSize(FixturePath(L"turned.tif"), upright, examined));
    EXPECT_EQ(examined, size);
  }
}

TEST_F(ImagePrep, PreparedFilesAreNotHeldOpen) {
  const std::wstring jpeg = WriteHalves(L"held.jpg", L"image/jpeg");
  const std::wstring png = WriteHalves(L"held.png", L"image/png");
  EXPECT_EQ(PrepareImage(jpeg, StoreJpeg()).outcome, PrepOutcome::Ok);
  EXPECT_EQ(PrepareImage(png, JpegOutput()).outcome, PrepOutcome::Ok);
  EXPECT_EQ(PrepareImage(dir_.File(L"missing.png"), JpegOutput()).outcome, PrepOutcome::SkippedUnsupported);
  EXPECT_TRUE(::DeleteFileW(jpeg.c_str()));
  EXPECT_TRUE(::DeleteFileW(png.c_str()));
}

}  // namespace

// ---- EXIF orientation ---------------------------------------------------------

namespace {

// The upright picture, 40 x 30: a colour per quadrant.
ARGB Quadrant(int x, int y) {
  static constexpr ARGB kColours[4] = {kRed, kGreen, kBlue, 0xFFFFFFFF};
  return kColours[(y < 15 ? 0 : 2) + (x < 20 ? 0 : 1)];
}

// Where the stored pixel (x, y) of a w x h file shows once its orientation
// has turned it.
POINT Shown(int orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {h - 1 - y, x};
    case 7: return {h - 1 - y, w - 1 - x};
    case 8: return {y, w - 1 - x};
    default: return {x, y};
  }
}

// An APP1 Exif segment (big-endian TIFF) holding one orientation entry.
std::vector<unsigned char> ExifSegment(int orientation) {
  std::vector<unsigned char> s = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8};
  s.insert(s.end(), {0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<unsigned char>(orientation), 0, 0});
  s.insert(s.end(), {0, 0, 0, 0});
  return s;
}

}  // namespace

TEST_F(ImagePrep, PhotosComeOutUprightOnBothPaths) {
  for (int o = 1; o <= 8; ++o) {
    const int w = o >= 5 ? 30 : 40, h = o >= 5 ? 40 : 30;
    const std::wstring plain = Write(L"plain.jpg", w, h, [&](int x, int y) {
      const POINT p = Shown(o, x, y, w, h);
      return Quadrant(p.x, p.y);
    }, L"image/jpeg");
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(plain, bytes));
    const std::vector<unsigned char> segment = ExifSegment(o);
    bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
    const std::wstring photo = WriteBytes(L"photo" + std::to_wstring(o) + L".jpg", bytes.data(), bytes.size());

    for (const Settings& redrawn : {JpegOutput(), PngOutput()}) {
      const PreparedImage prepared = PrepareImage(photo, redrawn);
      ASSERT_EQ(prepared.outcome, PrepOutcome::Ok) << o;
      EXPECT_EQ(prepared.orientation, 1) << o;
      ASSERT_EQ(prepared.width, 40) << o;
      ASSERT_EQ(prepared.height, 30) << o;
      const Decoded d = Decode(prepared.data);
      for (const POINT p : {POINT{10, 7}, POINT{30, 7}, POINT{10, 22}, POINT{30, 22}})
        EXPECT_TRUE(Near(d.At(p.x, p.y), Quadrant(p.x, p.y), 48)) << "orientation " << o << " at " << p.x << "," << p.y;
    }
    const PreparedImage stored = PrepareImage(photo, StoreJpeg());
    ASSERT_EQ(stored.outcome, PrepOutcome::Ok) << o;
    EXPECT_EQ(stored.data, bytes) << "stored as is";
    EXPECT_EQ(stored.orientation, o);
    EXPECT_EQ(stored.width, w);
    EXPECT_EQ(stored.height, h);

    for (Settings off : {JpegOutput(), StoreJpeg()}) {
      off.AutoRotate = 0;
      const PreparedImage asStored = PrepareImage(photo, off);
      EXPECT_EQ(asStored.orientation, 1) << o;
      EXPECT_EQ(asStored.width, w) << o;
    }
  }
}
