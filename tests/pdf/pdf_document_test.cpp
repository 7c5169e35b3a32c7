#include "pdf_fixture.h"

namespace {

using testsupport::PdfFile;

TEST_F(PdfTest, SinglePageWithoutFontHasTheDocumentedLayout) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::string b = SaveBytes();

  // Object numbers: 1 pages node, 2 catalog, 3 info, 4 resources, 5 page, 6 content.
  const std::string page =
      "5 0 obj\n<<\n/Type /Page\n/Parent 1 0 R\n/MediaBox [0 0 595.28 841.89]\n"
      "/Resources 4 0 R\n/Contents 6 0 R>>\nendobj\n";
  const std::string content = "6 0 obj\n<</Length 0>>\nstream\n\nendstream\nendobj\n";
  const std::string pages = "1 0 obj\n<<\n/Type /Pages\n/Kids [ 5 0 R ]\n/Count 1\n>>\nendobj\n";
  const std::string resources =
      "4 0 obj\n<<\n/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n/XObject <<\n>>\n>>\nendobj\n";
  const std::string info =
      "3 0 obj\n<<\n/Producer (Vellum Kit 1.11 by Orrery Labs)\n/CreationDate (D:20260304050607+01'00)\n>>\nendobj\n";
  const std::string catalog =
      "2 0 obj\n<<\n/Type /Catalog\n/Pages 1 0 R\n/OpenAction [5 0 R /Fit]\n/PageLayout /OneColumn\n>>\nendobj\n";

  EXPECT_EQ(page.size(), 109u);
  EXPECT_EQ(content.size(), 47u);
  EXPECT_EQ(pages.size(), 59u);
  EXPECT_EQ(resources.size(), 82u);
  const std::string body = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n" + page + content + pages + resources + info + catalog;
  ASSERT_EQ(b.compare(0, body.size(), body), 0) << b;
  EXPECT_EQ(b.find(content), 124u);
  EXPECT_EQ(b.find(pages), 171u);
  EXPECT_EQ(b.find(resources), 230u);
  EXPECT_EQ(b.find(info), 312u);

  const std::size_t xref = body.size();
  const std::size_t catalogAt = xref - catalog.size();
  const std::string tail =
      "xref\n0 7\n0000000000 65535 f \n" +
      std::string("0000000171 00000 n \n") +   // 1 pages node
      std::string(10 - std::to_string(catalogAt).size(), '0') + std::to_string(catalogAt) + " 00000 n \n" +  // 2 catalog
      "0000000312 00000 n \n" +                // 3 info
      "0000000230 00000 n \n" +                // 4 resources
      "0000000015 00000 n \n" +                // 5 page
      "0000000124 00000 n \n" +                // 6 content
      "trailer\n<<\n/Size 7\n/Root 2 0 R\n/Info 3 0 R\n>>\n" +
      "startxref\n" + std::to_string(xref) + "\n%%EOF";
  EXPECT_EQ(b.substr(xref), tail);
}

