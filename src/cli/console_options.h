#pragma once
// The console companion's command line, texts and exit statuses: everything
// about it that needs no console.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/build_log.h"
#include "settings/settings.h"

inline constexpr int kExitOk = 0;        // the PDF was written, nothing skipped or missing
inline constexpr int kExitProblems = 1;  // ran to its end, but files were skipped or missing, or none added
inline constexpr int kExitStopped = 2;   // the build stopped: writer error, out of memory, output not writable
inline constexpr int kExitUsage = 64;    // the command line is wrong

enum class ConsoleCommand { Build, Help, Version };

struct ConsoleOptions {
  ConsoleCommand command = ConsoleCommand::Build;
  std::wstring settingsFile;               // empty: Quillon.ini beside the executable
  std::vector<std::wstring> assignments;   // "KEY=VALUE" of every --set, in order
  bool quiet = false;
  std::wstring output;
  std::vector<std::wstring> inputs;
};

// Reads the arguments that follow the program name. "--" ends the options,
// so that a file whose name starts with "-" can be given. False, with one
// line in error, when the command line is not usable.
bool ParseConsoleArguments(const std::vector<std::wstring>& args, ConsoleOptions& options, std::wstring& error);

// The text --help prints.
std::wstring ConsoleUsage();

// Applies every "KEY=VALUE" the way the settings file's value would be read.
// False, with one line in error, at the first that names no setting.
bool ApplyConsoleAssignments(const std::vector<std::wstring>& assignments, Settings& settings,
                             std::wstring& error);

// The exit status after a build that was given at least one file.
int ConsoleExitStatus(std::int32_t buildResult, const BuildLog& log, std::size_t skippedAtIntake);

// "Some files (N) were skipped, format not supported." and one path a line.
std::wstring SkippedFilesReport(const std::vector<std::wstring>& skipped);

// The line written for every file when progress goes to a file or a pipe.
std::wstring ProgressRecord(std::int32_t counter, std::int32_t total, const std::wstring& name);
// The one line a terminal keeps rewriting: counter, a bar of done of total,
// and as much of the name's end as fits in width characters.
std::wstring ProgressBarLine(std::int32_t counter, std::int32_t total, std::int32_t done, const std::wstring& name,
                             std::size_t width);
