#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "imaging/image_probe.h"
#include "support/png_maker.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// ---- JPEG -------------------------------------------------------------------

Bytes Segment(unsigned char marker, const Bytes& body) {
  const auto length = body.size() + 2;
  Bytes s = {0xFF, marker, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
  s.insert(s.end(), body.begin(), body.end());
  return s;
}

Bytes Quantization(unsigned char slot) {
  Bytes b = {slot};
  b.resize(65, 1);
  return b;
}

// One Huffman table with a single code of length 1.
Bytes Huffman(unsigned char kindAndSlot) {
  Bytes b = {kindAndSlot, 1};
  b.resize(17, 0);
  b.push_back(0);
  return b;
}

Bytes Frame(unsigned char precision, int width, int height, int components) {
  Bytes b = {precision, static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
             static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width),
             static_cast<unsigned char>(components)};
  for (int i = 1; i <= components; ++i) b.insert(b.end(), {static_cast<unsigned char>(i), 0x11, 0});
  return b;
}

Bytes ScanHeader(int components, unsigned char tables, unsigned char start, unsigned char end) {
  Bytes b = {static_cast<unsigned char>(components)};
  for (int i = 1; i <= components; ++i) b.insert(b.end(), {static_cast<unsigned char>(i), tables});
  b.insert(b.end(), {start, end, 0});
  return b;
}

struct JpegParts {
  unsigned char frameMarker = 0xC0;
  unsigned char precision = 8;
  int width = 64;
  int height = 48;
  int components = 3;
  unsigned char scanTables = 0x00;
  bool dcTable = true;
  bool acTable = true;
  bool quantTable = true;
  Bytes extraBeforeScan;  // any segments
  bool end = true;
  Bytes afterEnd;
};

// A JPEG file with the structure a decoder expects (its entropy data is not
// a real picture: the header walk never looks at it, except for markers).
Bytes Jpeg(const JpegParts& j) {
  Bytes d = {0xFF, 0xD8};
  auto add = [&](const Bytes& b) { d.insert(d.end(), b.begin(), b.end()); };
  add(Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}));
  if (j.quantTable) add(Segment(0xDB, Quantization(0)));
  add(Segment(j.frameMarker, Frame(j.precision, j.width, j.height, j.components)));
  if (j.dcTable) add(Segment(0xC4, Huffman(0x00)));
  if (j.acTable) add(Segment(0xC4, Huffman(0x10)));
  add(j.extraBeforeScan);
  add(Segment(0xDA, ScanHeader(j.components, j.scanTables, 0, 63)));
  add({0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0x78, 0xFF});  // a fill byte before the end
  if (j.end) add({0xFF, 0xD9});
  add(j.afterEnd);
  return d;
}

JpegVerdict Verdict(const Bytes& d, bool wholeFile = true) { return InspectJpeg(d.data(), d.size(), wholeFile).verdict; }

TEST(InspectJpeg, ReadsSizeAndStorabilityOfASoundFile) {
  const Bytes jpeg = Jpeg({});
  const JpegInfo info = InspectJpeg(jpeg.data(), jpeg.size(), true);
  EXPECT_EQ(info.verdict, JpegVerdict::Storable);
  EXPECT_EQ(info.width, 64);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(info.components, 3);
  EXPECT_EQ(info.precision, 8);
}

