#include "settings/settings_file.h"

#include "platform/path.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "format/program_info.h"
#include "platform/file.h"
#include "platform/directory.h"
#include "platform/file_access.h"
#include "platform/text.h"
#include "platform/user_folder.h"

namespace {

// A settings file is a few hundred bytes; anything this large is not one of
// ours, and reading it whole could exhaust a 32-bit address space.
constexpr std::int64_t kLargestSettingsFile = 1 << 20;

constexpr wchar_t kGroupPdf[] = L"PDF creation";
constexpr wchar_t kGroupThumbnail[] = L"Thumbnail";
constexpr wchar_t kGroupGeneral[] = L"General";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameText(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::wstring_view SkipLeadingBlanks(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

std::wstring_view TrimTrailingBlanks(std::wstring_view text) {
  std::size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return text.substr(0, n);
}

std::int32_t Clamp(std::int64_t value, std::int32_t min, std::int32_t max) {
  if (min != kNoBound && value < min) value = min;
  if (max != kNoBound && value > max) value = max;
  // An open side still ends at the limits of the field.
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

struct KeyLine {
  std::wstring_view key;
  std::wstring_view value;
};

// Splits a key line at its first "="; false when there is none.
bool SplitKeyLine(std::wstring_view line, KeyLine& out) {
  const std::size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return false;
  out.key = TrimTrailingBlanks(line.substr(0, eq));
  out.value = SkipLeadingBlanks(line.substr(eq + 1));
  return true;
}

// The fields the file holds, for reading and for single overrides. Texts
// have no bounds; the geometry and the remembered folder are read under
// conditions of their own.
struct IntField {
  const wchar_t* key;
  const wchar_t* group;
  std::int32_t Settings::*field;
  std::int32_t defaultValue;
  std::int32_t min;
  std::int32_t max;
};

struct TextField {
  const wchar_t* key;
  const wchar_t* group;
  std::wstring Settings::*field;
};

constexpr IntField kIntFields[] = {
    {L"JpgCompression", kGroupPdf, &Settings::JpgCompression, 1, 0, 1},
    {L"JpgQuality", kGroupPdf, &Settings::JpgQuality, 8, 1, 10},
    {L"ImageScaling", kGroupPdf, &Settings::ImageScaling, 100, 1, 100},
    {L"ResizeOnlyIfWider", kGroupPdf, &Settings::ResizeOnlyIfWider, 0, 0, 9999},
    {L"PaperOrientation", kGroupPdf, &Settings::PaperOrientation, 1, 1, 2},
    {L"PaperFormat", kGroupPdf, &Settings::PaperFormat, 6, 1, 6},
    {L"PdfStartup", kGroupPdf, &Settings::PdfStartup, 1, 1, 4},
    {L"EnlargeToFit", kGroupPdf, &Settings::EnlargeToFit, 0, 0, 1},
    {L"KeepAspect", kGroupPdf, &Settings::KeepAspect, 1, 0, 1},
    {L"DisplayHeader", kGroupPdf, &Settings::DisplayHeader, 0, 0, 1},
    {L"HeaderFontSize", kGroupPdf, &Settings::HeaderFontSize, 10, 8, 12},
    {L"HeaderDisplayWhat", kGroupPdf, &Settings::HeaderDisplayWhat, 1, 1, 2},
    {L"HeaderDisplayWhere", kGroupPdf, &Settings::HeaderDisplayWhere, 1, 1, 2},
    {L"HeaderDisplayAlign", kGroupPdf, &Settings::HeaderDisplayAlign, 1, 1, 3},
    {L"SaveAuthor", kGroupPdf, &Settings::SaveAuthor, 0, 0, 1},
    {L"SaveTitle", kGroupPdf, &Settings::SaveTitle, 0, 0, 1},
    {L"ThumbLocked", kGroupThumbnail, &Settings::ThumbLocked, 1, 0, 1},
    {L"ThumbSize", kGroupThumbnail, &Settings::ThumbSize, 2, 1, 3},
    {L"ThumbSide", kGroupThumbnail, &Settings::ThumbSide, 2, 1, 2},
    {L"ThumbColor", kGroupThumbnail, &Settings::ThumbColor, 1, 1, 2},
    {L"StayOnTop", kGroupGeneral, &Settings::StayOnTop, 0, 0, 1},
    {L"RememberWinPos", kGroupGeneral, &Settings::RememberWinPos, 0, 0, 1},
    {L"ShowThumbs", kGroupGeneral, &Settings::ShowThumbs, 0, 0, 1},
    {L"RememberLastDirectory", kGroupGeneral, &Settings::RememberLastDirectory, 1, 0, 1},
    {L"SaveSameDirAsFiles", kGroupGeneral, &Settings::SaveSameDirAsFiles, 0, 0, 1},
    {L"ClearBeforeDrop", kGroupGeneral, &Settings::ClearBeforeDrop, 0, 0, 1},
    {L"ShowOptions", kGroupGeneral, &Settings::ShowOptions, 1, 0, 1},
    {L"ShowFullPath", kGroupGeneral, &Settings::ShowFullPath, 0, 0, 1},
    {L"SortAfterDrop", kGroupGeneral, &Settings::SortAfterDrop, 1, 0, 1},
    {L"OpenPdf", kGroupGeneral, &Settings::OpenPdf, 0, 0, 1},
    {L"OpenDir", kGroupGeneral, &Settings::OpenDir, 1, 0, 1},
    {L"Confirmations", kGroupGeneral, &Settings::Confirmations, 1, 0, 1},
    {L"MemoryLoad", kGroupGeneral, &Settings::MemoryLoad, 1, 0, 1},
    {L"ShowSizeCondensed", kGroupGeneral, &Settings::ShowSizeCondensed, 1, 0, 1},
    {L"SortIncludingPath", kGroupGeneral, &Settings::SortIncludingPath, 0, 0, 1},
    {L"Preprocessing", kGroupGeneral, &Settings::Preprocessing, 1, 0, 1},
    {L"DocTitleFromFileName", kGroupGeneral, &Settings::DocTitleFromFileName, 0, 0, 1},
    {L"DeleteLogIfSuccessful", kGroupGeneral, &Settings::DeleteLogIfSuccessful, 0, 0, 1},
    {L"EnableSubFolders", kGroupGeneral, &Settings::EnableSubFolders, 0, 0, 1},
    {L"JpgNoRecompression", kGroupGeneral, &Settings::JpgNoRecompression, 0, 0, 1},
    {L"AutoRotate", kGroupGeneral, &Settings::AutoRotate, 1, 0, 1},
    {L"TiffAllPages", kGroupGeneral, &Settings::TiffAllPages, 1, 0, 1},
};

// Read only while RememberWinPos is 1.
constexpr IntField kGeometryFields[] = {
    {L"X", kGroupGeneral, &Settings::X, 0, kNoBound, kNoBound},
    {L"Y", kGroupGeneral, &Settings::Y, 0, kNoBound, kNoBound},
    {L"W", kGroupGeneral, &Settings::W, 600, 600, kNoBound},
    {L"H", kGroupGeneral, &Settings::H, 400, 400, kNoBound},
    {L"Maximized", kGroupGeneral, &Settings::Maximized, 0, 0, 1},
};

constexpr TextField kDocAuthor{L"DocAuthor", kGroupPdf, &Settings::DocAuthor};
constexpr TextField kDocTitle{L"DocTitle", kGroupPdf, &Settings::DocTitle};
constexpr TextField kLastDirectory{L"LastDirectory", kGroupGeneral, &Settings::LastDirectory};

void ReadIntFields(const IniReader& ini, const wchar_t* group, Settings& s) {
  for (const IntField& f : kIntFields) {
    if (f.group == group) s.*f.field = ReadBoundedInt(ini, f.key, f.defaultValue, f.min, f.max);
  }
}

// A remembered folder that is gone is forgotten.
void ForgetMissingFolder(Settings& s) {
  if (!s.LastDirectory.empty() && !DirectoryExists(s.LastDirectory)) s.LastDirectory.clear();
}

// Writes the file's lines; a group header appears only once a key follows it.
class IniWriter {
 public:
  IniWriter() {
    out_ = "\xEF\xBB\xBF\r\n";
    const std::string stars(80, '*');
    Comment(stars);
    Comment("Configuration file for " + platform::ToUtf8(kProgramTitle));
    Comment("You should not manually edit this file, unless you know what you are doing, but");
    Comment("you can safely delete it if you want to restore all settings to factory defaults.");
    Comment(stars);
  }

  void Group(const wchar_t* name) { pendingGroup_ = name; }

  void Int(const wchar_t* key, std::int32_t value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    Key(key, std::string(buffer, result.ptr));
  }

  // A line break inside a value would start a line of its own on the next
  // start, so it is written as a blank.
  void Text(const wchar_t* key, const std::wstring& value) {
    std::wstring oneLine = value;
    std::replace(oneLine.begin(), oneLine.end(), L'\r', L' ');
    std::replace(oneLine.begin(), oneLine.end(), L'\n', L' ');
    Key(key, platform::ToUtf8(oneLine));
  }

  std::string Take() { return std::move(out_); }

 private:
  void Comment(const std::string& text) { out_ += "; " + text + "\r\n"; }

  void Key(const wchar_t* key, const std::string& value) {
    if (pendingGroup_) {
      out_ += "[" + platform::ToUtf8(pendingGroup_) + "]\r\n";
      pendingGroup_ = nullptr;
    }
    out_ += platform::ToUtf8(key) + " = " + value + "\r\n";
  }

  std::string out_;
  const wchar_t* pendingGroup_ = nullptr;
};

}  // namespace

IniReader::IniReader(std::string_view fileBytes) {
  if (fileBytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text_ = platform::FromUtf8(fileBytes.substr(3));
  } else {
    text_ = platform::FromLatin1(fileBytes);
  }
  Parse();
}

void IniReader::Parse() {
  const std::wstring_view text(text_);
  Group* group = nullptr;  // lines before the first group header belong to none
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", pos);
    if (end == std::wstring_view::npos) end = text.size();
    const std::wstring_view line = SkipLeadingBlanks(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      const std::wstring_view rest = line.substr(1);
      groups_.push_back({rest.substr(0, rest.find(L']')), {}});
      group = &groups_.back();
      continue;
    }
    KeyLine keyLine;
    // A line without "=" holds no value; it is ignored.
    if (group && SplitKeyLine(line, keyLine)) group->entries.push_back({keyLine.key, keyLine.value});
  }
}

bool IniReader::SelectGroup(std::wstring_view name) {
  current_ = nullptr;
  for (const Group& g : groups_) {
    if (SameText(g.name, name)) {
      current_ = &g;
      break;
    }
  }
  return current_ != nullptr;
}

std::optional<std::wstring_view> IniReader::FindValue(std::wstring_view key) const {
  if (!current_) return std::nullopt;
  for (const Entry& e : current_->entries) {
    if (SameText(e.key, key)) return e.value;
  }
  return std::nullopt;
}

std::int64_t ParseLeadingInteger(std::wstring_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  // Accumulated on the negative side, which holds the larger magnitude.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const int digit = text[i] - L'0';
    if (saturated) continue;
    if (value < (kMin + digit) / 10) {
      saturated = true;
      value = kMin;
    } else {
      value = value * 10 - digit;
    }
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::int32_t ReadBoundedInt(const IniReader& ini, std::wstring_view key, std::int32_t defaultValue,
                            std::int32_t min, std::int32_t max) {
  const auto value = ini.FindValue(key);
  if (!value) return defaultValue;
  return Clamp(ParseLeadingInteger(*value), min, max);
}

std::wstring ReadTextValue(const IniReader& ini, std::wstring_view key, const std::wstring& defaultValue) {
  const auto value = ini.FindValue(key);
  if (!value) return defaultValue;
  return std::wstring(TrimTrailingBlanks(*value));
}

void ReadSettings(IniReader& ini, platform::DisplaySize primaryDisplay, Settings& s) {
  const platform::DisplayArea primary{0, 0, primaryDisplay.width, primaryDisplay.height};
  ReadSettings(ini, std::span<const platform::DisplayArea>(&primary, 1), s);
}

namespace {

// Edges count as on the monitor, as they always did for the primary one.
bool OnAnyMonitor(std::int32_t x, std::int32_t y, std::span<const platform::DisplayArea> monitors) {
  return std::any_of(monitors.begin(), monitors.end(), [&](const platform::DisplayArea& m) {
    return x >= m.left && x <= m.right && y >= m.top && y <= m.bottom;
  });
}

}  // namespace

void ReadSettings(IniReader& ini, std::span<const platform::DisplayArea> monitors, Settings& s) {
  s = Settings{};

  // SelectGroup's result needs no check: a missing group yields the defaults.
  ini.SelectGroup(kGroupPdf);
  ReadIntFields(ini, kGroupPdf, s);
  s.DocAuthor = ReadTextValue(ini, kDocAuthor.key, L"");
  s.DocTitle = ReadTextValue(ini, kDocTitle.key, L"");

  ini.SelectGroup(kGroupThumbnail);
  ReadIntFields(ini, kGroupThumbnail, s);

  ini.SelectGroup(kGroupGeneral);
  ReadIntFields(ini, kGroupGeneral, s);
  if (s.RememberWinPos == 1) {
    for (const IntField& f : kGeometryFields) {
      s.*f.field = ReadBoundedInt(ini, f.key, f.defaultValue, f.min, f.max);
    }
    // A window left on a monitor that is gone comes back to a place the
    // user can see; one on any monitor there is (left of or above the
    // primary one too) stays where it was.
    if (!OnAnyMonitor(s.X, s.Y, monitors)) {
      s.X = 100;
      s.Y = 100;
      s.W = 600;
      s.H = 400;
    }
  }
  if (s.RememberLastDirectory == 1) {
    s.LastDirectory = ReadTextValue(ini, kLastDirectory.key, L"");
    ForgetMissingFolder(s);
  }
}

std::string FormatSettingsFile(const Settings& s) {
  IniWriter w;
  w.Group(kGroupPdf);
  w.Int(L"JpgCompression", s.JpgCompression);
  if (s.JpgCompression == 1) w.Int(L"JpgQuality", s.JpgQuality);
  w.Int(L"ImageScaling", s.ImageScaling);
  w.Int(L"ResizeOnlyIfWider", s.ResizeOnlyIfWider);
  w.Int(L"EnlargeToFit", s.EnlargeToFit);
  w.Int(L"PaperOrientation", s.PaperOrientation);
  w.Int(L"PaperFormat", s.PaperFormat);
  w.Int(L"PdfStartup", s.PdfStartup);
  w.Int(L"KeepAspect", s.KeepAspect);
  w.Int(L"DisplayHeader", s.DisplayHeader);
  w.Int(L"HeaderFontSize", s.HeaderFontSize);
  w.Int(L"HeaderDisplayWhat", s.HeaderDisplayWhat);
  w.Int(L"HeaderDisplayWhere", s.HeaderDisplayWhere);
  w.Int(L"HeaderDisplayAlign", s.HeaderDisplayAlign);
  if (s.SaveAuthor == 1) w.Text(L"DocAuthor", s.DocAuthor);
  if (s.SaveTitle == 1) w.Text(L"DocTitle", s.DocTitle);
  w.Int(L"SaveAuthor", s.SaveAuthor);
  w.Int(L"SaveTitle", s.SaveTitle);

  w.Group(kGroupThumbnail);
  w.Int(L"ThumbLocked", s.ThumbLocked);
  w.Int(L"ThumbSide", s.ThumbSide);
  w.Int(L"ThumbSize", s.ThumbSize);
  w.Int(L"ThumbColor", s.ThumbColor);

  w.Group(kGroupGeneral);
  w.Int(L"StayOnTop", s.StayOnTop);
  w.Int(L"RememberWinPos", s.RememberWinPos);
  w.Int(L"ShowThumbs", s.ShowThumbs);
  if (s.RememberWinPos == 1) {
    w.Int(L"X", s.X);
    w.Int(L"Y", s.Y);
    w.Int(L"W", s.W);
    w.Int(L"H", s.H);
  }
  w.Int(L"RememberLastDirectory", s.RememberLastDirectory);
  w.Int(L"SaveSameDirAsFiles", s.SaveSameDirAsFiles);
  if (s.RememberLastDirectory == 1 && !s.LastDirectory.empty()) w.Text(L"LastDirectory", s.LastDirectory);
  w.Int(L"ClearBeforeDrop", s.ClearBeforeDrop);
  w.Int(L"ShowOptions", s.ShowOptions);
  w.Int(L"ShowFullPath", s.ShowFullPath);
  w.Int(L"SortAfterDrop", s.SortAfterDrop);
  w.Int(L"OpenPdf", s.OpenPdf);
  w.Int(L"OpenDir", s.OpenDir);
  w.Int(L"Confirmations", s.Confirmations);
  w.Int(L"MemoryLoad", s.MemoryLoad);
  w.Int(L"ShowSizeCondensed", s.ShowSizeCondensed);
  w.Int(L"SortIncludingPath", s.SortIncludingPath);
  w.Int(L"Preprocessing", s.Preprocessing);
  w.Int(L"DocTitleFromFileName", s.DocTitleFromFileName);
  w.Int(L"DeleteLogIfSuccessful", s.DeleteLogIfSuccessful);
  w.Int(L"EnableSubFolders", s.EnableSubFolders);
  w.Int(L"JpgNoRecompression", s.JpgNoRecompression);
  // Last of its group, so that older files read as they did.
  w.Int(L"AutoRotate", s.AutoRotate);
  w.Int(L"TiffAllPages", s.TiffAllPages);
  if (s.RememberWinPos == 1) w.Int(L"Maximized", s.Maximized);
  return w.Take();
}

bool ApplySettingOverride(std::wstring_view assignment, Settings& s) {
  KeyLine line;
  if (!SplitKeyLine(SkipLeadingBlanks(assignment), line)) return false;
  auto applyInt = [&](const IntField& f) {
    if (!SameText(f.key, line.key)) return false;
    s.*f.field = Clamp(ParseLeadingInteger(line.value), f.min, f.max);
    return true;
  };
  for (const IntField& f : kIntFields) {
    if (applyInt(f)) return true;
  }
  for (const IntField& f : kGeometryFields) {
    if (applyInt(f)) return true;
  }
  for (const TextField* f : {&kDocAuthor, &kDocTitle, &kLastDirectory}) {
    if (SameText(f->key, line.key)) {
      s.*f->field = std::wstring(TrimTrailingBlanks(line.value));
      if (f == &kLastDirectory) ForgetMissingFolder(s);
      return true;
    }
  }
  return false;
}

bool LoadSettingsFromFile(const std::wstring& path, Settings& s) {
  std::vector<unsigned char> bytes;
  const std::int64_t size = platform::FileSize(path);
  const bool read = size >= 0 && size <= kLargestSettingsFile && platform::ReadFileBytes(path, bytes) &&
                    static_cast<std::int64_t>(bytes.size()) <= kLargestSettingsFile;
  const std::string_view text =
      read ? std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()) : std::string_view();
  IniReader ini(text);
  std::vector<platform::DisplayArea> monitors = platform::MonitorAreas();
  // No display found: only the screen's origin counts as on it.
  if (monitors.empty()) monitors.emplace_back();
  ReadSettings(ini, monitors, s);
  return read;
}

bool SaveSettingsToFile(const std::wstring& path, const Settings& s) {
  // A file the user marked read-only keeps its content (some file systems
  // would let the replacing move below through).
  if (platform::IsReadOnlyFile(path)) return false;
  const std::string bytes = FormatSettingsFile(s);
  const std::wstring temp = path + L".tmp";
  platform::OutputFile file = platform::OutputFile::CreateExclusive(temp);
  if (!file.IsOpen()) return false;
  const bool written = file.Write(bytes.data(), bytes.size()) && file.Sync();
  file.Close();
  if (!written || !platform::ReplaceFileWith(temp, path)) {
    platform::RemoveFile(temp);
    return false;
  }
  return true;
}

std::wstring SettingsFileBeside(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    path.replace(0, 8, L"\\\\");  // \\?\UNC\server\share is \\server\share
  } else if (path.rfind(L"\\\\?\\", 0) == 0) {
    path.erase(0, 4);
  }
  return FolderPart(path) + L"Quillon.ini";
}

SettingsFiles ChooseSettingsFiles(const std::wstring& besideFile, bool besideWritable,
                                  const std::wstring& userFile) {
  if (besideWritable || userFile.empty()) return {besideFile, besideFile};
  const bool userExists = platform::FileSize(userFile) >= 0;
  const bool besideExists = platform::FileSize(besideFile) >= 0;
  return {userExists || !besideExists ? userFile : besideFile, userFile, true};
}

SettingsFiles LocateSettingsFiles() {
  const std::wstring beside = SettingsFileBeside(platform::ExecutablePath());
  const std::wstring userFolder = platform::UserDataFolder();
  const std::wstring userFile =
      userFolder.empty() ? std::wstring() : userFolder + L"Quillon" + platform::kPathSeparator + L"Quillon.ini";
  return ChooseSettingsFiles(beside, platform::CanCreateFileIn(FolderPart(beside)), userFile);
}

bool SaveSettingsToFiles(const SettingsFiles& files, const Settings& s) {
  const std::wstring folder = FolderPart(files.save);
  if (files.userOwn && !folder.empty() && !platform::IsDirectory(folder)) platform::MakeFolder(folder);
  return SaveSettingsToFile(files.save, s);
}

std::wstring GetSettingsFilePath() { return LocateSettingsFiles().load; }

bool LoadSettings(Settings& s) { return LoadSettingsFromFile(LocateSettingsFiles().load, s); }

bool SaveSettings(const Settings& s) { return SaveSettingsToFiles(LocateSettingsFiles(), s); }

bool DirectoryExists(const std::wstring& path) {
  if (path.empty()) return false;
#ifdef _WIN32
  constexpr wchar_t kSeparator = L'\\';
#else
  constexpr wchar_t kSeparator = L'/';
#endif
  if (path.back() == kSeparator) return platform::IsDirectory(path);
  return platform::IsDirectory(path + kSeparator);
}
