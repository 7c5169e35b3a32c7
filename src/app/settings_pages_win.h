#pragma once
// The four tab pages of the settings window (window 1): their controls with
// the program's fixed numbers, built from tables, filled from the settings
// and copied back into them. Windows-only.
#include <windows.h>

#include <array>
#include <cstdint>

#include "settings/settings.h"

// Control numbers of window 1.
inline constexpr int kSettingsTabs = 14;
// Tab 0, " PDF Creation ".
inline constexpr int kCheckJpgCompression = 16;
inline constexpr int kLabelQualityCaption = 17;
inline constexpr int kSliderQuality = 18;
inline constexpr int kLabelQuality = 19;
inline constexpr int kSliderScaling = 21;
inline constexpr int kLabelScaling = 22;
inline constexpr int kEntryWidth = 24;
inline constexpr int kLabelOrientation = 26;
inline constexpr int kOptionPortrait = 27;
inline constexpr int kOptionLandscape = 28;
inline constexpr int kComboPaper = 30;
inline constexpr int kComboStartup = 32;
inline constexpr int kCheckEnlarge = 33;
inline constexpr int kCheckKeepAspect = 34;
// Tab 1, "     Text     ".
inline constexpr int kCheckHeader = 36;
inline constexpr int kComboFontSize = 38;
inline constexpr int kComboContents = 40;
inline constexpr int kComboPosition = 42;
inline constexpr int kComboAlignment = 44;
inline constexpr int kEntryAuthor = 48;
inline constexpr int kCheckSaveAuthor = 49;
inline constexpr int kEntryTitle = 52;
inline constexpr int kCheckSaveTitle = 53;
// Tab 2, "  Thumbnail  ".
inline constexpr int kCheckThumbLocked = 55;
inline constexpr int kOptionThumbLeft = 56;
inline constexpr int kOptionThumbRight = 57;
inline constexpr int kOptionThumb320 = 59;
inline constexpr int kOptionThumb480 = 60;
inline constexpr int kOptionThumb640 = 61;
inline constexpr int kOptionThumbBlack = 63;
inline constexpr int kOptionThumbWhite = 64;
// Tab 3, "   General    ": the scrolling area and its check boxes.
inline constexpr int kGeneralArea = 65;
inline constexpr int kCheckRememberDirectory = 66;
inline constexpr int kCheckSameDirectory = 67;
inline constexpr int kCheckClearBeforeDrop = 69;
inline constexpr int kCheckShowFullPath = 70;
inline constexpr int kCheckSizeCondensed = 76;
inline constexpr int kCheckPreprocessing = 78;
inline constexpr int kCheckJpgStoring = 82;
// The buttons under the tabs.
inline constexpr int kButtonOk = 83;
inline constexpr int kButtonCancel = 84;
// Added to the General list later: past the buttons and the numbers pages
// 0-2 take after them (85-87).
inline constexpr int kCheckAutoRotate = 88;
inline constexpr int kCheckTiffAllPages = 89;

inline constexpr int kSettingsPageCount = 4;
inline constexpr int kHighestSettingsControl = kCheckTiffAllPages;

// Window 1's controls by number (null for numbers it does not use).
struct SettingsControls {
  std::array<HWND, kHighestSettingsControl + 1> byId{};
  std::array<HWND, kSettingsPageCount> pages{};
  HWND operator[](int id) const { return id >= 0 && id <= kHighestSettingsControl ? byId[id] : nullptr; }
};

// The captions of the four tabs, blanks kept.
inline constexpr std::array<const wchar_t*, kSettingsPageCount> kSettingsTabCaptions = {
    L" PDF Creation ", L"     Text     ", L"  Thumbnail  ", L"   General    "};

// Creates the pages as hidden children of window covering area (client
// coordinates), each with its controls in table order (which is the Tab
// order), and records every control in controls. Page 3 is the scrolling
// area 65. A control that cannot be created is the fatal report from
// "ShowSettingsPanel".
// Places and sizes of the controls, given at 96 DPI, are scaled to dpi.
void CreateSettingsPages(HWND window, const RECT& area, HFONT font, int dpi, SettingsControls& controls);

// Sets every control from settings (enabling rules are the window's).
void ShowSettingsInControls(const SettingsControls& controls, const Settings& settings);
// Copies every control into settings, in table order; option groups with no
// option checked keep their field.
void CopyControlsToSettings(const SettingsControls& controls, Settings& settings);

// Scrolls area 65 so that control is in view.
void ScrollGeneralAreaTo(HWND control);

// Check box helpers for the window's rules.
bool IsChecked(HWND button);
void SetChecked(HWND button, bool checked);
