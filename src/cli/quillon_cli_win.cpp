// quillon-cli: the build of the desktop program for scripts and machines
// without a desktop. The same intake, settings and BuildPdf; progress and
// messages go to standard error instead of windows.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/console_options.h"
#include "filelist/drop_expansion.h"
#include "format/program_info.h"
#include "imaging/gdiplus_win.h"
#include "imaging/image_probe.h"
#include "pipeline/build_pdf.h"
#include "pipeline/build_window_win.h"
#include "pipeline/pdf_title.h"
#include "platform/file.h"
#include "platform/text.h"
#include "settings/settings_file.h"
#include "ui/fatal_error.h"
#include "ui/win_handles.h"

namespace {

// Message boxes break lines with CR LF or a lone CR; a console line ends in LF.
std::wstring ConsoleLines(const std::wstring& text) {
  std::wstring lines;
  lines.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      lines += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      lines += text[i];
    }
  }
  if (lines.empty() || lines.back() != L'\n') lines += L'\n';
  return lines;
}

// Standard output or error: wide text to a console, UTF-8 to a file or pipe.
class ConsoleStream {
 public:
  explicit ConsoleStream(DWORD which) : handle_(::GetStdHandle(which)) {
    DWORD mode = 0;
    terminal_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
                ::GetFileType(handle_) == FILE_TYPE_CHAR && ::GetConsoleMode(handle_, &mode);
  }
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

  bool IsTerminal() const { return terminal_; }

  // Columns of the console window; 80 when it cannot be told.
  std::size_t Width() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (terminal_ && ::GetConsoleScreenBufferInfo(handle_, &info)) {
      const int columns = info.srWindow.Right - info.srWindow.Left + 1;
      if (columns > 10) return static_cast<std::size_t>(columns);
    }
    return 80;
  }

  void Write(const std::wstring& text) const {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE || text.empty()) return;
    if (terminal_) {
      DWORD written = 0;
      ::WriteConsoleW(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
      return;
    }
    const std::string bytes = platform::ToUtf8(text);
    std::size_t at = 0;
    while (at < bytes.size()) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 20));
      if (!::WriteFile(handle_, bytes.data() + at, chunk, &written, nullptr) || written == 0) return;
      at += written;
    }
  }

 private:
  HANDLE handle_;
  bool terminal_ = false;
};

// The progress window's part, on standard error: one rewritten line on a
// terminal, one line per file elsewhere, nothing when quiet. Messages are
// written whatever the mode.
class ConsoleProgress : public BuildProgress {
 public:
  ConsoleProgress(const ConsoleStream& err, bool quiet) : err_(err), quiet_(quiet) {}

  void Open(std::int32_t fileCount) override { total_ = fileCount; }
  void ShowTitle(const std::wstring&) override {}

  void ShowFile(std::int32_t counter, std::int32_t fileCount, const std::wstring& name) override {
    counter_ = counter;
    total_ = fileCount;
    name_ = name;
    if (quiet_) return;
    if (err_.IsTerminal()) Redraw(counter - 1);
    else err_.Write(ProgressRecord(counter, fileCount, name) + L"\n");
  }

  void ShowProgress(std::int32_t counter) override {
    if (!quiet_ && err_.IsTerminal()) Redraw(counter);
  }

  bool PollCancel() override { return false; }

  bool ConfirmLowMemory() override {
    // Nobody is there to answer: the build goes on, as after an OK.
    Message(L"Physical memory is running low; the build goes on.");
    return true;
  }

  void EndFiles(bool saving) override {
    if (!saving || quiet_) return;
    if (err_.IsTerminal()) ShowLine(L"Saving PDF to disk, please wait ...");
    else err_.Write(L"Saving PDF to disk, please wait ...\n");
  }

  void Close() override { ClearLine(); }
  void ShowError(const std::wstring& text) override { Message(text); }
  void Finish() override { ClearLine(); }

  [[noreturn]] void Fatal(std::int32_t line, const std::wstring& message) override {
    Message(FatalErrorText(L"BuildPdf", line, message));
    ::ExitProcess(kExitStopped);
  }

