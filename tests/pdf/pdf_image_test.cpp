#include <random>

#include "pdf_fixture.h"
#include "support/png_maker.h"

namespace {

using testsupport::MakePng;
using testsupport::PngSpec;

PngSpec Rgb(int w, int h) {
  PngSpec s;
  s.width = w;
  s.height = h;
  s.colourType = 2;
  for (int i = 0; i < w * h * 3; ++i) s.pixels.push_back(static_cast<unsigned char>(i * 7));
  return s;
}

int Place(const std::wstring& name, int kind, int colour, const std::vector<unsigned char>& data,
          float w = 10, float h = 10) {
  return pdf_ImageFromMem(name, kind, colour, data.data(), static_cast<int>(data.size()), w, h, 0, 0, w, h);
}

TEST_F(PdfTest, SameNameIsStoredOnceAndPlacedTwice) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  const std::vector<unsigned char> jpeg = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(Place(L"C:\\a.jpg", 1, 1, jpeg), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::vector<unsigned char> ignored = {9, 9};
  ASSERT_EQ(Place(L"C:\\a.jpg", 1, 1, ignored), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(Place(L"C:\\A.jpg", 1, 1, jpeg), 0);  // names are case-sensitive
  const testsupport::PdfFile f = SaveAndParse();
  // Each page names the one image it shows.
  for (const auto& [page, entry] : {std::pair{5, "/I1 7 0 R\n>>"}, {8, "/I1 7 0 R\n>>"}, {10, "/I2 12 0 R\n>>"}}) {
    EXPECT_NE(f.Object(page).find(std::string("/XObject <<\n") + entry), std::string::npos) << f.Object(page);
  }
  EXPECT_EQ(f.Object(4).find(" 0 R"), std::string::npos);  // what pages share names no image
  EXPECT_NE(f.Stream(6).find("/I1 Do Q"), std::string::npos);
  EXPECT_NE(f.Stream(9).find("/I1 Do Q"), std::string::npos);
  EXPECT_NE(f.Stream(11).find("/I2 Do Q"), std::string::npos);
  EXPECT_EQ(f.Stream(7), std::string(jpeg.begin(), jpeg.end()));
}

TEST_F(PdfTest, EachPageNamesOnlyWhatItDraws) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);  // 5
  const std::vector<unsigned char> jpeg = {0xFF, 0xD8, 1, 0xFF, 0xD9};
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);  // 6: image and text
  ASSERT_EQ(Place(L"a", 1, 1, jpeg), 0);  // 8
  pdf_TextBox(100, 10, L"a", 0, 1);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);  // 9: two images placed, the last one shown
  ASSERT_EQ(Place(L"b", 1, 1, jpeg), 0);  // 11
  ASSERT_EQ(Place(L"c", 1, 1, jpeg), 0);  // 12
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);  // 13: text only
  pdf_TextBox(100, 10, L"t", 0, 1);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);  // 15: nothing, what pages share
  const testsupport::PdfFile f = SaveAndParse();
  const std::string procSet = "/Resources <<\n/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n";
  const std::string font = "/Font <<\n/F1 5 0 R\n>>\n";
  const std::pair<int, std::string> pages[] = {
      {6, procSet + font + "/XObject <<\n/I1 8 0 R\n>>\n>>\n/Contents 7 0 R>>"},
      {9, procSet + "/XObject <<\n/I3 12 0 R\n>>\n>>\n/Contents 10 0 R>>"},
      {13, procSet + font + "/XObject <<\n>>\n>>\n/Contents 14 0 R>>"},
      {15, "/Resources 4 0 R\n/Contents 16 0 R>>"}};
  for (const auto& [page, resources] : pages) {
    EXPECT_NE(f.Object(page).find(resources), std::string::npos) << f.Object(page);
  }
  EXPECT_EQ(f.Object(4), "4 0 obj\n<<\n/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n" + font + "/XObject <<\n>>\n>>\nendobj\n");
  EXPECT_NE(f.Object(11).find("/Subtype /Image"), std::string::npos);  // written once, though no page shows it
}