TEST(InspectJpeg, DecidesEveryKindOfFile) {
  const auto with = [](auto change) {
    JpegParts parts;
    change(parts);
    return Jpeg(parts);
  };
  const struct {
    const char* what;
    Bytes file;
    JpegVerdict verdict;
  } cases[] = {
      {"extended sequential", with([](JpegParts& j) { j.frameMarker = 0xC1; }), JpegVerdict::Storable},
      {"bytes after the end marker", with([](JpegParts& j) { j.afterEnd = {1, 2, 3, 0xFF}; }), JpegVerdict::Storable},
      {"restart interval", with([](JpegParts& j) { j.extraBeforeScan = Segment(0xDD, {0, 8}); }), JpegVerdict::Storable},
      {"comment", with([](JpegParts& j) { j.extraBeforeScan = Segment(0xFE, {'h', 'i'}); }), JpegVerdict::Storable},
      {"gray", with([](JpegParts& j) { j.components = 1; }), JpegVerdict::Storable},
      {"CMYK", with([](JpegParts& j) { j.components = 4; }), JpegVerdict::Storable},
      {"two components", with([](JpegParts& j) { j.components = 2; }), JpegVerdict::OtherColour},
      {"arithmetic-coded gray", with([](JpegParts& j) { j.components = 1; j.frameMarker = 0xC9; }),
       JpegVerdict::OtherColour},
      {"12-bit", with([](JpegParts& j) { j.precision = 12; j.frameMarker = 0xC1; }), JpegVerdict::OtherColour},
      {"no AC table", with([](JpegParts& j) { j.acTable = false; }), JpegVerdict::Damaged},
      {"no DC table", with([](JpegParts& j) { j.dcTable = false; }), JpegVerdict::Damaged},
      {"no quantization table", with([](JpegParts& j) { j.quantTable = false; }), JpegVerdict::Damaged},
      {"scan uses undefined table 1", with([](JpegParts& j) { j.scanTables = 0x11; }), JpegVerdict::Damaged},
      {"baseline table slot 2", with([](JpegParts& j) {
         j.scanTables = 0x22;
         j.extraBeforeScan = Segment(0xC4, Huffman(0x02));
         auto ac = Segment(0xC4, Huffman(0x12));
         j.extraBeforeScan.insert(j.extraBeforeScan.end(), ac.begin(), ac.end());
       }), JpegVerdict::Damaged},
      {"unknown marker", with([](JpegParts& j) { j.extraBeforeScan = Segment(0xF5, {1, 2}); }), JpegVerdict::Damaged},
      {"arithmetic conditioning", with([](JpegParts& j) { j.extraBeforeScan = Segment(0xCC, {0, 0x10}); }),
       JpegVerdict::Damaged},
      {"second frame", with([](JpegParts& j) { j.extraBeforeScan = Segment(0xC0, Frame(8, 8, 8, 3)); }),
       JpegVerdict::Damaged},
      {"width 0", with([](JpegParts& j) { j.width = 0; }), JpegVerdict::Damaged},
      {"height 0 (given later)", with([](JpegParts& j) { j.height = 0; }), JpegVerdict::Damaged},
      {"no end marker", with([](JpegParts& j) { j.end = false; }), JpegVerdict::Damaged},
      {"not a JPEG", Bytes{0x89, 'P', 'N', 'G', 0, 0}, JpegVerdict::NotJpeg},
      {"start marker only", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, JpegVerdict::Damaged},
  };
  for (const auto& c : cases) EXPECT_EQ(Verdict(c.file), c.verdict) << c.what;
}

TEST(InspectJpeg, ProgressiveScansNeedOnlyTheTablesTheyUse) {
  Bytes d = {0xFF, 0xD8};
  auto add = [&](const Bytes& b) { d.insert(d.end(), b.begin(), b.end()); };
  add(Segment(0xDB, Quantization(0)));
  add(Segment(0xC2, Frame(8, 32, 32, 3)));
  add(Segment(0xC4, Huffman(0x00)));
  add(Segment(0xDA, ScanHeader(3, 0x00, 0, 0)));  // DC first scan: DC table only
  add({0x11, 0x22});
  add(Segment(0xDA, ScanHeader(1, 0x00, 1, 5)));  // AC scan before its table
  add({0x33, 0xFF, 0xD9});
  EXPECT_EQ(Verdict(d), JpegVerdict::Damaged);
  // Up to the first scan the head is sound.
  EXPECT_EQ(Verdict(d, false), JpegVerdict::Storable);

  Bytes good = {0xFF, 0xD8};
  auto put = [&](const Bytes& b) { good.insert(good.end(), b.begin(), b.end()); };
  put(Segment(0xDB, Quantization(0)));
  put(Segment(0xC2, Frame(8, 32, 32, 3)));
  put(Segment(0xC4, Huffman(0x00)));
  put(Segment(0xDA, ScanHeader(3, 0x00, 0, 0)));
  put({0x11, 0x22});
  put(Segment(0xC4, Huffman(0x10)));  // defined between scans
  put(Segment(0xDA, ScanHeader(1, 0x00, 1, 5)));
  put({0x33, 0xFF, 0xD9});
  EXPECT_EQ(Verdict(good), JpegVerdict::Storable);
  // A spectral selection a progressive scan cannot have.
  Bytes bad = good;
  bad[bad.size() - 6] = 9;  // start 9 > end 5
  EXPECT_EQ(Verdict(bad), JpegVerdict::Damaged);
}

