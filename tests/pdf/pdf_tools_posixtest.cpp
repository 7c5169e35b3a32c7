// The written PDFs judged by independent tools: qpdf for structure, poppler
// for what a reader actually shows.
#include <cstdlib>

#include "pdf_fixture.h"
#include "support/host_tools.h"
#include "support/png_maker.h"

namespace {

using testsupport::Raster;

Raster Pattern(int w, int h, int seed) {
  Raster r{w, h, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      r.rgb.push_back(static_cast<unsigned char>((x * 8 + seed) & 0xFF));
      r.rgb.push_back(static_cast<unsigned char>((y * 8 + seed * 3) & 0xFF));
      r.rgb.push_back(static_cast<unsigned char>(((x ^ y) * 16) & 0xFF));
    }
  }
  return r;
}

Raster SampleCentres(const Raster& big, int factor) {
  Raster r{big.width / factor, big.height / factor, {}};
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y * factor + factor / 2) * static_cast<std::size_t>(big.width) +
                              static_cast<std::size_t>(x * factor + factor / 2)) * 3;
      r.rgb.insert(r.rgb.end(), big.rgb.begin() + static_cast<std::ptrdiff_t>(at),
                   big.rgb.begin() + static_cast<std::ptrdiff_t>(at + 3));
    }
  }
  return r;
}

int MaxDifference(const Raster& a, const Raster& b) {
  if (a.width != b.width || a.height != b.height) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(a.rgb[i] - b.rgb[i]));
  return worst;
}

double MeanDifference(const Raster& a, const Raster& b) {
  if (a.width != b.width || a.height != b.height) return 256;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(a.rgb[i] - b.rgb[i]);
  return sum / static_cast<double>(a.rgb.size());
}

// One page per image, each page exactly the image's size in points, so that
// a 72 dpi rendering maps every pixel onto one pixel.
void AddImagePage(const std::wstring& name, int kind, int colour, const std::vector<unsigned char>& data,
                  int w, int h) {
  const std::wstring size = std::to_wstring(w) + L"," + std::to_wstring(h);
  ASSERT_EQ(pdf_AddPage(1, size), 0);
  const auto fw = static_cast<float>(w), fh = static_cast<float>(h);
  ASSERT_EQ(pdf_ImageFromMem(name, kind, colour, data.data(), static_cast<int>(data.size()), fw, fh, 0, 0, fw, fh), 0);
}