TEST_F(PdfTest, JpegObjectTextForEveryColour) {
  const struct {
    int colour;
    const char* space;
  } cases[] = {{1, "/ColorSpace /DeviceRGB\n"},
               {3, "/ColorSpace /DeviceGray\n"},
               {4, "/ColorSpace /DeviceCMYK\n"},
               {5, "/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"}};
  for (const auto& c : cases) {
    pdf_Reset();
    ASSERT_EQ(pdf_Create(1, L"", 2), 0);
    ASSERT_EQ(pdf_AddPage(-1, L""), 0);
    const std::vector<unsigned char> jpeg(100, 0xAB);
    ASSERT_EQ(pdf_ImageFromMem(L"j", 1, c.colour, jpeg.data(), 100, 1024 / 2.8346457f, 768 / 2.8346457f, 0, 0, 10, 10),
              0);
    const testsupport::PdfFile f = SaveAndParse();
    EXPECT_EQ(f.Dictionary(7), std::string("7 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width 1024\n/Height 768\n") +
                                   c.space + "/BitsPerComponent 8\n/Filter /DCTDecode\n/Length 100>>\n");
    EXPECT_NE(f.Object(7).find(std::string(100, '\xAB') + "\nendstream\nendobj\n"), std::string::npos);
  }
}

TEST_F(PdfTest, FullPagePlacementOnA4) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const float w = 595.28f / 2.8346457f, h = 841.89f / 2.8346457f;
  const std::vector<unsigned char> jpeg = {1};
  ASSERT_EQ(pdf_ImageFromMem(L"j", 1, 1, jpeg.data(), 1, w, h, 0, 0, w, h), 0);
  const PdfDocument& d = ipf_Document();
  EXPECT_EQ(d.contents[0].imageOps, "q 595.28 0 0 841.89 0.00 0.00 cm /I1 Do Q");
  // Placed 10 mm from the left and 20 mm from the top, 100 x 50 mm.
  ASSERT_EQ(pdf_ImageFromMem(L"j", 1, 1, jpeg.data(), 1, w, h, 10, 20, 100, 50), 0);
  EXPECT_EQ(d.contents[0].imageOps, "q 283.46 0 0 141.73 28.35 643.46 cm /I1 Do Q");
}

// The same 100 x 50 mm box for every EXIF orientation: the stored picture's
// first row lands on the box's top (1), right (6), bottom (3) or left (8)
// edge, mirrored for 2, 4, 5 and 7. Values outside 1..8 place it unturned.
TEST_F(PdfTest, PlacementTurnsTheImageForItsOrientation) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::vector<unsigned char> jpeg = {1};
  const struct {
    int orientation;
    const char* matrix;
  } cases[] = {
      {1, "283.46 0 0 141.73 28.35 643.46"},   {2, "-283.46 0 0 141.73 311.81 643.46"},
      {3, "-283.46 0 0 -141.73 311.81 785.20"}, {4, "283.46 0 0 -141.73 28.35 785.20"},
      {5, "0 -141.73 -283.46 0 311.81 785.20"}, {6, "0 -141.73 283.46 0 28.35 785.20"},
      {7, "0 141.73 283.46 0 28.35 643.46"},    {8, "0 141.73 -283.46 0 311.81 643.46"},
      {0, "283.46 0 0 141.73 28.35 643.46"},   {9, "283.46 0 0 141.73 28.35 643.46"},
  };
  const PdfDocument& d = ipf_Document();
  for (const auto& c : cases) {
    ASSERT_EQ(pdf_ImageFromMem(L"j", 1, 1, jpeg.data(), 1, 20, 10, 10, 20, 100, 50, c.orientation), 0);
    EXPECT_EQ(d.contents[0].imageOps, std::string("q ") + c.matrix + " cm /I1 Do Q") << c.orientation;
  }
}

