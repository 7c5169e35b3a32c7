#include "pdf_fixture.h"

namespace {

const PdfContent& PageContent(std::size_t page) {
  const PdfDocument& d = ipf_Document();
  return d.contents[*d.pages.at(page).content];
}

TEST_F(PdfTest, PageSizesAndOrientation) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(2, L"595.28,841.89"), 0);   // landscape from a portrait size
  ASSERT_EQ(pdf_AddPage(-1, L"612.00,1008.00"), 0);  // explicit size, default orientation
  ASSERT_EQ(pdf_AddPage(1, L"300"), 0);              // no comma: height 0
  ASSERT_EQ(pdf_AddPage(1, L"abc,12.5x"), 0);        // not a number: 0
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_NE(f.Object(5).find("/MediaBox [0 0 841.89 595.28]"), std::string::npos);
  EXPECT_NE(f.Object(7).find("/MediaBox [0 0 612.00 1008.00]"), std::string::npos);
  EXPECT_NE(f.Object(9).find("/MediaBox [0 0 300.00 0.00]"), std::string::npos);
  EXPECT_NE(f.Object(11).find("/MediaBox [0 0 0.00 12.50]"), std::string::npos);
}

TEST_F(PdfTest, DocumentDefaultsComeFromCreate) {
  ASSERT_EQ(pdf_Create(2, L"612.00,792.00", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_NE(f.Object(5).find("/MediaBox [0 0 792.00 612.00]"), std::string::npos);
}

TEST_F(PdfTest, UnitsSetTheScale) {
  const std::pair<int, float> cases[] = {{1, 1.0f}, {2, 2.8346457f}, {3, 72.0f}};
  for (const auto& [unit, scale] : cases) {
    pdf_Reset();
    pdf_Create(1, L"", unit);
    EXPECT_FLOAT_EQ(ipf_Document().scale, scale);
  }
  pdf_Reset();
  pdf_Create(1, L"", 7);  // unknown: the current unit (millimetres) stays
  EXPECT_EQ(ipf_Document().unit, 2);
}

TEST_F(PdfTest, CentredTextBoxMatchesTheWorkedExample) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  pdf_SetPosition(0, 0);
  ASSERT_EQ(pdf_TextBox(210, 10, L"ab", 0, 2), 0);
  EXPECT_EQ(PageContent(0).fontOps, "BT /F1 10.00 Tf ET");
  EXPECT_EQ(PageContent(0).textOps, "BT 292.08 824.72 Td (ab) Tj ET");
  EXPECT_NEAR(pdf_GetTextWidth(L"ab"), 3.92f, 0.005f);
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_EQ(f.Stream(7), "BT /F1 10.00 Tf ET\nBT 292.08 824.72 Td (ab) Tj ET\n");
}

TEST_F(PdfTest, LeftAndRightAlignmentKeepFiveMillimetresInside) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Courier", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  pdf_SetPosition(0, 0);
  pdf_TextBox(210, 10, L"abc", 0, 1);
  // 5 mm = 14.17 points.
  EXPECT_EQ(PageContent(0).textOps, "BT 14.17 824.72 Td (abc) Tj ET");
  pdf_TextBox(210, 10, L"abc", 0, 3);
  // Right end at 205 mm: 581.10 points, minus 3 × 6 points of Courier.
  EXPECT_EQ(PageContent(0).textOps, "BT 563.10 824.72 Td (abc) Tj ET");
  pdf_TextBox(210, 10, L"abc", 0, 0);
  EXPECT_EQ(PageContent(0).textOps, "BT 14.17 824.72 Td (abc) Tj ET");
}

TEST_F(PdfTest, InsetDependsOnTheUnit) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 1), 0);  // points: inset 14
  ASSERT_EQ(pdf_SetFont(L"Courier", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  pdf_SetPosition(100, 50);
  pdf_TextBox(200, 20, L"x", 0, 1);
  EXPECT_EQ(PageContent(0).textOps, "BT 114.00 778.89 Td (x) Tj ET");
  pdf_Reset();
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 3), 0);  // inches: inset 0
  ASSERT_EQ(pdf_SetFont(L"Courier", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  pdf_SetPosition(1, 1);
  pdf_TextBox(2, 1, L"x", 0, 1);
  EXPECT_EQ(PageContent(0).textOps, "BT 72.00 730.89 Td (x) Tj ET");
}

TEST_F(PdfTest, FrameTextEscapingAndSlotReplacement) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 12), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  pdf_SetPosition(10, 20);
  pdf_TextBox(50, 10, L"", 1, 1);
  EXPECT_EQ(PageContent(0).textOps, "28.35 785.20 141.73 -28.35 re S ");
  EXPECT_EQ(PageContent(0).fontOps, "BT /F1 12.00 Tf ET");
  pdf_TextBox(50, 10, L"", 0, 1);  // neither frame nor text: empty slot
  EXPECT_EQ(PageContent(0).textOps, "");
  pdf_TextBox(50, 10, L"(a)\\", 0, 1);
  EXPECT_NE(PageContent(0).textOps.find("Td (\\(a\\)\\\\) Tj ET"), std::string::npos);
}

TEST_F(PdfTest, PageWithoutTextOrImageHasAnEmptyStream) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_EQ(f.Dictionary(6), "6 0 obj\n<</Length 0>>\n");
}

TEST_F(PdfTest, FontNamesAndWidths) {
  ASSERT_EQ(pdf_Create(1, L"", 1), 0);
  ASSERT_EQ(pdf_SetFont(L"courier", 12), 0);  // case does not matter
  EXPECT_FLOAT_EQ(pdf_GetTextWidth(L"\u00e9W"), 2 * 600 / 1000.0f * 12);
  EXPECT_EQ(pdf_SetFont(L"HELVETICA", 10), 0);
  // "W" 944, "é" (0xE9) 556, "€" (0x80) 556, Cyrillic is measured as "?" (556).
  EXPECT_FLOAT_EQ(pdf_GetTextWidth(L"W\u00e9\u20ac\u0416"), (944 + 556 + 556 + 556) / 100.0f);
  EXPECT_EQ(pdf_GetTextWidth(L""), 0.0f);

  // An unknown font is refused, yet its object is still written with its
  // name and the widths of the previous font stay.
  EXPECT_EQ(pdf_SetFont(L"Times", 12), 2);
  EXPECT_EQ(pdf_GetErrorText(), L"Invalid parameters\r\n\r\nin pdf_SetFont() on line 1547.\r\n");
  EXPECT_FLOAT_EQ(pdf_GetTextWidth(L"W"), 944 / 1000.0f * 12);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const testsupport::PdfFile f = testsupport::ParsePdf(SaveBytes());
  EXPECT_NE(f.Object(ipf_Document().font.number).find("/BaseFont /Times\n"), std::string::npos);
}

TEST_F(PdfTest, LowerCaseCourierIsWrittenAsPassed) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"courier", 12), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const testsupport::PdfFile f = SaveAndParse();
  EXPECT_NE(f.Object(5).find("/BaseFont /courier\n"), std::string::npos);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(ipf_Document().charWidths[i], 600);
}

TEST_F(PdfTest, TextBeforeAnyPageIsIgnoredSafely) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);
  EXPECT_EQ(pdf_TextBox(10, 10, L"x", 1, 1), 0);
  const std::string jpeg = "j";
  EXPECT_EQ(pdf_ImageFromMem(L"j", 1, 1, jpeg.data(), 1, 1, 1, 0, 0, 1, 1), 0);
}

}  // namespace