TEST(InspectJpeg, HeadOnlyWalkStopsAtTheFirstScan) {
  const Bytes jpeg = Jpeg({});
  const Bytes scanMarker = {0xFF, 0xDA};
  const auto sos = std::search(jpeg.begin(), jpeg.end(), scanMarker.begin(), scanMarker.end());
  const Bytes head(jpeg.begin(), sos + 4 + 2 * 3 + 4);
  EXPECT_EQ(Verdict(head, false), JpegVerdict::Storable);
  EXPECT_EQ(Verdict(head, true), JpegVerdict::Damaged);
  EXPECT_EQ(Verdict(Bytes(head.begin(), head.end() - 1), false), JpegVerdict::Damaged);
  EXPECT_TRUE(JpegTailComplete(jpeg.data(), jpeg.size()));
  EXPECT_FALSE(JpegTailComplete(jpeg.data(), jpeg.size() - 1));
}

// Every cut and every single changed byte of a sound file is read without
// going past the data; a cut file is never storable.
TEST(InspectJpeg, CutAndMutatedFilesStayWithinTheData) {
  const Bytes jpeg = Jpeg({});
  for (std::size_t n = 0; n < jpeg.size(); ++n) {
    const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(Verdict(cut), JpegVerdict::Storable) << "cut at " << n;
    Verdict(cut, false);
  }
  for (std::size_t i = 0; i < jpeg.size(); ++i) {
    for (const unsigned char value : {0x00, 0x01, 0x7F, 0xD9, 0xDA, 0xFF}) {
      Bytes changed = jpeg;
      changed[i] = value;
      Verdict(changed);
      Verdict(changed, false);
    }
  }
}

// ---- EXIF orientation ------------------------------------------------------------

struct ExifParts {
  bool bigEndian = false;
  std::uint32_t ifdOffset = 8;
  std::uint16_t tag = 0x0112;
  std::uint16_t type = 3;
  std::uint32_t count = 1;
  std::uint16_t value = 6;
  std::uint16_t entries = 2;  // a resolution entry first, then the tag
};

// The body of an APP1 Exif segment: "Exif\0\0", the TIFF header, IFD0.
Bytes ExifBody(const ExifParts& e) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  const auto put16 = [&](std::uint32_t v) {
    if (e.bigEndian) b.insert(b.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
    else b.insert(b.end(), {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)});
  };
  const auto put32 = [&](std::uint32_t v) {
    if (e.bigEndian) { put16(v >> 16); put16(v & 0xFFFF); }
    else { put16(v & 0xFFFF); put16(v >> 16); }
  };
  if (e.bigEndian) b.insert(b.end(), {'M', 'M'});
  else b.insert(b.end(), {'I', 'I'});
  put16(42);
  put32(e.ifdOffset);
  put16(e.entries);
  put16(0x011A), put16(5), put32(1), put32(0);  // XResolution, a RATIONAL elsewhere
  put16(e.tag), put16(e.type), put32(e.count), put16(e.value), put16(0);
  put32(0);  // no next IFD
  return b;
}

std::int32_t Orientation(const ExifParts& e) {
  const Bytes body = ExifBody(e);
  return ExifOrientation(body.data(), body.size());
}

TEST(ExifOrientation, ReadsTheTagInBothByteOrders) {
  for (const bool bigEndian : {false, true}) {
    for (std::uint16_t value = 1; value <= 8; ++value) {
      ExifParts e;
      e.bigEndian = bigEndian;
      e.value = value;
      EXPECT_EQ(Orientation(e), value) << bigEndian;
    }
  }
}