TEST_F(PdfTest, FileOrderAndNumbersWithFontAndImage) {
  ASSERT_EQ(pdf_Create(1, L"595.28,841.89", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::string jpeg = "\xFF\xD8 fake jpeg bytes \xFF\xD9";
  ASSERT_EQ(pdf_ImageFromMem(L"a.jpg", 1, 1, jpeg.data(), static_cast<int>(jpeg.size()), 10, 10, 0, 0, 10, 10), 0);
  const PdfFile f = SaveAndParse();
  // Header, page 6, content 7, pages 1, resources 4, font 5, image 8, info 3, catalog 2.
  std::vector<std::pair<std::int64_t, int>> order;
  for (const auto& [number, offset] : f.offsets) order.emplace_back(offset, number);
  std::sort(order.begin(), order.end());
  std::vector<int> numbers;
  for (const auto& entry : order) numbers.push_back(entry.second);
  EXPECT_EQ(numbers, (std::vector<int>{6, 7, 1, 4, 5, 8, 3, 2}));
  EXPECT_EQ(f.size, 9);
  // The page names its image; the font, which it does not draw with, stays in what pages share.
  EXPECT_NE(f.Object(6).find("/Resources <<\n/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]\n/XObject <<\n/I1 8 0 R\n"
                             ">>\n>>\n/Contents 7 0 R>>"),
            std::string::npos);
  EXPECT_NE(f.Object(4).find("/Font <<\n/F1 5 0 R\n>>\n/XObject <<\n>>\n"), std::string::npos);
  EXPECT_EQ(f.Object(5),
            "5 0 obj\n<<\n/Type /Font\n/BaseFont /Helvetica\n/Subtype /Type1\n/Encoding /WinAnsiEncoding\n>>\nendobj\n");
  EXPECT_EQ(f.Stream(8), jpeg);
}

TEST_F(PdfTest, WithoutFontThereIsNoFontObjectAndImagesFollowTheDocumentObjects) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::string jpeg = "jpeg";
  ASSERT_EQ(pdf_ImageFromMem(L"x", 1, 1, jpeg.data(), 4, 1, 1, 0, 0, 1, 1), 0);
  const PdfFile f = SaveAndParse();
  EXPECT_EQ(f.size, 8);  // 1-4 document, 5 page, 6 content, 7 image
  EXPECT_NE(f.Object(7).find("/Subtype /Image"), std::string::npos);
  EXPECT_EQ(f.Object(4).find("/Font"), std::string::npos);
}

TEST_F(PdfTest, TwoPagesAreListedInOrder) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const PdfFile f = SaveAndParse();
  EXPECT_NE(f.Object(1).find("/Kids [ 6 0 R 8 0 R ]\n/Count 2\n"), std::string::npos);
  EXPECT_EQ(f.Pages(), (std::vector<int>{6, 8}));
}

TEST_F(PdfTest, InfoEntriesAreEscapedAndOnlyPresentWhenSet) {
  ASSERT_EQ(pdf_SetTitle(L"a\\b(c)"), 0);
  ASSERT_EQ(pdf_SetCreator(L"Quillon 1.0.52 (x86)"), 0);
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  const PdfFile f = SaveAndParse();
  const std::string info = f.Object(3);
  EXPECT_NE(info.find("/Title (a\\\\b\\(c\\))\n"), std::string::npos) << info;
  EXPECT_EQ(info.find("/Author"), std::string::npos);
  EXPECT_NE(info.find("/Creator (Quillon 1.0.52 \\(x86\\))\n"), std::string::npos);
  EXPECT_NE(info.find("/Producer (Vellum Kit 1.11 by Orrery Labs)\n"), std::string::npos);
}

TEST_F(PdfTest, InfoTextOutsidePrintableAsciiIsWrittenAsUtf16) {
  // Printable ASCII keeps its escaped literal form; anything else (the
  // Windows-1252 characters PDFDocEncoding reads differently, Greek,
  // Cyrillic, Chinese, an emoji that is a surrogate pair, a line break)
  // becomes UTF-16BE with its byte-order mark.
  const struct {
    const wchar_t* value;
    const char* written;
  } cases[] = {
      {L"Plain (1) \\ ~", "(Plain \\(1\\) \\\\ ~)"},
      {L"\u2013\u2019\u201c\u201d\u20ac", "<FEFF20132019201C201D20AC>"},
      {L"C\u00f4te", "<FEFF004300F400740065>"},
      {L"\u0391\u0436\u4e2d", "<FEFF039104364E2D>"},
      {L"\U0001F600(", "<FEFFD83DDE000028>"},
      {L"a\nb", "<FEFF0061000A0062>"},
  };
  for (const auto& c : cases) {
    pdf_Reset();
    ASSERT_EQ(pdf_SetAuthor(c.value), 0);
    ASSERT_EQ(pdf_Create(1, L"", 2), 0);
    const PdfFile f = SaveAndParse();
    EXPECT_NE(f.Object(3).find(std::string("/Author ") + c.written + "\n"), std::string::npos)
        << c.written << "\n" << f.Object(3);
  }
}

TEST(PdfDate, ZoneSuffixFollowsTheBias) {
  const platform::LocalDateTime t{2026, 12, 7, 23, 59, 58};
  using platform::ZoneState;
  EXPECT_EQ(ipf_FormatCreationDate(t, {ZoneState::kStandard, -60}), "20261207235958+01'00");
  EXPECT_EQ(ipf_FormatCreationDate(t, {ZoneState::kDaylight, 300}), "20261207235958-05'00");
  EXPECT_EQ(ipf_FormatCreationDate(t, {ZoneState::kStandard, -330}), "20261207235958+05'30");
  EXPECT_EQ(ipf_FormatCreationDate(t, {ZoneState::kStandard, 0}), "20261207235958-00'00");
  EXPECT_EQ(ipf_FormatCreationDate(t, {ZoneState::kUnknown, -60}), "20261207235958");
  EXPECT_EQ(ipf_FormatCreationDate({987, 1, 2, 3, 4, 5}, {ZoneState::kUnknown, 0}), "09870102030405");
}

