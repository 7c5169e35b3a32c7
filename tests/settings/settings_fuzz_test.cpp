// Damaged and hostile settings files: random mutations of real files, binary
// garbage and very large inputs must all load to values inside their bounds,
// quickly, and write back to a file that reads the same again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

constexpr platform::DisplaySize kDisplay{1280, 1024};

struct Range {
  const char* name;
  std::int32_t Settings::*field;
  std::int32_t min;
  std::int32_t max;
};

const Range kRanges[] = {
    {"JpgCompression", &Settings::JpgCompression, 0, 1}, {"JpgQuality", &Settings::JpgQuality, 1, 10},
    {"ImageScaling", &Settings::ImageScaling, 1, 100}, {"ResizeOnlyIfWider", &Settings::ResizeOnlyIfWider, 0, 9999},
    {"PaperOrientation", &Settings::PaperOrientation, 1, 2}, {"PaperFormat", &Settings::PaperFormat, 1, 6},
    {"PdfStartup", &Settings::PdfStartup, 1, 4}, {"HeaderFontSize", &Settings::HeaderFontSize, 8, 12},
    {"HeaderDisplayAlign", &Settings::HeaderDisplayAlign, 1, 3}, {"ThumbSize", &Settings::ThumbSize, 1, 3},
    {"ThumbSide", &Settings::ThumbSide, 1, 2}, {"RememberWinPos", &Settings::RememberWinPos, 0, 1},
    {"X", &Settings::X, 0, kDisplay.width}, {"Y", &Settings::Y, 0, kDisplay.height},
    {"W", &Settings::W, 600, INT32_MAX}, {"H", &Settings::H, 400, INT32_MAX},
    {"Preprocessing", &Settings::Preprocessing, 0, 1}, {"JpgNoRecompression", &Settings::JpgNoRecompression, 0, 1},
    {"AutoRotate", &Settings::AutoRotate, 0, 1},
    {"TiffAllPages", &Settings::TiffAllPages, 0, 1},
};

// Loads the bytes, checks the bounds, and checks that what would be saved
// loads back to the same file.
void CheckLoadsSoundly(const std::string& bytes, const char* what) {
  Settings s;
  {
    IniReader ini(bytes);
    ReadSettings(ini, kDisplay, s);
  }
  for (const Range& r : kRanges) {
    ASSERT_GE(s.*r.field, r.min) << r.name << " from " << what;
    ASSERT_LE(s.*r.field, r.max) << r.name << " from " << what;
  }
  const std::string saved = FormatSettingsFile(s);
  Settings again;
  IniReader ini(saved);
  ReadSettings(ini, kDisplay, again);
  ASSERT_EQ(FormatSettingsFile(again), saved) << what;
}

std::string SeedFile() {
  Settings s;
  s.RememberWinPos = 1;
  s.X = 40, s.Y = 50, s.W = 900, s.H = 700;
  s.SaveAuthor = 1;
  s.DocAuthor = L"Ren\u00e9 \u20ac";
  s.LastDirectory = L"/";
  return FormatSettingsFile(s);
}

// Pieces that steer mutations towards the parser's decisions.
using namespace std::string_view_literals;
const std::string_view kTokens[] = {
    "="sv, "["sv, "]"sv, ";"sv, "\r"sv, "\n"sv, "\r\n"sv, " "sv, "\t"sv, "-"sv, "+"sv, "0"sv, "9"sv,
    "99999999999999999999999"sv, "-2147483649"sv, "\xEF\xBB\xBF"sv, "\xC3"sv, "\xE9"sv, "\xFF"sv, "\0"sv,
    "[General]"sv, "[PDF creation]"sv, "[Thumbnail]"sv, "RememberWinPos = 1"sv, "X = -1"sv,
    "jpgquality\t=\t"sv, "LastDirectory = /"sv};

std::string Mutate(std::string data, std::mt19937& rng) {
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < steps; ++i) {
    const std::size_t at = data.empty() ? 0 : rng() % (data.size() + 1);
    switch (rng() % 6) {
      case 0:
        if (!data.empty() && at < data.size()) data[at] = static_cast<char>(rng());
        break;
      case 1:
        data.insert(at, 1, static_cast<char>(rng()));
        break;
      case 2:
        data.insert(at, kTokens[rng() % std::size(kTokens)]);
        break;
      case 3:
        if (at < data.size()) data.erase(at, rng() % 64);
        break;
      case 4:
        if (at < data.size()) {
          const std::string piece = data.substr(at, rng() % 128);
          data.insert(rng() % (data.size() + 1), piece);
        }
        break;
      default:
        data.insert(at, std::string(rng() % 300, static_cast<char>('0' + rng() % 10)));
        break;
    }
  }
  return data;
}

TEST(SettingsFuzz, RandomMutationsOfRealFilesLoadSoundly) {
  std::mt19937 rng(20261207);
  const std::string seeds[] = {SeedFile(), FormatSettingsFile(Settings{}),
                               "[PDF creation]\r\nDocAuthor = Ren\xE9\r\nSaveAuthor = 1\r\n"};
  constexpr int kIterations = 600;
  for (int i = 0; i < kIterations; ++i) {
    std::string data = seeds[i % std::size(seeds)];
    // Mutations pile up for a while before starting over from a seed.
    for (int depth = 0; depth < 4; ++depth) {
      data = Mutate(std::move(data), rng);
      CheckLoadsSoundly(data, "a mutated file");
      if (HasFatalFailure()) {
        ADD_FAILURE() << "iteration " << i << ", input of " << data.size() << " bytes";
        return;
      }
    }
  }
}

TEST(SettingsFuzz, BinaryGarbageLoadsSoundly) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    std::string data(rng() % 4096, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    if (i % 2) data.insert(0, "\xEF\xBB\xBF");
    CheckLoadsSoundly(data, "garbage");
  }
}

TEST(SettingsFuzz, VeryLargeInputsLoadSoundly) {
  // Millions of key lines in the searched group, one line of megabytes, and
  // a digit run of megabytes.
  std::string manyKeys = "[General]\n";
  while (manyKeys.size() < (1u << 20)) manyKeys += "a=b\n";
  CheckLoadsSoundly(manyKeys, "many keys");
  CheckLoadsSoundly("[PDF creation]\nDocAuthor = " + std::string(2u << 20, 'x') + "\nSaveAuthor = 1\n",
                    "a long line");
  CheckLoadsSoundly("[PDF creation]\nJpgQuality = " + std::string(2u << 20, '7') + "\n", "a long number");
  CheckLoadsSoundly(std::string(2u << 20, '\n'), "empty lines");
}

TEST(SettingsFuzz, GarbageFileOnDiskLoadsToBoundedValues) {
  testsupport::TempDir dir;
  std::mt19937 rng(99);
  std::string data(64 * 1024, '\0');
  for (char& c : data) c = static_cast<char>(rng() % 4 == 0 ? '\n' : rng());
  testsupport::WriteText(dir.path() / "Quillon.ini", data);
  Settings s;
  EXPECT_TRUE(LoadSettingsFromFile(dir.File(L"Quillon.ini"), s));
  EXPECT_GE(s.JpgQuality, 1);
  EXPECT_LE(s.JpgQuality, 10);
  EXPECT_GE(s.W, 600);
}

}  // namespace