TEST_F(PdfTest, RealToolsAcceptAndRenderEveryImageKind) {
  ASSERT_EQ(pdf_SetTitle(L"Tools (check) \\ \u00e9"), 0);
  ASSERT_EQ(pdf_Create(1, L"", 1), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);

  std::vector<Raster> expected;

  // RGB PNG with its data split over five IDAT chunks.
  const Raster rgb = Pattern(64, 48, 1);
  testsupport::PngSpec rgbSpec{64, 48, 2, rgb.rgb, {}, 5, true};
  AddImagePage(L"rgb.png", 2, 1, testsupport::MakePng(rgbSpec), 64, 48);
  expected.push_back(rgb);

  // Gray PNG.
  testsupport::PngSpec graySpec{40, 30, 0, {}, {}, 2, false};
  Raster gray{40, 30, {}};
  for (int i = 0; i < 40 * 30; ++i) {
    const auto v = static_cast<unsigned char>((i * 5) & 0xFF);
    graySpec.pixels.push_back(v);
    gray.rgb.insert(gray.rgb.end(), {v, v, v});
  }
  AddImagePage(L"gray.png", 2, 3, testsupport::MakePng(graySpec), 40, 30);
  expected.push_back(gray);

  // Palette PNG with all 256 entries in use.
  testsupport::PngSpec palSpec{32, 32, 3, {}, {}, 3, false};
  Raster pal{32, 32, {}};
  for (int i = 0; i < 256; ++i) {
    palSpec.palette.insert(palSpec.palette.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                                   static_cast<unsigned char>((i * 37) & 0xFF)});
  }
  for (int i = 0; i < 32 * 32; ++i) {
    const int index = (i * 7) % 256;
    palSpec.pixels.push_back(static_cast<unsigned char>(index));
    pal.rgb.insert(pal.rgb.end(), palSpec.palette.begin() + index * 3, palSpec.palette.begin() + index * 3 + 3);
  }
  AddImagePage(L"pal.png", 2, 2, testsupport::MakePng(palSpec), 32, 32);
  expected.push_back(pal);

  // A JPEG made by ImageMagick, embedded byte for byte.
  const Raster photo = Pattern(80, 60, 9);
  ASSERT_TRUE(testsupport::WritePpm(dir_.path() / "photo.ppm", photo));
  const auto convert = testsupport::RunCommand("/usr/bin/convert " + testsupport::Quote(dir_.path() / "photo.ppm") +
                                               " -quality 95 " + testsupport::Quote(dir_.path() / "photo.jpg"));
  ASSERT_EQ(convert.exitCode, 0) << convert.output;
  const auto jpeg = testsupport::ReadBytes(dir_.path() / "photo.jpg");
  AddImagePage(L"photo.jpg", 1, 1, jpeg, 80, 60);
  expected.push_back(photo);

  // A text-only page with every alignment's worth of escapes.
  ASSERT_EQ(pdf_AddPage(1, L"200,100"), 0);
  pdf_SetPosition(0, 0);
  ASSERT_EQ(pdf_TextBox(200, 30, L"(a) \\ b \u00e9\u20ac", 1, 2), 0);

  const std::wstring path = dir_.File(L"tools.pdf");
  ASSERT_EQ(pdf_Save(path), 0);
  const std::filesystem::path pdf(path);

  const auto check = testsupport::RunCommand("qpdf --check " + testsupport::Quote(pdf));
  EXPECT_EQ(check.exitCode, 0) << check.output;
  EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos) << check.output;

  for (std::size_t i = 0; i < expected.size(); ++i) {
    // Poppler blends neighbouring pixels at 1:1; at ten times the size the
    // centre of each 10 x 10 block is the source pixel itself.
    Raster big;
    ASSERT_TRUE(testsupport::RenderPage(pdf, static_cast<int>(i) + 1, 720, big)) << "page " << i + 1;
    const Raster page = SampleCentres(big, 10);
    if (i < 3) {
      EXPECT_EQ(MaxDifference(page, expected[i]), 0) << "lossless page " << i + 1;
    } else {
      EXPECT_LT(MeanDifference(page, expected[i]), 4.0) << "JPEG page";
    }
  }
  Raster textPage;
  ASSERT_TRUE(testsupport::RenderPage(pdf, 5, 72, textPage));
  int dark = 0;
  for (const unsigned char v : textPage.rgb) dark += v < 128;
  EXPECT_GT(dark, 50) << "the frame and the text line are drawn";

  const auto info = testsupport::RunCommand("pdfinfo " + testsupport::Quote(pdf));
  EXPECT_NE(info.output.find("Pages:           5"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Producer:        Vellum Kit 1.11 by Orrery Labs"), std::string::npos);
  EXPECT_NE(info.output.find("Title:           Tools (check) \\ \xC3\xA9"), std::string::npos) << info.output;
}

TEST_F(PdfTest, ReadersShowInfoTextInAnyLanguageExactly) {
  // Each value as the tools print it in UTF-8; qpdf marks text strings "u:".
  const struct {
    const char* key;
    std::int32_t (*set)(const std::wstring&);
    const wchar_t* value;
    const char* utf8;
  } cases[] = {
      {"Title", pdf_SetTitle, L"Ferien \u2013 C\u00f4te d\u2019Azur \u201c\u20ac\u201d",
       "Ferien \xE2\x80\x93 C\xC3\xB4te d\xE2\x80\x99" "Azur \xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x9D"},
      {"Author", pdf_SetAuthor, L"\u0391\u03b8\u03ae\u03bd\u03b1 \u041c\u043e\u0441\u043a\u0432\u0430",
       "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
      {"Creator", pdf_SetCreator, L"\u5317\u4eac (x86)", "\xE5\x8C\x97\xE4\xBA\xAC (x86)"},
  };
  for (const auto& c : cases) ASSERT_EQ(c.set(c.value), 0);
  ASSERT_EQ(pdf_Create(1, L"", 1), 0);
  ASSERT_EQ(pdf_AddPage(1, L"100,100"), 0);
  const std::wstring path = dir_.File(L"info.pdf");
  ASSERT_EQ(pdf_Save(path), 0);
  const auto check = testsupport::RunCommand("qpdf --check " + testsupport::Quote(path));
  EXPECT_EQ(check.exitCode, 0) << check.output;
  const auto info = testsupport::RunCommand("pdfinfo -enc UTF-8 " + testsupport::Quote(path));
  const auto json = testsupport::RunCommand("qpdf --json=2 " + testsupport::Quote(path));
  for (const auto& c : cases) {
    const std::string label = std::string(c.key) + ":";
    EXPECT_NE(info.output.find(label + std::string(17 - label.size(), ' ') + c.utf8 + "\n"), std::string::npos)
        << info.output;
    EXPECT_NE(json.output.find("\"/" + std::string(c.key) + "\": \"u:" + c.utf8 + "\""), std::string::npos)
        << json.output;
  }
}

TEST_F(PdfTest, RealToolsAcceptEveryStartupViewAndPaperSize) {
  const wchar_t* sizes[] = {L"595.28,841.89", L"841.89,1190.55", L"1190.55,1683.78", L"612.00,792.00", L"612.00,1008.00"};
  for (int view = 1; view <= 4; ++view) {
    pdf_Reset();
    ASSERT_EQ(pdf_Create(view % 2 + 1, sizes[view], 2), 0);
    pdf_SetDisplayMode(view, view % 2 + 1);
    ASSERT_EQ(pdf_SetFont(L"Courier", 12), 0);
    for (int p = 0; p < 3; ++p) {
      ASSERT_EQ(pdf_AddPage(-1, L""), 0);
      pdf_SetPosition(0, 0);
      pdf_TextBox(100, 10, L"page " + std::to_wstring(p), 0, 3);
    }
    const std::wstring name = L"view" + std::to_wstring(view) + L".pdf";
    ASSERT_EQ(pdf_Save(dir_.File(name)), 0);
    const auto check = testsupport::RunCommand("qpdf --check " + testsupport::Quote(dir_.path() / name));
    EXPECT_EQ(check.exitCode, 0) << check.output;
  }
}

}  // namespace