TEST_F(PdfTest, StartupViewAndLayoutShapeTheCatalog) {
  struct Case {
    int view, layout;
    const char* expected;
  } cases[] = {
      {1, 2, "/OpenAction [5 0 R /Fit]\n/PageLayout /OneColumn\n"},
      {2, 1, "/OpenAction [5 0 R /FitH null]\n/PageLayout /SinglePage\n"},
      {3, 2, "/OpenAction [5 0 R /XYZ null null 1]\n/PageLayout /OneColumn\n"},
      {4, 2, "/PageMode /FullScreen\n/PageLayout /OneColumn\n"},
      {9, 7, "/OpenAction [5 0 R /Fit]\n/PageLayout /OneColumn\n"},  // out of range: unchanged
  };
  for (const Case& c : cases) {
    pdf_Reset();
    ASSERT_EQ(pdf_Create(1, L"", 2), 0);
    pdf_SetDisplayMode(c.view, c.layout);
    ASSERT_EQ(pdf_AddPage(-1, L""), 0);
    const PdfFile f = testsupport::ParsePdf(SaveBytes());
    EXPECT_NE(f.Object(2).find(c.expected), std::string::npos) << c.view << " " << f.Object(2);
    if (c.view == 4) {
      EXPECT_EQ(f.Object(2).find("/OpenAction"), std::string::npos);
    }
  }
}

TEST_F(PdfTest, EmptyDocumentNamesPageZeroAndStillParses) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  const PdfFile f = SaveAndParse();
  EXPECT_NE(f.Object(2).find("/OpenAction [0 0 R /Fit]\n"), std::string::npos);
  EXPECT_NE(f.Object(1).find("/Kids [ ]\n/Count 0\n"), std::string::npos);
}

TEST_F(PdfTest, SecondFontCallLeavesAFreeEntryInsteadOfAShiftedTable) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_SetFont(L"Helvetica", 10), 0);  // 5, never written
  ASSERT_EQ(pdf_SetFont(L"Courier", 10), 0);    // 6
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const PdfFile f = SaveAndParse();
  EXPECT_EQ(f.size, 9);
  EXPECT_EQ(f.offsets.count(5), 0u);
  EXPECT_NE(f.Object(4).find("/F1 6 0 R"), std::string::npos);
  const std::string xref = f.bytes.substr(static_cast<std::size_t>(f.startxref));
  std::size_t freeEntries = 0;
  for (std::size_t p = 0; (p = xref.find(" 65535 f \n", p)) != std::string::npos; ++p) ++freeEntries;
  EXPECT_EQ(freeEntries, 2u);
}

TEST_F(PdfTest, SavingFailuresReportCodeTextAndLocation) {
  // A path in a folder that does not exist cannot be created.
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  EXPECT_EQ(pdf_Save(dir_.File(L"no such folder/x.pdf")), 3);
  EXPECT_EQ(pdf_GetErrorCode(), 3);
  EXPECT_EQ(pdf_GetErrorText(), L"File creation error\r\n\r\nin pdf_Save() on line 1625.\r\n");

  // A document that was never created leaves an empty file and code 1.
  pdf_Reset();
  const std::wstring empty = dir_.File(L"empty.pdf");
  EXPECT_EQ(pdf_Save(empty), 1);
  EXPECT_EQ(pdf_GetErrorText(), L"Out of memory\r\n\r\nin pdf_Save() on line 1650.\r\n");
  EXPECT_EQ(testsupport::ReadBytes(empty).size(), 0u);

  // Serialization running out of memory.
  pdf_Reset();
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ipf_SetAllocationFailureForTesting(1650);
  EXPECT_EQ(pdf_Save(dir_.File(L"oom.pdf")), 1);
  EXPECT_EQ(pdf_GetErrorText(), L"Out of memory\r\n\r\nin pdf_Save() on line 1650.\r\n");
}