TEST(ExifOrientation, AnythingUnsoundIsUpright) {
  const struct {
    const char* what;
    void (*change)(ExifParts&);
  } cases[] = {
      {"value 0", [](ExifParts& e) { e.value = 0; }},
      {"value 9", [](ExifParts& e) { e.value = 9; }},
      {"another tag", [](ExifParts& e) { e.tag = 0x0110; }},
      {"type LONG", [](ExifParts& e) { e.type = 4; }},
      {"two values", [](ExifParts& e) { e.count = 2; }},
      {"IFD past the end", [](ExifParts& e) { e.ifdOffset = 4000; }},
      {"IFD inside the header", [](ExifParts& e) { e.ifdOffset = 2; }},
      {"more entries than bytes", [](ExifParts& e) { e.entries = 3; }},
      {"huge entry count", [](ExifParts& e) { e.entries = 0xFFFF; }},
  };
  for (const auto& c : cases) {
    ExifParts e;
    c.change(e);
    EXPECT_EQ(Orientation(e), 1) << c.what;
  }
  Bytes body = ExifBody({});
  body[6] = 'X';  // byte order neither II nor MM
  EXPECT_EQ(ExifOrientation(body.data(), body.size()), 1);
  body = ExifBody({});
  body[0] = 'e';  // not Exif
  EXPECT_EQ(ExifOrientation(body.data(), body.size()), 1);
  EXPECT_EQ(ExifOrientation(nullptr, 0), 1);
  // Every cut stays within the data, and none invents a turn.
  body = ExifBody({});
  for (std::size_t n = 0; n < body.size(); ++n) {
    const std::int32_t o = ExifOrientation(body.data(), n);
    EXPECT_TRUE(o == 1 || o == 6) << n;
  }
}

TEST(InspectJpeg, TakesTheOrientationOfTheFirstExifSegment) {
  ExifParts turned;
  turned.value = 8;
  JpegParts parts;
  parts.extraBeforeScan = Segment(0xE1, ExifBody(turned));
  Bytes second = Segment(0xE1, ExifBody({}));
  parts.extraBeforeScan.insert(parts.extraBeforeScan.end(), second.begin(), second.end());
  const Bytes jpeg = Jpeg(parts);
  for (const bool whole : {true, false}) {
    const JpegInfo info = InspectJpeg(jpeg.data(), jpeg.size(), whole);
    EXPECT_EQ(info.verdict, JpegVerdict::Storable);
    EXPECT_EQ(info.orientation, 8);
  }
  EXPECT_EQ(InspectJpeg(Jpeg({}).data(), Jpeg({}).size(), true).orientation, 1);
  // A damaged Exif block leaves the file storable and upright.
  ExifParts broken;
  broken.ifdOffset = 0xFFFFFFF0;
  parts.extraBeforeScan = Segment(0xE1, ExifBody(broken));
  const Bytes damaged = Jpeg(parts);
  const JpegInfo info = InspectJpeg(damaged.data(), damaged.size(), true);
  EXPECT_EQ(info.verdict, JpegVerdict::Storable);
  EXPECT_EQ(info.orientation, 1);
}

// ---- PNG ----------------------------------------------------------------------

Bytes Png(int colourType, int width = 4, int height = 3) {
  testsupport::PngSpec shape;
  shape.width = width;
  shape.height = height;
  shape.colourType = colourType;
  const int channels = colourType == 2 ? 3 : 1;
  shape.pixels.assign(static_cast<std::size_t>(width * height * channels), 0x40);
  if (colourType == 3) shape.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0};
  return testsupport::MakePng(shape);
}

// The file with one chunk added just before IEND.
Bytes WithChunk(Bytes png, const std::string& type, const Bytes& data) {
  Bytes end(png.end() - 12, png.end());
  png.resize(png.size() - 12);
  testsupport::AppendPngChunk(png, type, data);
  png.insert(png.end(), end.begin(), end.end());
  return png;
}

// IHDR's fields rewritten, with its CRC made right again.
Bytes WithHeader(const Bytes& png, std::size_t field, unsigned char value) {
  Bytes header(png.begin() + 16, png.begin() + 29);
  header[field] = value;
  Bytes rebuilt(png.begin(), png.begin() + 8);
  testsupport::AppendPngChunk(rebuilt, "IHDR", header);
  rebuilt.insert(rebuilt.end(), png.begin() + 33, png.end());
  return rebuilt;
}

