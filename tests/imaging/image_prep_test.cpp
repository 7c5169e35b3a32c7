#include <gtest/gtest.h>

#include <vector>

#include "imaging/encoded_check.h"
#include "imaging/image_prep.h"
#include "support/temp_dir.h"

namespace {

TEST(JpegQuality, LevelsMapToTheEncoderQualityTable) {
  const std::int32_t expected[] = {10, 20, 25, 30, 35, 50, 60, 75, 90, 100};
  for (std::int32_t level = 1; level <= 10; ++level)
    EXPECT_EQ(JpegQualityForLevel(level), expected[level - 1]) << "level " << level;
  // A hand-edited settings file must not index past the table.
  EXPECT_EQ(JpegQualityForLevel(0), 10);
  EXPECT_EQ(JpegQualityForLevel(-5), 10);
  EXPECT_EQ(JpegQualityForLevel(11), 100);
}

Settings Scaling(std::int32_t percent, std::int32_t onlyIfWider) {
  Settings s;
  s.ImageScaling = percent;
  s.ResizeOnlyIfWider = onlyIfWider;
  return s;
}

TEST(ScaledSize, HalfSizeTruncatesBothSides) {
  EXPECT_EQ(ScaledSize({1001, 601}, Scaling(50, 0)), (PixelSize{500, 300}));
  // 101 * 0.99 = 99.99: truncated, not rounded.
  EXPECT_EQ(ScaledSize({101, 101}, Scaling(99, 0)), (PixelSize{99, 99}));
}

// The scaled side is the whole part of side x percent / 100, worked out
// here by counting: n grows while 100 (n + 1) still fits in side x percent.
TEST(ScaledSize, EverySideAndPercentageMatchesTheExactWholePart) {
  for (std::int32_t percent = 1; percent <= 99; ++percent) {
    std::int64_t product = 0;
    std::int32_t whole = 0;
    for (std::int32_t side = 1; side <= 4000; ++side) {
      product += percent;
      while (100 * (static_cast<std::int64_t>(whole) + 1) <= product) ++whole;
      const auto scaled = ScaledSize({side, side}, Scaling(percent, 0));
      ASSERT_TRUE(scaled);
      const std::int32_t expected = whole < 1 ? 1 : whole;
      ASSERT_EQ(scaled->width, expected) << percent << " % of " << side;
      ASSERT_EQ(scaled->height, expected) << percent << " % of " << side;
    }
  }
  // Sides that floating point got wrong in one build or the other.
  EXPECT_EQ(ScaledSize({90, 90}, Scaling(70, 0)), (PixelSize{63, 63}));
  EXPECT_EQ(ScaledSize({300, 300}, Scaling(21, 0)), (PixelSize{63, 63}));
  EXPECT_EQ(ScaledSize({900, 900}, Scaling(13, 0)), (PixelSize{117, 117}));
  EXPECT_EQ(ScaledSize({2147483647, 2147483647}, Scaling(99, 0)), (PixelSize{2126008810, 2126008810}));
}

TEST(ScaledSize, AppliesOnlyBelowHundredAndAboveTheWidthLimit) {
  EXPECT_EQ(ScaledSize({1001, 601}, Scaling(100, 0)), std::nullopt);
  EXPECT_EQ(ScaledSize({1001, 601}, Scaling(50, 1200)), std::nullopt);
  EXPECT_EQ(ScaledSize({1001, 601}, Scaling(50, 1001)), std::nullopt);
  EXPECT_EQ(ScaledSize({1001, 601}, Scaling(50, 1000)), (PixelSize{500, 300}));
  // The limit looks at the width only: a tall narrow image stays as it is.
  EXPECT_EQ(ScaledSize({300, 5000}, Scaling(50, 1000)), std::nullopt);
}

TEST(ScaledSize, NeverMakesASideOfZeroPixels) {
  EXPECT_EQ(ScaledSize({50, 30}, Scaling(1, 0)), (PixelSize{1, 1}));
  EXPECT_EQ(ScaledSize({250, 30}, Scaling(1, 0)), (PixelSize{2, 1}));
  // Out-of-range percentages from a damaged settings record still give a drawable size.
  EXPECT_EQ(ScaledSize({640, 480}, Scaling(0, 0)), (PixelSize{1, 1}));
  EXPECT_EQ(ScaledSize({640, 480}, Scaling(-20, 0)), (PixelSize{1, 1}));
}

TEST(PreparationBytesEstimate, ComesFromTheHeadersPixelSizeElseTheFileSize) {
  const std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '7', 'a', 0x10, 0x27, 0xE8, 0x03, 0, 0, 0};
  std::vector<unsigned char> bmp(54, 0);  // 100 x -50: rows top first
  bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40, bmp[18] = 100, bmp[22] = 0xCE, bmp[23] = bmp[24] = bmp[25] = 0xFF;
  EXPECT_EQ(PreparationBytesEstimate(gif.data(), gif.size(), 500), 10000LL * 1000 * 8);
  EXPECT_EQ(PreparationBytesEstimate(bmp.data(), bmp.size(), 500), 100 * 50 * 8);
  EXPECT_EQ(PreparationBytesEstimate(bmp.data(), 5, 500), 500 * 8) << "too short to say";
}

