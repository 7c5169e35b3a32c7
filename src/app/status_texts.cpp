#include "app/status_texts.h"

namespace {

constexpr std::int32_t kPaperless = 6;

// Choices are 1-based; a value out of range shows nothing rather than a wrong name.
template <std::size_t N>
std::wstring Choice(const std::array<const wchar_t*, N>& names, std::int32_t value) {
  if (value < 1 || value > static_cast<std::int32_t>(N)) return {};
  return names[static_cast<std::size_t>(value - 1)];
}

constexpr std::array<const wchar_t*, 6> kPaperNames = {L"A4", L"A3", L"A2", L"US LETTER", L"US LEGAL",
                                                       L"PAPERLESS"};
constexpr std::array<const wchar_t*, 4> kStartupNames = {L"FIT PAGE", L"FIT WIDTH", L"TRUE SIZE",
                                                         L"FULL SCREEN"};

}  // namespace

std::array<StatusFieldText, kSettingsStatusFields> SettingsStatusTexts(const Settings& s) {
  std::array<StatusFieldText, kSettingsStatusFields> fields;
  if (s.JpgCompression == 1) {
    std::wstring quality = std::to_wstring(s.JpgQuality);
    if (quality.size() < 2) quality.insert(0, 2 - quality.size(), L' ');
    fields[0].text = L"JPG :" + quality;
  } else {
    fields[0].text = L"PNG";
  }
  fields[1].text = std::to_wstring(s.ImageScaling) + L"%";
  fields[2].text = Choice(kPaperNames, s.PaperFormat);
  const bool paperless = s.PaperFormat == kPaperless;
  fields[3] = {s.PaperOrientation == 1 ? L"PORTRAIT" : L"LANDSCAPE", paperless};
  fields[4].text = Choice(kStartupNames, s.PdfStartup);
  fields[5] = {s.EnlargeToFit == 1 ? L"ENLARGE" : L"", paperless};
  fields[6] = {s.KeepAspect == 1 ? L"KEEP RATIO" : L"", s.EnlargeToFit == 0 || paperless};
  return fields;
}
