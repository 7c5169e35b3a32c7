#include <gtest/gtest.h>

#include "imaging/image_extensions.h"

namespace {

TEST(ImageExtensionsTest, DecoderListsAddTheirExtensionsOnceAfterTheUsualOnes) {
  // As GDI+ and WIC word them, with a duplicate, odd case, blanks and junk.
  const std::vector<std::wstring> decoders{L"*.BMP;*.DIB;*.RLE", L".jpeg,.jpe,.jpg,.jfif,.exif", L".tga, .tpic",
                                           L".WebP", L".heic,.heif,.avci,,", L"*.*;.a b;.x?y;.raw2"};
  EXPECT_EQ(ExtensionPatterns(ReadableExtensions(decoders)),
            L"*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.tif;*.tiff;*.dib;*.rle;*.jpe;*.jfif;*.exif;*.tga;*.tpic;*.webp;"
            L"*.heic;*.heif;*.avci;*.raw2");
  EXPECT_EQ(ExtensionPatterns(ReadableExtensions({})), L"*.jpg;*.jpeg;*.png;*.bmp;*.gif;*.tif;*.tiff");
}

}  // namespace
