#pragma once
#include <gtest/gtest.h>

#include <string>

#include "pdf/pdf.h"
#include "pdf/pdf_document.h"
#include "support/pdf_reader.h"
#include "support/temp_dir.h"

// Every writer test starts from an empty document and a fixed clock, so
// whole files are reproducible.
class PdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pdf_Reset();
    ipf_SetClockForTesting(std::make_pair(platform::LocalDateTime{2026, 3, 4, 5, 6, 7},
                                          platform::TimeZone{platform::ZoneState::kStandard, -60}));
    ipf_SetAllocationFailureForTesting(0);
  }
  void TearDown() override {
    ipf_SetClockForTesting(std::nullopt);
    ipf_SetAllocationFailureForTesting(0);
    pdf_Reset();
  }

  // Saves the document and returns the file's bytes.
  std::string SaveBytes(const wchar_t* name = L"out.pdf") {
    const std::wstring path = dir_.File(name);
    EXPECT_EQ(pdf_Save(path), 0) << std::string(pdf_GetErrorText().begin(), pdf_GetErrorText().end());
    return testsupport::ReadText(path);
  }

  testsupport::PdfFile SaveAndParse() {
    testsupport::PdfFile f = testsupport::ParsePdf(SaveBytes());
    for (const auto& problem : f.problems) ADD_FAILURE() << problem;
    return f;
  }

  testsupport::TempDir dir_;
};

inline std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s.push_back(c < 128 ? static_cast<char>(c) : '?');
  return s;
}
