#pragma once
// The desktop program's side of a build: the progress window #WIN_BUILD_PDF,
// message boxes on the main window, and the output-file dialog.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pipeline/build_pdf.h"
#include "ui/refresh_pace.h"

inline constexpr std::int32_t kWinBuildPdf = 4;

// BuildPdf with the progress window, GDI+ preparation and the memory watch.
std::int32_t BuildPdfWithWindow(const std::wstring& pdfPath, BuildLog& log, const std::vector<BuildItem>& items,
                                Settings& settings);

// The services of a real build on Windows.
BuildServices WindowsBuildServices();

// The progress window. Exposed for tests that drive it directly.
class BuildProgressWindow : public BuildProgress {
 public:
  BuildProgressWindow();
  ~BuildProgressWindow() override;
  BuildProgressWindow(const BuildProgressWindow&) = delete;
  BuildProgressWindow& operator=(const BuildProgressWindow&) = delete;

  void Open(std::int32_t fileCount) override;
  void ShowTitle(const std::wstring& title) override;
  void ShowFile(std::int32_t counter, std::int32_t fileCount, const std::wstring& name) override;
  void ShowProgress(std::int32_t counter) override;
  bool PollCancel() override;
  bool ConfirmLowMemory() override;
  void EndFiles(bool saving) override;
  void Close() override;
  void ShowError(const std::wstring& text) override;
  void Finish() override;
  [[noreturn]] void Fatal(std::int32_t line, const std::wstring& message) override;

  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Shows the title, lines and bar the build last reported, then handles the
  // pending events (which paints them).
  void Refresh();
  void Drain();

  HWND window_ = nullptr;
  HWND counterLine_ = nullptr;
  HWND fileLine_ = nullptr;
  HWND progressBar_ = nullptr;
  HWND cancelButton_ = nullptr;
  HFONT boldFont_ = nullptr;
  bool cancelRequested_ = false;
  // What the build reported; shown when pace_ allows, so that a page costs
  // no drawing of its own.
  RefreshPace pace_;
  std::wstring title_;
  std::int32_t counter_ = 0;
  std::int32_t fileCount_ = 0;
  std::wstring fileName_;
  std::int32_t position_ = 0;
  std::wstring shownTitle_;
  std::wstring shownCounter_;
  std::wstring shownFile_;
  std::int32_t shownPosition_ = 0;
};

// The save dialog for the PDF ("PDF file name"); the empty text on cancel.
// Starts on the desktop, in LastDirectory when remembered and existing, or in
// the folder of the files when SaveSameDirAsFiles is set and they share one.
std::wstring ChoosePdfFileName(const std::wstring& suggestedName, const Settings& settings,
                               const std::vector<BuildItem>& items);