TEST_F(PdfTest, PngColourKindsWriteTheirDictionaries) {
  ASSERT_EQ(pdf_Create(1, L"", 1), 0);
  PngSpec rgb = Rgb(5, 3);
  rgb.idatChunks = 3;
  PngSpec gray;
  gray.width = 4;
  gray.height = 2;
  gray.colourType = 0;
  gray.pixels.assign(8, 0x40);
  PngSpec indexed;
  indexed.width = 16;
  indexed.height = 16;
  indexed.colourType = 3;
  for (int i = 0; i < 256; ++i) {
    indexed.pixels.push_back(static_cast<unsigned char>(i));
    indexed.palette.insert(indexed.palette.end(), {static_cast<unsigned char>(i), 0, static_cast<unsigned char>(255 - i)});
  }
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(Place(L"rgb", 2, 1, MakePng(rgb), 5, 3), 0);     // 7
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(Place(L"gray", 2, 3, MakePng(gray), 4, 2), 0);   // 10
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(Place(L"pal", 2, 2, MakePng(indexed), 16, 16), 0);  // 13, palette 14
  const testsupport::PdfFile f = SaveAndParse();

  const std::string rgbData = [&] { auto z = testsupport::PngZlibData(rgb); return std::string(z.begin(), z.end()); }();
  EXPECT_EQ(f.Dictionary(7),
            "7 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width 5\n/Height 3\n/ColorSpace /DeviceRGB\n"
            "/BitsPerComponent 8\n/Filter /FlateDecode\n/DecodeParms <</Predictor 15 /Colors 3 "
            "/BitsPerComponent 8 /Columns 5>>\n/Length " + std::to_string(rgbData.size()) + ">>\n");
  EXPECT_EQ(f.Stream(7), rgbData);  // three IDAT chunks joined into one stream

  EXPECT_NE(f.Dictionary(10).find("/ColorSpace /DeviceGray\n/BitsPerComponent 8\n/Filter /FlateDecode\n"
                                  "/DecodeParms <</Predictor 15 /Colors 1 /BitsPerComponent 8 /Columns 4>>\n"),
            std::string::npos);
  EXPECT_NE(f.Dictionary(13).find("/ColorSpace [/Indexed /DeviceRGB 255 14 0 R]\n"), std::string::npos);
  EXPECT_NE(f.Dictionary(13).find("/Colors 1 /BitsPerComponent 8 /Columns 16>>"), std::string::npos);
  EXPECT_EQ(f.Dictionary(14), "14 0 obj\n<</Length 768>>\n");
  EXPECT_EQ(f.Stream(14), std::string(indexed.palette.begin(), indexed.palette.end()));
  // The palette directly follows its image in the file.
  EXPECT_EQ(f.offsets.at(14), f.offsets.at(13) + static_cast<std::int64_t>(f.Object(13).size()));
}

TEST_F(PdfTest, ParameterErrorsStoreNothing) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::vector<unsigned char> data = {1, 2, 3};
  const struct {
    int kind, colour, location;
  } cases[] = {{0, 1, 1791}, {3, 1, 1791}, {1, 0, 1798}, {2, 4, 1798}, {1, 6, 1798}, {1, 2, 1802}};
  for (const auto& c : cases) {
    EXPECT_EQ(Place(L"x", c.kind, c.colour, data), 2);
    EXPECT_EQ(pdf_GetErrorText(), L"Invalid parameters\r\n\r\nin pdf_ImageFromMem() on line " +
                                      std::to_wstring(c.location) + L".\r\n");
  }
  EXPECT_TRUE(ipf_Document().images.empty());
  EXPECT_EQ(ipf_Document().objectCount, 6);
}

TEST_F(PdfTest, OutOfMemoryWhileStoringAnImage) {
  PngSpec indexed;
  indexed.width = 2;
  indexed.height = 1;
  indexed.colourType = 3;
  indexed.pixels = {0, 1};
  indexed.palette = {0, 0, 0, 255, 255, 255};
  const auto png = MakePng(indexed);
  const std::vector<unsigned char> jpeg = {1, 2};
  const struct {
    int location, kind, colour;
  } cases[] = {{1817, 1, 1}, {1835, 1, 1}, {1849, 2, 2}, {1853, 2, 2}, {1856, 2, 2}};
  for (const auto& c : cases) {
    pdf_Reset();
    ASSERT_EQ(pdf_Create(1, L"", 2), 0);
    ASSERT_EQ(pdf_AddPage(-1, L""), 0);
    ipf_SetAllocationFailureForTesting(c.location);
    EXPECT_EQ(Place(L"x", c.kind, c.colour, c.kind == 1 ? jpeg : png), 1);
    EXPECT_EQ(pdf_GetErrorText(), L"Out of memory\r\n\r\nin pdf_ImageFromMem() on line " +
                                      std::to_wstring(c.location) + L".\r\n");
  }
}

TEST_F(PdfTest, IndexedPngWithoutPaletteIsRefused) {
  PngSpec layout = Rgb(2, 2);  // colour type 2: no PLTE chunk
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  EXPECT_EQ(Place(L"x", 2, 2, MakePng(layout)), 1);
  EXPECT_EQ(pdf_GetErrorText(), L"Out of memory\r\n\r\nin pdf_ImageFromMem() on line 1856.\r\n");
}

// --- The chunk walk on damaged and hostile data -----------------------------

std::int32_t Walk(const std::vector<unsigned char>& data, std::int64_t& total) {
  return ipf_CalcRawDataSizePNG(data.data(), static_cast<std::int64_t>(data.size()), total);
}

void PutLength(std::vector<unsigned char>& png, std::size_t at, std::uint32_t length) {
  png[at] = static_cast<unsigned char>(length >> 24);
  png[at + 1] = static_cast<unsigned char>(length >> 16);
  png[at + 2] = static_cast<unsigned char>(length >> 8);
  png[at + 3] = static_cast<unsigned char>(length);
}

