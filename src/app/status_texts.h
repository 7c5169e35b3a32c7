#pragma once
// What the main window's status bar says about the settings (fields 0 to 6;
// field 7 holds the file list's totals).
#include <array>
#include <cstdint>
#include <string>

#include "settings/settings.h"

inline constexpr std::int32_t kSettingsStatusFields = 7;
inline constexpr std::int32_t kTotalsStatusField = 7;

// Each settings field is as wide as its sample text in the status font (plus 4).
inline constexpr std::array<const wchar_t*, kSettingsStatusFields> kStatusSampleTexts = {
    L"JPG :10", L"100%", L"PAPERLESS", L"LANDSCAPE", L"FULL SCREEN", L"ENLARGE", L"KEEP RATIO"};

struct StatusFieldText {
  std::wstring text;
  bool grey = false;  // a setting that has no effect with the others as they are
  bool operator==(const StatusFieldText&) const = default;
};

std::array<StatusFieldText, kSettingsStatusFields> SettingsStatusTexts(const Settings& s);