TEST(InspectPng, PassesThroughOnlyFilesThePdfCanTakeAsTheyAre) {
  const struct {
    const char* what;
    Bytes file;
    std::int32_t colour;
  } cases[] = {
      {"RGB", Png(2), 1},
      {"palette", Png(3), 2},
      {"gray", Png(0), 3},
      {"text and resolution", WithChunk(WithChunk(Png(2), "tEXt", {'a', 0, 'b'}), "pHYs", Bytes(9, 1)), 1},
      {"transparency", WithChunk(Png(3), "tRNS", {0}), 0},
      {"sRGB gamma", WithChunk(Png(2), "gAMA", {0, 0, 0xB1, 0x8F}), 1},
      {"other gamma", WithChunk(Png(2), "gAMA", {0, 1, 0x86, 0xA0}), 0},
      {"unknown ancillary chunk", WithChunk(Png(2), "exIf", {1}), 0},
      {"empty ancillary chunk", WithChunk(Png(2), "tEXt", {}), 0},
      {"unknown critical chunk", WithChunk(Png(2), "ABCD", {1}), 0},
      {"interlaced", WithHeader(Png(2), 12, 1), 0},
      {"16-bit", WithHeader(Png(2), 8, 16), 0},
      {"alpha", WithHeader(Png(2), 9, 6), 0},
      {"palette without PLTE", WithHeader(Png(0), 9, 3), 0},
      {"second IHDR", WithChunk(Png(2), "IHDR", Bytes(13, 0)), 0},
  };
  for (const auto& c : cases) {
    const PngInfo info = InspectPng(c.file.data(), c.file.size(), true);
    EXPECT_EQ(PngPassThroughColour(info), c.colour) << c.what;
  }
  const Bytes png = Png(2, 5, 7);
  const PngInfo info = InspectPng(png.data(), png.size(), true);
  EXPECT_EQ(info.width, 5);
  EXPECT_EQ(info.height, 7);
}

TEST(InspectPng, DamagedFilesAreNotSound) {
  const Bytes png = Png(2);
  Bytes badCrc = png;
  badCrc[png.size() - 20] ^= 1;  // inside IDAT
  Bytes noEnd(png.begin(), png.end() - 12);
  // Image data resumed after another chunk.
  const Bytes split = WithChunk(WithChunk(Png(2), "tEXt", {'a', 0}), "IDAT", {1});
  for (const Bytes& file : {badCrc, noEnd, split}) {
    const PngInfo info = InspectPng(file.data(), file.size(), true);
    EXPECT_TRUE(info.png);
    EXPECT_FALSE(info.sound);
    EXPECT_EQ(PngPassThroughColour(info), 0);
  }
  // Head only: the header decides, the chunks are not looked at.
  const PngInfo head = InspectPng(png.data(), 33, false);
  EXPECT_TRUE(head.png);
  EXPECT_FALSE(head.sound);
  EXPECT_TRUE(PngTailComplete(png.data(), png.size()));
  EXPECT_FALSE(PngTailComplete(noEnd.data(), noEnd.size()));
  EXPECT_FALSE(InspectPng(png.data(), 32, false).png);
}

TEST(InspectPng, CutAndMutatedFilesStayWithinTheData) {
  const Bytes png = WithChunk(Png(3), "tEXt", {'k', 0, 'v'});
  for (std::size_t n = 0; n < png.size(); ++n) {
    const PngInfo info = InspectPng(png.data(), n, true);
    EXPECT_FALSE(info.sound) << "cut at " << n;
  }
  for (std::size_t i = 0; i < png.size(); ++i) {
    for (const unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
      Bytes changed = png;
      changed[i] = value;
      const PngInfo info = InspectPng(changed.data(), changed.size(), true);
      // A changed byte breaks a CRC (or is one): never sound unless unchanged.
      if (changed != png) {
        EXPECT_FALSE(info.sound) << "byte " << i << " = " << int(value);
      }
    }
  }
}

