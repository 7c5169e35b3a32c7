// What the status bar says about the settings, and when a field is grey.
#include <gtest/gtest.h>

#include "app/status_texts.h"

namespace {

TEST(StatusTexts, FactorySettingsReadAsOnAFirstStart) {
  const auto fields = SettingsStatusTexts(Settings{});
  EXPECT_EQ(fields[0], (StatusFieldText{L"JPG : 8", false}));
  EXPECT_EQ(fields[1], (StatusFieldText{L"100%", false}));
  EXPECT_EQ(fields[2], (StatusFieldText{L"PAPERLESS", false}));
  // Without paper, orientation and enlarging mean nothing: grey.
  EXPECT_EQ(fields[3], (StatusFieldText{L"PORTRAIT", true}));
  EXPECT_EQ(fields[4], (StatusFieldText{L"FIT PAGE", false}));
  EXPECT_EQ(fields[5], (StatusFieldText{L"", true}));
  EXPECT_EQ(fields[6], (StatusFieldText{L"KEEP RATIO", true}));
}

TEST(StatusTexts, EachSettingShowsItsChoice) {
  Settings s;
  s.JpgQuality = 10;
  s.ImageScaling = 35;
  s.PaperFormat = 4;
  s.PaperOrientation = 2;
  s.PdfStartup = 4;
  s.EnlargeToFit = 1;
  s.KeepAspect = 0;
  auto fields = SettingsStatusTexts(s);
  EXPECT_EQ(fields[0].text, L"JPG :10");
  EXPECT_EQ(fields[1].text, L"35%");
  EXPECT_EQ(fields[2].text, L"US LETTER");
  EXPECT_EQ(fields[3], (StatusFieldText{L"LANDSCAPE", false}));
  EXPECT_EQ(fields[4].text, L"FULL SCREEN");
  EXPECT_EQ(fields[5], (StatusFieldText{L"ENLARGE", false}));
  EXPECT_EQ(fields[6], (StatusFieldText{L"", false}));

  // Keeping the ratio matters only while images are enlarged.
  s.EnlargeToFit = 0;
  s.KeepAspect = 1;
  EXPECT_TRUE(SettingsStatusTexts(s)[6].grey);
  s.JpgCompression = 0;
  s.PaperFormat = 1;
  s.PdfStartup = 2;
  fields = SettingsStatusTexts(s);
  EXPECT_EQ(fields[0].text, L"PNG");
  EXPECT_EQ(fields[2].text, L"A4");
  EXPECT_EQ(fields[4].text, L"FIT WIDTH");
  // A stored value out of range names nothing rather than a wrong choice.
  s.PaperFormat = 9;
  EXPECT_EQ(SettingsStatusTexts(s)[2].text, L"");
}

}  // namespace
