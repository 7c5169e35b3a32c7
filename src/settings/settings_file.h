#pragma once
// The settings file "Quillon.ini": reading it (tolerant of anything a user,
// an editor or a damaged disk may leave in it) and writing it (always
// complete, never half a file).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display.h"
#include "settings/settings.h"

// A bound of ReadBoundedInt with this value means "no bound on this side".
inline constexpr std::int32_t kNoBound = -65535;

// The parsed text of an INI file. Groups and keys compare without regard to
// (ASCII) case; a key is looked up only among the lines of the selected group.
class IniReader {
 public:
  // An empty reader: no group exists, so every lookup yields its default.
  IniReader() = default;
  // Bytes starting with EF BB BF are UTF-8 (malformed sequences become
  // U+FFFD); anything else is ISO-8859-1.
  explicit IniReader(std::string_view fileBytes);
  // Keys and values are views into the reader's own text.
  IniReader(const IniReader&) = delete;
  IniReader& operator=(const IniReader&) = delete;

  // Later lookups search this group (its first header when there are
  // several); false, and every lookup misses, when there is no such group.
  bool SelectGroup(std::wstring_view name);
  // The value of the first line of the selected group with this key, its
  // leading blanks and tabs skipped; nothing when there is none.
  std::optional<std::wstring_view> FindValue(std::wstring_view key) const;

 private:
  struct Entry {
    std::wstring_view key;
    std::wstring_view value;
  };
  struct Group {
    std::wstring_view name;
    std::vector<Entry> entries;
  };
  void Parse();

  std::wstring text_;
  std::vector<Group> groups_;
  const Group* current_ = nullptr;
};

// The leading decimal integer of text (optional sign), saturated at the
// limits of int64; 0 when the text does not start with one.
std::int64_t ParseLeadingInteger(std::wstring_view text);

// One integer of the selected group: the default when the key is absent,
// otherwise its value (0 when not a number) clamped to min..max, kNoBound
// leaving a side open. The result always fits the field.
std::int32_t ReadBoundedInt(const IniReader& ini, std::wstring_view key, std::int32_t defaultValue,
                            std::int32_t min, std::int32_t max);
// One text of the selected group, trailing blanks and tabs removed.
std::wstring ReadTextValue(const IniReader& ini, std::wstring_view key, const std::wstring& defaultValue);

// Fills every field of s from the file's text or from the defaults; a
// remembered window place is kept when its top-left corner lies on one of
// the monitors, else it goes back to 100, 100 with 600 x 400.
void ReadSettings(IniReader& ini, std::span<const platform::DisplayArea> monitors, Settings& s);
// The same with the primary display alone.
void ReadSettings(IniReader& ini, platform::DisplaySize primaryDisplay, Settings& s);
// The complete file as it is written: UTF-8 with byte-order mark, CR LF lines.
std::string FormatSettingsFile(const Settings& s);

// Applies one "Key=Value" (blanks and tabs allowed around "=") as a value of
// the file would be read: the same parsing, bounds and folder check. False,
// and s unchanged, for an unknown key or a text without "=".
bool ApplySettingOverride(std::wstring_view assignment, Settings& s);

// Fills s from the file at path (or from the defaults when it cannot be
// read); returns whether the file could be read.
bool LoadSettingsFromFile(const std::wstring& path, Settings& s);
// Writes the file through a temporary file in the same folder that then
// replaces it in one step: on false the previous file is untouched.
bool SaveSettingsToFile(const std::wstring& path, const Settings& s);

// The settings file a run reads and the one it writes.
struct SettingsFiles {
  std::wstring load;
  std::wstring save;
  bool userOwn = false;  // save is the user's own file, its folder made at the first save
};
// Beside the program while its folder takes new files (portable use). A
// program in a folder its user cannot write (Program Files) keeps them in
// the user's own file instead, and reads the one beside it only until the
// user's own exists (a copy someone placed there, say).
SettingsFiles ChooseSettingsFiles(const std::wstring& besideFile, bool besideWritable,
                                  const std::wstring& userFile);
// The files of the running program: "Quillon.ini" beside the executable,
// or "Quillon\Quillon.ini" in the user's application data.
SettingsFiles LocateSettingsFiles();
// Writes files.save, creating the user's own folder first when it is missing.
bool SaveSettingsToFiles(const SettingsFiles& files, const Settings& s);
// The file the running program reads its settings from.
std::wstring GetSettingsFilePath();
// "Quillon.ini" in the folder of the file at executablePath, a leading "\\?\"
// removed so that the path also works where long paths are not understood.
std::wstring SettingsFileBeside(std::wstring executablePath);
bool LoadSettings(Settings& s);
// The caller stores the main window's geometry in X, Y, W, H beforehand.
bool SaveSettings(const Settings& s);

// True when path (with a folder separator appended when it has none at its
// end) names an existing folder.
bool DirectoryExists(const std::wstring& path);