TEST(PngWalk, SumsIdatAndStopsAtIend) {
  PngSpec layout = Rgb(40, 30);
  layout.idatChunks = 4;
  layout.ancillaryBeforeIdat = true;
  const auto png = MakePng(layout);
  std::int64_t total = 0;
  EXPECT_EQ(Walk(png, total), 0);
  EXPECT_EQ(total, static_cast<std::int64_t>(testsupport::PngZlibData(layout).size()));
  std::vector<unsigned char> idat;
  EXPECT_TRUE(ipf_ExtractIDAT(png.data(), static_cast<std::int64_t>(png.size()), total, idat));
  EXPECT_EQ(idat, testsupport::PngZlibData(layout));
}

TEST(PngWalk, RejectsEveryKindOfDamageWithoutReadingOutside) {
  const auto good = MakePng(Rgb(3, 3));
  const std::size_t first = 33;  // length field of the first chunk after IHDR
  std::int64_t total = 0;

  std::vector<std::vector<unsigned char>> bad;
  bad.emplace_back(good.begin(), good.begin() + 20);                     // shorter than the header
  bad.emplace_back(good.begin(), good.begin() + 33);                     // nothing after IHDR
  bad.emplace_back(good.begin(), good.end() - 12);                       // no IEND
  bad.emplace_back(good.begin(), good.end() - 13);                       // cut inside a chunk
  for (const std::uint32_t length : {0u, 0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFF4u, 1000000u}) {
    auto png = good;
    PutLength(png, first, length);  // zero, negative, huge, overflowing, past the end
    bad.push_back(png);
  }
  {
    // An ancillary chunk of length 0 before IEND.
    std::vector<unsigned char> png(good.begin(), good.end() - 12);
    testsupport::AppendPngChunk(png, "tIME", {});
    testsupport::AppendPngChunk(png, "IEND", {});
    bad.push_back(png);
  }
  {
    // A file whose chunks are well formed but that holds no image data.
    std::vector<unsigned char> png(good.begin(), good.begin() + 33);
    testsupport::AppendPngChunk(png, "IEND", {});
    bad.push_back(png);
  }
  for (std::size_t i = 0; i < bad.size(); ++i) {
    // An exact-size heap copy lets AddressSanitizer catch any read past the end.
    const std::vector<unsigned char> exact(bad[i]);
    EXPECT_EQ(Walk(exact, total), 5) << "case " << i;
  }
  EXPECT_EQ(ipf_CalcRawDataSizePNG(nullptr, 0, total), 5);
}

TEST_F(PdfTest, DamagedPngGivesCode5AndItsText) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::vector<unsigned char> junk(10, 0);
  EXPECT_EQ(Place(L"x", 2, 1, junk), 5);
  EXPECT_EQ(pdf_GetErrorText(),
            L"Unsupported PNG header or data corrupted\r\n\r\nin pdf_ImageFromMem() on line 1844.\r\n");
}

// Random damage to real PNGs: the walk must either succeed with a total that
// fits the data or fail with 5, and never touch memory outside the block.
TEST(PngWalk, SurvivesRandomMutation) {
  std::mt19937 rng(20261207);
  PngSpec layout = Rgb(17, 9);
  layout.idatChunks = 3;
  layout.ancillaryBeforeIdat = true;
  const auto seed = MakePng(layout);
  int accepted = 0;
  for (int iteration = 0; iteration < 20000; ++iteration) {
    std::vector<unsigned char> png = seed;
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = rng() % png.size();
      switch (rng() % 4) {
        case 0: png[at] = static_cast<unsigned char>(rng()); break;
        case 1: png.resize(at); break;
        case 2: png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), static_cast<unsigned char>(rng())); break;
        default:
          if (at + 4 <= png.size()) PutLength(png, at, static_cast<std::uint32_t>(rng()));
      }
      if (png.empty()) break;
    }
    const std::vector<unsigned char> exact(png);
    std::int64_t total = 0;
    const std::int32_t code = ipf_CalcRawDataSizePNG(exact.data(), static_cast<std::int64_t>(exact.size()), total);
    ASSERT_TRUE(code == 0 || code == 5);
    if (code == 0) {
      ++accepted;
      ASSERT_LE(total, static_cast<std::int64_t>(exact.size()));
      std::vector<unsigned char> idat;
      ASSERT_TRUE(ipf_ExtractIDAT(exact.data(), static_cast<std::int64_t>(exact.size()), total, idat));
      ASSERT_EQ(static_cast<std::int64_t>(idat.size()), total);
      std::vector<unsigned char> plte;
      ipf_ExtractPLTE(exact.data(), static_cast<std::int64_t>(exact.size()), plte);
    }
  }
  EXPECT_GT(accepted, 0);  // mutations of ancillary bytes keep the file usable
}

}  // namespace

