#pragma once
// Main: the settings, window 0, the one event loop and the orderly end that
// saves the settings; the commands the menus, the button and the drops
// start. Windows-only.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "filelist/file_list.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

inline constexpr wchar_t kQuitQuestion[] = L"Do you really want to quit ?";
inline constexpr wchar_t kOverwriteQuestion[] = L"Do you want to overwrite the existing file ?";
inline constexpr wchar_t kSaveSettingsFailed[] = L"Unable to save settings on exit.";

// Runs the program with the settings file at settingsPath: loads it, opens
// window 0, handles events until the user quits, saves the settings and
// closes the window. Returns the exit code (0). startPaths (paths joined by
// line feeds, from the command line) are taken in as one drop once the
// window is up.
int Main(const std::wstring& settingsPath, const std::wstring& startPaths = {});
// The same with the file read at start and the one written at the end apart
// (a program installed where its user cannot write).
int Main(const SettingsFiles& settingsFiles, const std::wstring& startPaths = {});

// True when the program may end: at once when Confirmations is 0, else on
// Yes to the quit question, centred on the main window.
bool ConfirmQuit(const Settings& settings);
// True when the PDF may be written to path: it names no existing file, or
// the user answered Yes to the overwrite question.
bool ConfirmOverwrite(const std::wstring& path);

// The settings window, true on OK. Every way to it (menu 9, a double click
// on the status bar, the build's ShowOptions) comes through here.
bool RunSettingsPanel();
using SettingsPanel = std::function<bool(Settings& settings, const FileList& list)>;
// Replaces what RunSettingsPanel shows (tests); an empty panel restores the
// program's own. Returns the previous one.
SettingsPanel SetSettingsPanel(SettingsPanel panel);

// Opens a file or a folder with the program the system associates with it.
// Tests replace it: a folder opened under Wine starts a file manager that
// never ends. An empty opener restores the real one. Returns the previous one.
using ShellOpener = std::function<void(const std::wstring& target)>;
ShellOpener SetShellOpener(ShellOpener opener);

// The running program's state, for the tests of the commands.
struct MainState {
  Settings* settings = nullptr;
  FileList* list = nullptr;
  std::wstring suggestedName;  // offered by the output-file dialog
  std::wstring addFolder;      // where "Add files..." and "Add folder..." start
  bool quit = false;
};
const MainState& CurrentMainState();

// The "Build PDF" command: settings window (ShowOptions), output file with
// the overwrite question, document title, the build, then the PDF or its
// folder opened as OpenPdf and OpenDir ask.
void RunBuildCommand();