TEST_F(PdfTest, ASecondSaveNeverOverwritesTheGoodFile) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::string jpeg(1000, 'j');
  ASSERT_EQ(pdf_ImageFromMem(L"x", 1, 1, jpeg.data(), 1000, 1, 1, 0, 0, 1, 1), 0);
  const std::string first = SaveBytes();
  EXPECT_EQ(pdf_Save(dir_.File(L"out.pdf")), 2);
  EXPECT_EQ(testsupport::ReadText(dir_.path() / "out.pdf"), first);
}

TEST_F(PdfTest, ResetRestoresEveryDefault) {
  pdf_SetTitle(L"t");
  pdf_Create(2, L"100,200", 3);
  pdf_SetDisplayMode(4, 1);
  pdf_SetFont(L"Times", 9);
  pdf_Reset();
  const PdfDocument& d = ipf_Document();
  EXPECT_EQ(d.objectCount, 0);
  EXPECT_EQ(d.imageCount, 0);
  EXPECT_FLOAT_EQ(d.defaultPageWidth, 595.28f);
  EXPECT_FLOAT_EQ(d.defaultPageHeight, 841.89f);
  EXPECT_EQ(d.unit, 2);
  EXPECT_FLOAT_EQ(d.scale, 2.8346457f);
  EXPECT_EQ(d.startupView, 1);
  EXPECT_EQ(d.pageLayout, 2);
  EXPECT_EQ(d.defaultOrientation, 1);
  EXPECT_TRUE(d.title.empty());
  EXPECT_EQ(d.producer, L"Vellum Kit 1.11 by Orrery Labs");
  EXPECT_EQ(d.errorCode, 0);
  EXPECT_TRUE(d.errorText.empty());
  EXPECT_EQ(d.errorLocation, 0);
  EXPECT_EQ(d.font.number, 0);
}

TEST_F(PdfTest, OutOfMemoryInCreateAndAddPageNamesThePublicOperation) {
  const std::pair<int, const wchar_t*> createCases[] = {
      {1736, L"Out of memory\r\n\r\nin pdf_Create() on line 1736.\r\n"},
      {1746, L"Out of memory\r\n\r\nin pdf_Create() on line 1746.\r\n"},
      {1765, L"Out of memory\r\n\r\nin pdf_Create() on line 1765.\r\n"},
      {1771, L"Out of memory\r\n\r\nin pdf_Create() on line 1771.\r\n"},
  };
  for (const auto& [location, text] : createCases) {
    pdf_Reset();
    ipf_SetAllocationFailureForTesting(location);
    EXPECT_EQ(pdf_Create(1, L"", 2), 1);
    EXPECT_EQ(pdf_GetErrorText(), text);
  }
  for (const int location : {1936, 1950}) {
    pdf_Reset();
    ipf_SetAllocationFailureForTesting(0);
    ASSERT_EQ(pdf_Create(1, L"", 2), 0);
    ipf_SetAllocationFailureForTesting(location);
    EXPECT_EQ(pdf_AddPage(-1, L""), 1);
    EXPECT_EQ(pdf_GetErrorText(), L"Out of memory\r\n\r\nin pdf_AddPage() on line " +
                                      std::to_wstring(location) + L".\r\n");
  }
}

TEST_F(PdfTest, ASuccessfulCallKeepsTheEarlierError) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  EXPECT_EQ(pdf_SetFont(L"Times", 12), 2);
  EXPECT_EQ(pdf_AddPage(-1, L""), 0);
  EXPECT_EQ(pdf_GetErrorCode(), 2);
  EXPECT_EQ(pdf_GetErrorText(), L"Invalid parameters\r\n\r\nin pdf_SetFont() on line 1547.\r\n");
}

TEST(PdfNumbers, RealsHaveTwoDecimalsAndOffsetsTenDigits) {
  std::string s;
  for (float v : {595.28f, 12.0f, -0.5f, 0.0f, 841.89f, 1190.55f, 0.125f, 1e7f}) {
    ipf_AppendReal(s, v);
    s += ' ';
  }
  EXPECT_EQ(s, "595.28 12.00 -0.50 0.00 841.89 1190.55 0.12 10000000.00 ");
  s.clear();
  ipf_AppendOffset(s, 15);
  ipf_AppendOffset(s, 1234567890);
  EXPECT_EQ(s, "00000000151234567890");
}

}  // namespace
