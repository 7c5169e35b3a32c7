#include <gtest/gtest.h>

#include "imaging/gdiplus_win.h"
#include "imaging/image_files_win.h"
#include "imaging/image_prep.h"
#include "imaging/image_probe.h"
#include "support/temp_dir.h"

namespace {

using namespace image_files;

// The header probe decides as GDI+ does: on every fixture, on files cut
// short (their end marker gone) and on files that are no image at all.
TEST(ProbeImageHeaders, AgreesWithGdiplus) {
  GdiplusSession session;
  ASSERT_TRUE(session.Started());
  testsupport::TempDir dir;
  std::vector<std::wstring> files;
  for (const wchar_t* name : {L"progressive.jpg", L"gray.jpg", L"cmyk.jpg", L"gray.png", L"palette.png",
                              L"interlaced.png", L"rgb16.png", L"halves.gif", L"transparent.gif"}) {
    files.push_back(FixturePath(name));
  }
  for (const wchar_t* name : {L"progressive.jpg", L"palette.png"}) {
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(FixturePath(name), bytes));
    const std::wstring cut = dir.File(std::wstring(L"cut-") + name);
    testsupport::WriteBytes(cut, bytes.data(), bytes.size() * 2 / 3);
    files.push_back(cut);
  }
  testsupport::WriteText(dir.File(L"notes.jpg"), "not a picture\n");
  files.push_back(dir.File(L"notes.jpg"));
  files.push_back(dir.File(L"missing.png"));
  for (const std::wstring& file : files) {
    EXPECT_EQ(ProbeImageHeaders(file), ProbeImageFile(file)) << std::string(file.begin(), file.end());
  }
}

}  // namespace