// The fixtures made by real encoders (ImageMagick) read as they should.
TEST(InspectFiles, FixturesFromRealEncoders) {
  const auto read = [](const char* name) {
    return testsupport::ReadBytes(std::filesystem::path(QUILLON_SOURCE_DIR) / "tests/imaging/fixtures" / name);
  };
  const struct {
    const char* name;
    JpegVerdict verdict;
    bool adobe;
  } jpegs[] = {{"progressive.jpg", JpegVerdict::Storable, false},
               {"gray.jpg", JpegVerdict::Storable, false},
               {"cmyk.jpg", JpegVerdict::Storable, true}};
  for (const auto& j : jpegs) {
    const Bytes file = read(j.name);
    ASSERT_FALSE(file.empty()) << j.name;
    EXPECT_EQ(Verdict(file), j.verdict) << j.name;
    EXPECT_EQ(InspectJpeg(file.data(), file.size(), true).adobe, j.adobe) << j.name;
    EXPECT_EQ(Verdict(file, false), j.verdict) << j.name;
    EXPECT_TRUE(JpegTailComplete(file.data(), file.size())) << j.name;
  }
  const struct {
    const char* name;
    std::int32_t colour;
  } pngs[] = {{"gray.png", 3}, {"palette.png", 2}, {"interlaced.png", 0}, {"rgb16.png", 0}};
  for (const auto& p : pngs) {
    const Bytes file = read(p.name);
    const PngInfo info = InspectPng(file.data(), file.size(), true);
    EXPECT_TRUE(info.sound) << p.name;
    EXPECT_EQ(PngPassThroughColour(info), p.colour) << p.name;
  }
}


// ---- GIF and BMP ---------------------------------------------------------------

Bytes Gif(bool global, std::initializer_list<Bytes> blocks) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 3, 0, static_cast<unsigned char>(global ? 0x80 : 0), 0, 0};
  if (global) gif.insert(gif.end(), {0, 0, 0, 255, 255, 255});
  for (const Bytes& block : blocks) gif.insert(gif.end(), block.begin(), block.end());
  gif.push_back(0x3B);
  return gif;
}

const Bytes kExtension = {0x21, 0xF9, 4, 1, 0, 0, 1, 0};
const Bytes kImage = {0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0, 2, 2, 0x44, 0x01, 0};
const Bytes kSmallImage = {0x2C, 1, 0, 0, 0, 3, 0, 3, 0, 0, 2, 2, 0x44, 0x01, 0};
const Bytes kImageWithTable = {0x2C, 0, 0, 0, 0, 4, 0, 3, 0, 0x80, 0, 0, 0, 9, 9, 9, 2, 2, 0x44, 0x01, 0};

TEST(InspectGif, FindsAnImageWithoutAnyColourTable) {
  const struct {
    const char* name;
    Bytes file;
    bool withoutColours;
    bool fillsScreen;
  } cases[] = {
      {"global table", Gif(true, {kExtension, kImage}), false, true},
      {"local table", Gif(false, {kExtension, kImageWithTable}), false, true},
      {"no table at all", Gif(false, {kExtension, kImage}), true, true},
      {"second frame without", Gif(false, {kImageWithTable, kExtension, kImage}), true, true},
      {"no image", Gif(false, {kExtension}), false, false},
      {"first image smaller", Gif(true, {kSmallImage, kImage}), false, false},
  };
  for (const auto& c : cases) {
    const GifInfo info = InspectGif(c.file.data(), c.file.size());
    EXPECT_TRUE(info.gif) << c.name;
    EXPECT_EQ(info.width, 4) << c.name;
    EXPECT_EQ(info.imageWithoutColours, c.withoutColours) << c.name;
    EXPECT_EQ(info.trailer, !c.withoutColours) << c.name;
    EXPECT_EQ(info.firstImageFillsScreen, c.fillsScreen) << c.name;
    // Cut anywhere, the walk stays within the data and never sees the end.
    for (std::size_t n = 0; n < c.file.size(); ++n) EXPECT_FALSE(InspectGif(c.file.data(), n).trailer) << n;
  }
  const Bytes png = Png(2);
  EXPECT_FALSE(InspectGif(png.data(), png.size()).gif);
}