namespace {

TEST_F(PdfTest, TakenOverBlocksAreWrittenLikeCopiedOnes) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  std::vector<unsigned char> jpeg = {0xFF, 0xD8, 7, 7, 0xFF, 0xD9};
  const std::vector<unsigned char> copy = jpeg;
  ASSERT_EQ(pdf_ImageFromMem(L"j", 1, 1, std::move(jpeg), 3, 3, 0, 0, 3, 3), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  std::vector<unsigned char> png = MakePng(Rgb(3, 2));
  ASSERT_EQ(pdf_ImageFromMem(L"p", 2, 1, std::move(png), 3, 2, 0, 0, 3, 2), 0);
  // A repeated name reuses the stored image and leaves the new block alone.
  std::vector<unsigned char> again = {1, 2, 3};
  ASSERT_EQ(pdf_ImageFromMem(L"j", 1, 1, std::move(again), 3, 3, 0, 0, 3, 3), 0);
  EXPECT_EQ(again.size(), 3u);
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_EQ(f.Stream(7), std::string(copy.begin(), copy.end()));
  const auto z = testsupport::PngZlibData(Rgb(3, 2));
  EXPECT_EQ(f.Stream(10), std::string(z.begin(), z.end()));
}

}  // namespace

namespace {

// One document of JPEG, RGB and palette PNG images (one of them placed
// twice), saved with its image data spilled to disk past `threshold` bytes.
std::string SpilledDocument(testsupport::TempDir& dir, std::int64_t threshold, const wchar_t* name) {
  pdf_Reset();
  ipf_SetClockForTesting(std::pair{platform::LocalDateTime{2024, 1, 2, 3, 4, 5}, platform::TimeZone{}});
  EXPECT_EQ(pdf_Create(1, L"", 2), 0);
  EXPECT_EQ(pdf_SetSpillFile(dir.File(std::wstring(name) + L".images.tmp"), threshold), 0);
  std::vector<unsigned char> jpeg(5000);
  for (std::size_t i = 0; i < jpeg.size(); ++i) jpeg[i] = static_cast<unsigned char>(i * 13);
  PngSpec palette = Rgb(20, 10);
  palette.colourType = 3;
  palette.pixels.assign(200, 1);
  palette.palette = {0, 0, 0, 255, 255, 255};
  const struct {
    const wchar_t* name;
    int kind, colour;
    std::vector<unsigned char> data;
  } images[] = {{L"a.jpg", 1, 1, jpeg}, {L"b.png", 2, 1, MakePng(Rgb(40, 30))}, {L"a.jpg", 1, 1, jpeg},
                {L"c.png", 2, 2, MakePng(palette)}, {L"d.png", 2, 1, MakePng(Rgb(7, 90))}};
  for (const auto& image : images) {
    EXPECT_EQ(pdf_AddPage(-1, L""), 0);
    EXPECT_EQ(Place(image.name, image.kind, image.colour, image.data), 0);
  }
  const std::wstring path = dir.File(name);
  EXPECT_EQ(pdf_Save(path), 0);
  pdf_Reset();
  ipf_SetClockForTesting(std::nullopt);
  return testsupport::ReadText(path);
}

TEST(PdfSpill, SpilledImagesGiveTheSameFileAndLeaveNothingBehind) {
  testsupport::TempDir dir;
  const std::string inMemory = SpilledDocument(dir, -1, L"memory.pdf");
  ASSERT_GT(inMemory.size(), 8000u);
  for (const std::int64_t threshold : {0, 1, 6000, 9000}) {
    EXPECT_EQ(SpilledDocument(dir, threshold, L"spilled.pdf"), inMemory) << "threshold " << threshold;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "the two PDFs alone";
}

TEST(PdfSpill, SpillFileThatCannotBeCreatedIsAWriterError) {
  testsupport::TempDir dir;
  pdf_Reset();
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  pdf_SetSpillFile(dir.File(L"no such folder") + L"/x.images.tmp", 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  EXPECT_EQ(Place(L"a.jpg", 1, 1, {0xFF, 0xD8, 0xFF, 0xD9}), kPdfTemporaryFileError);
  EXPECT_EQ(pdf_GetErrorText(), L"Temporary file creation error\r\n\r\nin pdf_ImageFromMem() on line 1860.\r\n");
  pdf_Reset();
}

}  // namespace
