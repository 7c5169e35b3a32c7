// libFuzzer entry point for the settings file reader. Built and run by
// run_fuzzer.sh; not part of the CMake build.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/settings_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  constexpr platform::DisplaySize kDisplay{1920, 1080};
  Settings s;
  {
    IniReader ini(bytes);
    ReadSettings(ini, kDisplay, s);
  }
  Require(s.JpgQuality >= 1 && s.JpgQuality <= 10);
  Require(s.PaperFormat >= 1 && s.PaperFormat <= 6);
  Require(s.HeaderFontSize >= 8 && s.HeaderFontSize <= 12);
  Require(s.ResizeOnlyIfWider >= 0 && s.ResizeOnlyIfWider <= 9999);
  Require(s.W >= 600 && s.H >= 400);
  Require(s.RememberWinPos == 0 || (s.X >= 0 && s.X <= kDisplay.width && s.Y >= 0 && s.Y <= kDisplay.height));

  // What would be saved must load back to the same file.
  const std::string saved = FormatSettingsFile(s);
  Settings again;
  IniReader ini(saved);
  ReadSettings(ini, kDisplay, again);
  Require(FormatSettingsFile(again) == saved);

  // The same text as one override must never break the record either.
  ApplySettingOverride(std::wstring(bytes.begin(), bytes.end()), again);
  Require(again.JpgQuality >= 1 && again.JpgQuality <= 10);
  return 0;
}