// A bottom-up run-length BMP of width x height, palette first, then runs.
Bytes Bmp(std::int32_t bits, std::int32_t width, std::int32_t height, const Bytes& palette, const Bytes& runs) {
  const auto le = [](Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  Bytes b = {'B', 'M'};
  const auto offset = static_cast<std::uint32_t>(54 + palette.size());
  le(b, offset + static_cast<std::uint32_t>(runs.size()), 4), le(b, 0, 4), le(b, offset, 4);
  le(b, 40, 4), le(b, static_cast<std::uint32_t>(width), 4), le(b, static_cast<std::uint32_t>(height), 4);
  le(b, 1, 2), le(b, static_cast<std::uint32_t>(bits), 2), le(b, bits == 8 ? 1 : 2, 4);
  le(b, static_cast<std::uint32_t>(runs.size()), 4), le(b, 0, 4), le(b, 0, 4);
  le(b, static_cast<std::uint32_t>(palette.size() / 4), 4), le(b, 0, 4);
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), runs.begin(), runs.end());
  return b;
}

// Index 0 is green: pixels the runs skip must not take it.
const Bytes kPalette = {0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};  // green, red, blue
constexpr char G = 'g', R = 'r', B = 'b', K = 'k';

std::string Picture(const DecodedBmp& d) {
  std::string rows;
  for (std::int32_t y = 0; y < d.height; ++y) {
    for (std::int32_t x = 0; x < d.width; ++x) {
      const unsigned char* p = d.pixels.data() + static_cast<std::size_t>(y) * d.stride + 3 * x;
      rows += p[2] == 255 ? R : p[1] == 255 ? G : p[0] == 255 ? B : K;
    }
    rows += '|';
  }
  return rows;
}

Bytes Changed(Bytes b, std::size_t at, unsigned char value) {
  b[at] = value;
  return b;
}

TEST(DecodeRunLengthBmp, SkippedPixelsAreBlack) {
  const Bytes two = Bmp(8, 2, 1, kPalette, {2, 1, 0, 1});
  const struct {
    const char* name;
    Bytes file;
    std::string picture;  // top row first; empty: refused
  } cases[] = {
      {"runs and end of line", Bmp(8, 4, 2, kPalette, {4, 1, 0, 0, 2, 2, 0, 0, 0, 1}), "bbkk|rrrr|"},
      {"delta", Bmp(8, 4, 2, kPalette, {1, 1, 0, 2, 2, 1, 1, 2, 0, 1}), "kkkb|rkkk|"},
      {"early end", Bmp(8, 3, 2, kPalette, {3, 0, 0, 1}), "kkk|ggg|"},
      {"absolute, padded", Bmp(8, 4, 1, kPalette, {0, 3, 1, 2, 1, 0, 1, 2, 0, 1}), "rbrb|"},
      {"index past the palette", Bmp(8, 2, 1, kPalette, {2, 7, 0, 1}), "kk|"},
      {"data cut short", Bmp(8, 4, 1, kPalette, {2, 1, 0}), "rrkk|"},
      {"four bits", Bmp(4, 4, 1, kPalette, {3, 0x12, 0, 0, 0, 1}), "rbrk|"},
      {"four bits absolute", Bmp(4, 4, 1, kPalette, {0, 3, 0x21, 0x10, 0, 1}), "brrk|"},
      {"not compressed", Changed(two, 30, 0), ""},
      {"rows top first", Changed(two, 25, 0xFF), ""},
      {"palette cut short", Bytes(two.begin(), two.begin() + 60), ""},
      {"beyond any canvas", Bmp(8, 0x7FFFFFFF, 0x7FFFFFFF, kPalette, {0, 1}), ""},
      {"runs said to start past the end", Changed(two, 11, 0x10), ""},
  };
  for (const auto& c : cases) {
    DecodedBmp decoded;
    EXPECT_EQ(DecodeRunLengthBmp(c.file.data(), c.file.size(), decoded), !c.picture.empty()) << c.name;
    if (!c.picture.empty()) {
      EXPECT_EQ(Picture(decoded), c.picture) << c.name;
    }
  }
}

// ---- TIFF page directories ----------------------------------------------------

constexpr std::int64_t kEnd = -1, kPastEnd = -2;

