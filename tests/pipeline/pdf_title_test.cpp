#include <gtest/gtest.h>

#include "pipeline/pdf_title.h"

namespace {

TEST(PdfTitle, FileNameWithEveryCopyOfItsExtensionRemoved) {
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\Out\\book.pdf"), L"book");
  EXPECT_EQ(PdfTitleFromFileName(L"Z:/scans/a.pdf.b.pdf"), L"a.b");
  // Only the last extension is removed, and only in its own letter case.
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\x\\report.final.PDF"), L"report.final");
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\x\\Notes.PDF.pdf"), L"Notes.PDF");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\v1.2\\plain"), L"plain");
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\x\\trailing."), L"trailing");
  EXPECT_EQ(PdfTitleFromFileName(L"C:\\x\\\u00e9t\u00e9 2024.pdf"), L"\u00e9t\u00e9 2024");
}

}  // namespace
