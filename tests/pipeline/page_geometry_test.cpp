#include <gtest/gtest.h>

#include "pipeline/page_geometry.h"

namespace {

Settings Paper(int format, int enlarge = 0, int keep = 1, int header = 0) {
  Settings s;
  s.PaperFormat = format;
  s.EnlargeToFit = enlarge;
  s.KeepAspect = keep;
  s.DisplayHeader = header;
  return s;
}

void ExpectPlaced(const PagePlacement& p, float x, float y, float w, float h) {
  EXPECT_NEAR(p.x, x, 0.01f);
  EXPECT_NEAR(p.y, y, 0.01f);
  EXPECT_NEAR(p.width, w, 0.01f);
  EXPECT_NEAR(p.height, h, 0.01f);
  EXPECT_FALSE(p.overflow);
}

TEST(PaperTable, SizesNamesAndPaperlessText) {
  EXPECT_EQ(PaperSizeText(1), L"595.28,841.89");
  EXPECT_EQ(PaperSizeText(2), L"841.89,1190.55");
  EXPECT_EQ(PaperSizeText(3), L"1190.55,1683.78");
  EXPECT_EQ(PaperSizeText(4), L"612.00,792.00");
  EXPECT_EQ(PaperSizeText(5), L"612.00,1008.00");
  EXPECT_EQ(PaperSizeText(6), L"");
  EXPECT_EQ(PaperName(4), L"Letter");
  EXPECT_EQ(PaperName(6), L"Paperless");
  EXPECT_EQ(PageSizeText(300, 200, 1), L"300.00,200.00");
  EXPECT_EQ(PageSizeText(300, 200, 2), L"200.00,300.00");
  float w = 0, h = 0;
  ParsePageSize(L"612.00,1008.00", w, h);
  EXPECT_FLOAT_EQ(w, 612.0f);
  EXPECT_FLOAT_EQ(h, 1008.0f);
}

TEST(Millimetres, RoundToWholePointsFirst) {
  EXPECT_NEAR(Millimetres(595.28f), 595.0f / 2.8346457f, 1e-4f);
  EXPECT_NEAR(Millimetres(841.5f), 842.0f / 2.8346457f, 1e-4f);
  EXPECT_NEAR(Millimetres(1024.0f), 361.2444f, 1e-3f);
}

TEST(FitRules, SmallImageKeepsItsTrueSizeCentred) {
  // A4: (595.28 - 100) / 2 = 247.64, (841.89 - 50) / 2 = 395.945.
  ExpectPlaced(PlaceImage(100, 50, 1, Paper(1)), 247.64f, 395.945f, 100, 50);
}

TEST(FitRules, EnlargeWithAspectTouchesTwoEdges) {
  // 595.28 wide, 50 x 5.9528 = 297.64 high, centred vertically.
  ExpectPlaced(PlaceImage(100, 50, 1, Paper(1, 1, 1)), 0, 272.125f, 595.28f, 297.64f);
  // A tall one touches top and bottom instead: 1000 x 841.89 / 2000 = 420.945 wide.
  ExpectPlaced(PlaceImage(1000, 2000, 1, Paper(1, 1, 1)), 87.1675f, 0, 420.945f, 841.89f);
}

TEST(FitRules, ImageAsWideAsThePageGoesThroughTheAspectRule) {
  // Letter is 612 wide: pw = iw is not "smaller", so the aspect rule applies.
  ExpectPlaced(PlaceImage(612, 100, 1, Paper(4)), 0, 346, 612, 100);
}

TEST(FitRules, StretchFillsTheAreaAndLargeImagesKeepTheirAspectWithoutEnlarge) {
  ExpectPlaced(PlaceImage(100, 50, 1, Paper(1, 1, 0)), 0, 0, 595.28f, 841.89f);
  ExpectPlaced(PlaceImage(2000, 1000, 1, Paper(1, 0, 0)), 0, 272.125f, 595.28f, 297.64f);
}

TEST(FitRules, LandscapeAndHeaderBands) {
  const PagePlacement p = PlaceImage(100, 100, 2, Paper(1, 0, 1, 1));
  EXPECT_NEAR(p.areaWidth, 841.89f, 0.01f);
  EXPECT_NEAR(p.areaHeight, 595.28f - 2 * 28.35f, 0.01f);
  // Centred in the area, which starts one band below the top edge.
  ExpectPlaced(p, 370.945f, (538.58f - 100) / 2 + 28.35f, 100, 100);
  // Without the header the landscape area is the whole page.
  const PagePlacement q = PlaceImage(100, 100, 2, Paper(1));
  EXPECT_NEAR(q.areaHeight, 595.28f, 0.01f);
}

TEST(FitRules, PaperlessPagesAreTheImageAndIgnoreHeaderAndOrientation) {
  for (const int orientation : {1, 2}) {
    const PagePlacement p = PlaceImage(640, 480, orientation, Paper(6, 1, 0, 1));
    ExpectPlaced(p, 0, 0, 640, 480);
    EXPECT_FLOAT_EQ(p.areaWidth, 640);
    EXPECT_FLOAT_EQ(p.areaHeight, 480);
  }
}

// Images with (almost) the area's own shape make single-precision
// arithmetic land a hair beyond the area; that is never an internal error.
TEST(FitRules, RoundingNeverLooksLikeAnOverflow) {
  for (const int format : {1, 2, 3, 4, 5}) {
    for (const int orientation : {1, 2}) {
      for (const int header : {0, 1}) {
        const Settings s = Paper(format, 1, 1, header);
        for (int iw = 1; iw <= 4000; iw += 37) {
          for (int ih = 1; ih <= 4000; ih += 41) {
            const PagePlacement p = PlaceImage(iw, ih, orientation, s);
            ASSERT_FALSE(p.overflow) << iw << "x" << ih;
            ASSERT_LE(p.width, p.areaWidth);
            ASSERT_LE(p.height, p.areaHeight * 1.00001f);
          }
        }
      }
    }
  }
}

TEST(FitRules, EmptyImagePlacesNothing) {
  const PagePlacement p = PlaceImage(0, 10, 1, Paper(1));
  EXPECT_EQ(p.width, 0);
  EXPECT_FALSE(p.overflow);
}

}  // namespace