  void Message(const std::wstring& text) {
    ClearLine();
    err_.Write(ConsoleLines(text));
  }

 private:
  void Redraw(std::int32_t done) {
    ShowLine(ProgressBarLine(counter_, total_, done, name_, err_.Width() - 1));
  }

  void ShowLine(const std::wstring& line) {
    std::wstring text = L"\r" + line;
    if (line.size() < shown_) text += std::wstring(shown_ - line.size(), L' ');
    err_.Write(text);
    shown_ = line.size();
  }

  void ClearLine() {
    if (shown_ == 0) return;
    err_.Write(L"\r" + std::wstring(shown_, L' ') + L"\r");
    shown_ = 0;
  }

  const ConsoleStream& err_;
  bool quiet_;
  std::int32_t counter_ = 0;
  std::int32_t total_ = 0;
  std::wstring name_;
  std::size_t shown_ = 0;  // characters of the progress line now on the terminal
};

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

int Usage(const ConsoleStream& err, const std::wstring& what) {
  err.Write(L"quillon-cli: " + what + L" (see quillon-cli --help)\n");
  return kExitUsage;
}

int Run(const std::vector<std::wstring>& args) {
  const ConsoleStream out(STD_OUTPUT_HANDLE);
  const ConsoleStream err(STD_ERROR_HANDLE);

  ConsoleOptions options;
  std::wstring error;
  if (!ParseConsoleArguments(args, options, error)) return Usage(err, error);
  if (options.command == ConsoleCommand::Help) {
    out.Write(ConsoleUsage());
    return kExitOk;
  }
  if (options.command == ConsoleCommand::Version) {
    out.Write(std::wstring(kProgramTitle) + L"\n" + kCreatorText + L"\n");
    return kExitOk;
  }

  // The settings, read as the desktop program reads them and never written.
  Settings settings;
  if (options.settingsFile.empty()) {
    LoadSettingsFromFile(GetSettingsFilePath(), settings);
  } else if (!LoadSettingsFromFile(platform::FullPath(options.settingsFile), settings)) {
    return Usage(err, L"cannot read the settings file " + options.settingsFile);
  }
  if (!ApplyConsoleAssignments(options.assignments, settings, error)) return Usage(err, error);

  const std::wstring pdfPath = platform::FullPath(options.output);
  std::vector<std::wstring> dropped;
  dropped.reserve(options.inputs.size());
  for (const std::wstring& input : options.inputs) dropped.push_back(platform::FullPath(input));

  const win::ComApartment com;
  GdiplusSession gdiplus;
  if (!gdiplus.Started()) {
    err.Write(L"GDI+ could not be started (status " + std::to_wstring(gdiplus.status()) + L").\n");
    return kExitStopped;
  }

  DropIntake intake;
  try {
    intake = TakeDroppedPaths(std::move(dropped), settings, ProbeImageHeaders);
  } catch (const AddElementFailure& failure) {
    err.Write(ConsoleLines(FatalErrorText(failure.procedure, failure.line, L"AddElement failed.")));
    return kExitStopped;
  }
  if (intake.added.empty()) {
    err.Write(L"No files added, format not supported.\n");
    return kExitProblems;
  }
  // A forgotten output name would make the first image the output: never
  // write a PDF over one of the files it is made from.
  for (const std::wstring& path : intake.added) {
    if (SamePath(path, pdfPath)) return Usage(err, L"the output file is also an input: " + options.output);
  }
  if (!intake.skipped.empty()) err.Write(SkippedFilesReport(intake.skipped));

  std::vector<BuildItem> items;
  items.reserve(intake.added.size());
  for (const std::wstring& path : intake.added) items.push_back(BuildItem{path, FilePart(path)});

  if (settings.DocTitleFromFileName == 1) settings.DocTitle = PdfTitleFromFileName(pdfPath);

  ConsoleProgress progress(err, options.quiet);
  const BuildServices services = WindowsBuildServices();
  BuildLog log;
  const std::int32_t result = BuildPdf(pdfPath, log, items, settings, progress, services);
  return ConsoleExitStatus(result, log, intake.skipped.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return Run(args);
}