// A TIFF file of directories laid one after another (entries of zeros: the
// walk reads only counts and links); links[i] is where directory i leads:
// kEnd, kPastEnd or the index of a directory.
Bytes TiffChain(bool bigEndian, bool big, const std::vector<std::int64_t>& links, std::uint64_t entries = 1) {
  const std::size_t word = big ? 8 : 4, count = big ? 8 : 2, header = big ? 16 : 8;
  const std::size_t directory = count + entries * (big ? 20 : 12) + word;
  const unsigned char order = bigEndian ? 'M' : 'I';
  Bytes b = {order, order};
  const auto put = [&](std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(value >> 8 * (bigEndian ? bytes - 1 - i : i)));
  };
  put(big ? 43 : 42, 2);
  if (big) put(8, 2), put(0, 2);
  put(header, word);
  const std::uint64_t end = header + links.size() * directory;
  for (const std::int64_t link : links) {
    put(entries, count);
    b.resize(b.size() + directory - count - word, 0);
    put(link == kEnd ? 0 : link == kPastEnd ? end + 100 : header + static_cast<std::uint64_t>(link) * directory, word);
  }
  return b;
}

TEST(WalkTiffPages, StopsAtTheFirstUnsoundLink) {
  const Bytes three = TiffChain(false, false, {1, 2, kEnd});
  const struct {
    const char* name;
    Bytes file;
    std::int32_t limit;
    TiffChainEnd end;
    std::int32_t count;
  } cases[] = {
      {"three pages", three, kTiffPageLimit, TiffChainEnd::Complete, 3},
      {"big-endian", TiffChain(true, false, {1, kEnd}), kTiffPageLimit, TiffChainEnd::Complete, 2},
      {"second leads back to the first", TiffChain(false, false, {1, 0}), kTiffPageLimit, TiffChainEnd::Loop, 2},
      {"big-endian loop", TiffChain(true, false, {1, 0}), kTiffPageLimit, TiffChainEnd::Loop, 2},
      {"one page leading to itself", TiffChain(false, false, {0}), kTiffPageLimit, TiffChainEnd::Loop, 1},
      {"past the end after page 3", TiffChain(false, false, {1, 2, kPastEnd}), kTiffPageLimit,
       TiffChainEnd::OutsideFile, 3},
      {"third directory cut short", Bytes(three.begin(), three.end() - 3), kTiffPageLimit, TiffChainEnd::Damaged, 2},
      {"count cut short", Bytes(three.begin(), three.end() - 17), kTiffPageLimit, TiffChainEnd::Damaged, 2},
      {"no entries", TiffChain(false, false, {kEnd}, 0), kTiffPageLimit, TiffChainEnd::Damaged, 0},
      {"more entries than decoders take", TiffChain(false, false, {kEnd}, 4097), kTiffPageLimit,
       TiffChainEnd::Damaged, 0},
      {"no first directory", Changed(three, 4, 0), kTiffPageLimit, TiffChainEnd::Complete, 0},
      {"BigTIFF looping to page 2", TiffChain(false, true, {1, 2, 1}), kTiffPageLimit, TiffChainEnd::Loop, 3},
      {"BigTIFF big-endian", TiffChain(true, true, {1, kEnd}), kTiffPageLimit, TiffChainEnd::Complete, 2},
      {"BigTIFF offset beyond 4 GB", Changed(TiffChain(false, true, {kEnd}), 12, 1), kTiffPageLimit,
       TiffChainEnd::OutsideFile, 0},
      {"limit reached", three, 2, TiffChainEnd::Limit, 2},
      {"limit at the last page", three, 3, TiffChainEnd::Complete, 3},
      {"not TIFF", Changed(three, 2, 41), kTiffPageLimit, TiffChainEnd::NotTiff, 0},
  };
  for (const auto& c : cases) {
    const TiffPages pages = WalkTiffPages(c.file.data(), c.file.size(), c.limit);
    EXPECT_EQ(pages.end, c.end) << c.name;
    EXPECT_EQ(pages.count, c.count) << c.name;
  }
  // Every cut of a sound file stays within the data and never counts more.
  for (std::size_t size = 0; size < three.size(); ++size) EXPECT_LT(WalkTiffPages(three.data(), size).count, 3);
}

}  // namespace
