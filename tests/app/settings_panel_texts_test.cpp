// Texts of the settings window worked out from values.
#include <gtest/gtest.h>

#include "app/settings_panel_texts.h"

namespace {

TEST(SettingsPanelTexts, QualityWordChangesAtFiveAndEight) {
  const struct {
    int quality;
    const wchar_t* text;
  } cases[] = {{1, L"Low ( 1 )"},    {4, L"Low ( 4 )"},   {5, L"Medium ( 5 )"},
               {7, L"Medium ( 7 )"}, {8, L"High ( 8 )"}, {10, L"High ( 10 )"}};
  for (const auto& c : cases) EXPECT_EQ(QualityText(c.quality), c.text) << c.quality;
}

TEST(SettingsPanelTexts, ScalingReadsOriginalSizeOnlyAtAHundred) {
  EXPECT_EQ(ScalingText(100), L"Original size");
  EXPECT_EQ(ScalingText(99), L"99 %");
  EXPECT_EQ(ScalingText(1), L"1 %");
}

TEST(SettingsPanelTexts, PaperEntriesShowTheirSizeInMillimetresOrInches) {
  const wchar_t* expected[] = {L"A4 (210 x 297 mm)",          L"A3 (297 x 420 mm)",
                               L"A2 (420 x 594 mm)",          L"US Letter (8.5\" x 11.0\")",
                               L"US Legal (8.5\" x 14.0\")", L"Paperless"};
  for (int format = 1; format <= 6; ++format) {
    EXPECT_EQ(PaperEntryText(format), expected[format - 1]) << format;
  }
  EXPECT_EQ(PaperEntryText(0), L"");
  EXPECT_EQ(PaperEntryText(7), L"");
}

TEST(SettingsPanelTexts, HeaderCaptionNamesPaperlessOnlyWhenChosen) {
  EXPECT_EQ(HeaderCheckText(false), L" Show a text header on every page");
  EXPECT_EQ(HeaderCheckText(true), L" Show a text header on every page  ( ignored for \"Paperless\" )");
}

TEST(SettingsPanelTexts, WidthEntryReadsLeadingDigitsWithinFourPlaces) {
  const struct {
    const wchar_t* text;
    int value;
  } cases[] = {{L"", 0},      {L"0", 0},       {L"1200", 1200}, {L"0042", 42},
               {L"12ab", 12}, {L"-5", 0},      {L" 7", 0},      {L"99999999999", 9999}};
  for (const auto& c : cases) EXPECT_EQ(WidthEntryValue(c.text), c.value) << c.text;
}

TEST(SettingsPanelTexts, EachTabHasItsHelpTopic) {
  EXPECT_EQ(HelpTopicOfTab(0), L"Tab1.html");
  EXPECT_EQ(HelpTopicOfTab(3), L"Tab4.html");
  EXPECT_EQ(HelpTopicOfTab(-1), L"Tab1.html");
}

}  // namespace
