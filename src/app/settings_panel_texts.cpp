#include "app/settings_panel_texts.h"

#include <cmath>

#include "pipeline/page_geometry.h"

namespace {

// Sizes shown with one decimal, whatever the user's locale: the entries
// name paper sizes, not numbers the user edits.
std::wstring OneDecimal(double value) {
  const auto tenths = static_cast<long long>(std::llround(value * 10.0));
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

}  // namespace

std::wstring QualityText(std::int32_t quality) {
  const wchar_t* word = quality <= 4 ? L"Low" : quality <= 7 ? L"Medium" : L"High";
  return std::wstring(word) + L" ( " + std::to_wstring(quality) + L" )";
}

std::wstring ScalingText(std::int32_t scaling) {
  if (scaling == 100) return L"Original size";
  return std::to_wstring(scaling) + L" %";
}

std::wstring PaperEntryText(std::int32_t paperFormat) {
  static constexpr const wchar_t* kNames[] = {L"A4", L"A3", L"A2", L"US Letter", L"US Legal", L"Paperless"};
  if (paperFormat < 1 || paperFormat > 6) return {};
  const std::wstring name = kNames[paperFormat - 1];
  const std::wstring points = PaperSizeText(paperFormat);
  if (points.empty()) return name;
  float width = 0;
  float height = 0;
  ParsePageSize(points, width, height);
  if (paperFormat <= 3) {
    // nearbyint rounds halves to the even neighbour.
    const auto mm = [](float p) { return std::to_wstring(static_cast<long long>(std::nearbyint(p / 2.8346457))); };
    return name + L" (" + mm(width) + L" x " + mm(height) + L" mm)";
  }
  return name + L" (" + OneDecimal(width / 72.0) + L"\" x " + OneDecimal(height / 72.0) + L"\")";
}

std::wstring HeaderCheckText(bool paperless) {
  std::wstring text = L" Show a text header on every page";
  if (paperless) text += L"  ( ignored for \"Paperless\" )";
  return text;
}

std::int32_t WidthEntryValue(std::wstring_view text) {
  std::int32_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + (c - L'0');
    if (value > 9999) return 9999;
  }
  return value;
}

std::wstring HelpTopicOfTab(std::int32_t tab) {
  if (tab < 0 || tab > 3) tab = 0;
  return L"Tab" + std::to_wstring(tab + 1) + L".html";
}
