#include "cli/console_options.h"

#include <algorithm>

#include "settings/settings_file.h"

namespace {

constexpr std::size_t kBarCells = 20;

bool IsOption(const std::wstring& arg) { return arg.size() > 1 && arg[0] == L'-'; }

}  // namespace

bool ParseConsoleArguments(const std::vector<std::wstring>& args, ConsoleOptions& options, std::wstring& error) {
  options = ConsoleOptions();
  std::vector<std::wstring> positional;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (optionsEnded || !IsOption(arg)) {
      positional.push_back(arg);
    } else if (arg == L"--") {
      optionsEnded = true;
    } else if (arg == L"--help") {
      options.command = ConsoleCommand::Help;
      return true;
    } else if (arg == L"--version") {
      options.command = ConsoleCommand::Version;
      return true;
    } else if (arg == L"--quiet") {
      options.quiet = true;
    } else if (arg == L"--settings" || arg == L"--set") {
      if (i + 1 == args.size()) {
        error = arg == L"--set" ? L"--set needs KEY=VALUE" : L"--settings needs a file";
        return false;
      }
      const std::wstring& value = args[++i];
      if (arg == L"--settings") {
        if (value.empty()) {
          error = L"--settings needs a file";
          return false;
        }
        options.settingsFile = value;
      } else {
        if (value.find(L'=') == std::wstring::npos) {
          error = L"--set needs KEY=VALUE, not \"" + value + L"\"";
          return false;
        }
        options.assignments.push_back(value);
      }
    } else {
      error = L"unknown option " + arg;
      return false;
    }
  }
  if (positional.empty()) {
    error = L"no output file and no input given";
    return false;
  }
  if (positional.size() == 1) {
    error = L"no input given after the output file " + positional.front();
    return false;
  }
  options.output = positional.front();
  options.inputs.assign(positional.begin() + 1, positional.end());
  if (options.output.empty()) {
    error = L"the output file name is empty";
    return false;
  }
  return true;
}

std::wstring ConsoleUsage() {
  return L"Usage: quillon-cli [--settings FILE] [--set KEY=VALUE]... [--quiet] OUTPUT.pdf INPUT...\n"
         L"\n"
         L"Turns image files into one PDF, one image per page, with the same settings\n"
         L"and pipeline as the desktop program. INPUT are files and folders, taken as one\n"
         L"drop on an empty list. The log is written beside the PDF (OUTPUT.log).\n"
         L"\n"
         L"  --settings FILE   read the settings from FILE instead of Quillon.ini beside\n"
         L"                    the program; the file is never written\n"
         L"  --set KEY=VALUE   override one setting (any key of the settings file)\n"
         L"  --quiet           no progress on standard error\n"
         L"  --help            this text\n"
         L"  --version         the program's name and version\n"
         L"\n"
         L"Exit status: 0 the PDF was written and no file was skipped or missing;\n"
         L"1 files were skipped or missing, or none was added; 2 the build stopped;\n"
         L"64 the command line is wrong.\n";
}

bool ApplyConsoleAssignments(const std::vector<std::wstring>& assignments, Settings& settings,
                             std::wstring& error) {
  for (const std::wstring& assignment : assignments) {
    if (!ApplySettingOverride(assignment, settings)) {
      std::wstring key = assignment.substr(0, assignment.find(L'='));
      key.erase(key.find_last_not_of(L" \t") + 1);
      error = L"--set: no setting is called \"" + key + L"\"";
      return false;
    }
  }
  return true;
}

int ConsoleExitStatus(std::int32_t buildResult, const BuildLog& log, std::size_t skippedAtIntake) {
  if (buildResult == 0) return kExitStopped;
  // A build that placed no file writes no PDF.
  if (log.FilesProcessed == 0) return kExitProblems;
  if (log.FilesSkipped > 0 || log.FilesMissing > 0 || skippedAtIntake > 0) return kExitProblems;
  return kExitOk;
}

std::wstring SkippedFilesReport(const std::vector<std::wstring>& skipped) {
  std::wstring text =
      L"Some files (" + std::to_wstring(skipped.size()) + L") were skipped, format not supported.\n";
  for (const std::wstring& path : skipped) text += path + L"\n";
  return text;
}

std::wstring ProgressRecord(std::int32_t counter, std::int32_t total, const std::wstring& name) {
  return std::to_wstring(counter) + L" of " + std::to_wstring(total) + L"  " + name;
}

std::wstring ProgressBarLine(std::int32_t counter, std::int32_t total, std::int32_t done, const std::wstring& name,
                             std::size_t width) {
  std::size_t filled = 0;
  if (total > 0) {
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, total);
    filled = static_cast<std::size_t>(clamped * static_cast<std::int64_t>(kBarCells) / total);
  }
  std::wstring line = std::to_wstring(counter) + L" of " + std::to_wstring(total) + L" [" +
                      std::wstring(filled, L'#') + std::wstring(kBarCells - filled, L'.') + L"] ";
  if (line.size() >= width) return line.substr(0, width);
  const std::size_t room = width - line.size();
  if (name.size() <= room) return line + name;
  // The end of a name tells files apart better than its start.
  if (room <= 3) return line + std::wstring(room, L'.');
  return line + L"..." + name.substr(name.size() - (room - 3));
}