TEST(ReadWholeFile, ReadsEveryByteAndRefusesEmptyOrMissingFiles) {
  testsupport::TempDir dir;
  std::vector<unsigned char> bytes(70000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + (i >> 8));
  testsupport::WriteBytes(dir.path() / "photo.jpg", bytes.data(), bytes.size());
  testsupport::WriteBytes(dir.path() / "empty.jpg", "", 0);

  std::vector<unsigned char> block;
  ASSERT_TRUE(ReadWholeFile(dir.File(L"photo.jpg"), block));
  EXPECT_EQ(block, bytes);

  // A failure leaves the caller without a block, whatever it held before.
  EXPECT_FALSE(ReadWholeFile(dir.File(L"empty.jpg"), block));
  EXPECT_TRUE(block.empty());
  block = bytes;
  EXPECT_FALSE(ReadWholeFile(dir.File(L"missing.jpg"), block));
  EXPECT_TRUE(block.empty());
  EXPECT_FALSE(ReadWholeFile(dir.path().wstring(), block));
}

// The checks the Windows tests apply to encoder output must themselves catch
// broken data, or their passing would prove nothing.
std::vector<unsigned char> Chunk(const char* type, const std::vector<unsigned char>& data) {
  const auto n = static_cast<std::uint32_t>(data.size());
  std::vector<unsigned char> c = {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                  static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
  for (int i = 0; i < 4; ++i) c.push_back(static_cast<unsigned char>(type[i]));
  for (const unsigned char b : data) c.push_back(b);
  c.resize(c.size() + 4);  // CRC, not checked
  return c;
}

std::vector<unsigned char> Png(std::initializer_list<std::vector<unsigned char>> chunks) {
  std::vector<unsigned char> d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto ihdr = Chunk("IHDR", {0, 0, 0, 3, 0, 0, 0, 2, 8, 2, 0, 0, 0});
  d.insert(d.end(), ihdr.begin(), ihdr.end());
  for (const auto& c : chunks) d.insert(d.end(), c.begin(), c.end());
  return d;
}

TEST(PngCheck, WalkSumsIdatAndRejectsWhatTheWriterRejects) {
  const auto good = Png({Chunk("IDAT", {1, 2, 3}), Chunk("tEXt", {9}), Chunk("IDAT", {4, 5}), Chunk("IEND", {})});
  const auto header = encoded_check::ReadPngHeader(good);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->width, 3u);
  EXPECT_EQ(header->colourType, 2);
  auto noIhdr = good;
  noIhdr[12] = 'X';
  EXPECT_EQ(encoded_check::ReadPngHeader(noIhdr), std::nullopt);
}

TEST(JpegCheck, FindsTheFrameHeaderPastOtherSegments) {
  const std::vector<unsigned char> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xC2, 0, 17, 8,
                                           0,    30,   0,    40,   3, 1, 0,   0,   0,    0,    0,  0, 0, 0};
  const auto frame = encoded_check::ReadJpegFrame(jpeg);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->precision, 8);
  EXPECT_EQ(frame->height, 30);
  EXPECT_EQ(frame->width, 40);
  EXPECT_EQ(frame->components, 3);
  EXPECT_TRUE(frame->progressive);
  EXPECT_EQ(encoded_check::ReadJpegFrame({0xFF, 0xD8, 0xFF, 0xE0, 0, 40}), std::nullopt);
}

}  // namespace
