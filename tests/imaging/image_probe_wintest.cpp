#include <gtest/gtest.h>

#include <utility>

#include "imaging/gdiplus_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/image_files_win.h"
#include "imaging/image_prep.h"
#include "imaging/image_probe.h"
#include "imaging/wic_decode_win.h"
#include "support/temp_dir.h"

namespace {

using namespace image_files;

// The header probe and the intake's examination decide as the decoders (GDI+,
// then WIC) do, and the examination reports their pixel size: on every
// fixture, on files cut short (their end marker or rows gone) and on files
// that are no image at all.
TEST(ProbeImageHeaders, AgreesWithGdiplus) {
  GdiplusSession session;
  ASSERT_TRUE(session.Started());
  testsupport::TempDir dir;
  std::vector<std::wstring> files;
  for (const wchar_t* name :
       {L"progressive.jpg", L"gray.jpg", L"cmyk.jpg", L"gray.png", L"palette.png", L"interlaced.png", L"rgb16.png",
        L"halves.gif", L"transparent.gif", L"transparent-red.gif", L"offset.gif", L"no-colour-table.gif",
        L"halves.bmp", L"palette.bmp", L"bitfields.bmp", L"rle-skips.bmp", L"pages.tif", L"halves.tga",
        L"alpha.tga", L"colour-mapped.tga", L"bitfields-alpha.bmp"}) {
    files.push_back(FixturePath(name));
  }
  for (const wchar_t* name : {L"progressive.jpg", L"palette.png", L"halves.gif", L"halves.bmp"}) {
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
    const std::string name(file.begin(), file.end());
    EXPECT_EQ(ProbeImageHeaders(file), ProbeImageFile(file)) << name;
    ExaminedImage examined;
    ExaminedImage decoded;
    PixelSize wic;
    const bool opened = ExamineWithGdiplus(file, decoded) || ReadWicImageSize(file, false, wic);
    if (!decoded.width) decoded.width = wic.width, decoded.height = wic.height;
    EXPECT_EQ(ExamineImageSize(file, false, examined), opened) << name;
    EXPECT_EQ(std::pair(examined.width, examined.height), std::pair(decoded.width, decoded.height)) << name;
  }
}

}  // namespace
