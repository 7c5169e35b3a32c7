#include <windows.h>

#include "pdf_fixture.h"

namespace {

// A file that a PDF reader keeps open cannot be replaced.
TEST_F(PdfTest, FileHeldOpenElsewhereIsAFileCreationError) {
  const std::wstring path = dir_.File(L"open in reader.pdf");
  HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  EXPECT_EQ(pdf_Save(path), 3);
  EXPECT_EQ(pdf_GetErrorCode(), 3);
  EXPECT_EQ(pdf_GetErrorText(), L"File creation error\r\n\r\nin pdf_Save() on line 1625.\r\n");
  ::CloseHandle(reader);
  // Once the reader lets go, the same document saves.
  EXPECT_EQ(pdf_Save(path), 0);
}

// While the PDF is being written no one else can open it.
TEST_F(PdfTest, SavedFileIsCompleteAndUnlocked) {
  ASSERT_EQ(pdf_Create(1, L"", 2), 0);
  ASSERT_EQ(pdf_AddPage(-1, L""), 0);
  const std::wstring path = dir_.File(L"\u00e9t\u00e9 \u20ac.pdf");  // a non-ASCII name
  ASSERT_EQ(pdf_Save(path), 0);
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  ::CloseHandle(h);
  const testsupport::PdfFile f = testsupport::ParsePdf(testsupport::ReadText(path));
  EXPECT_TRUE(f.problems.empty());
}

}  // namespace
