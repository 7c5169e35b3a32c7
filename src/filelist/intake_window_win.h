#pragma once
// The intake's progress window (window 3): "Processing N files ...", a bar
// and Cancel, modal over the main window while a drop is taken in.
// Windows-only.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "filelist/drop_expansion.h"
#include "ui/refresh_pace.h"

// Fixed line numbers of the intake's fatal reports.
inline constexpr std::int32_t kLineAddFilesDropped = 1718;
inline constexpr std::int32_t kLineProcesFilesDropped = 1827;

class IntakeProgressWindow : public IntakeProgress {
 public:
  // probing: the intake examines every file (ProcesFilesDropped), which is
  // also the procedure a failed window is reported from. layoutNeeded runs
  // after added rows (at most every few tens of milliseconds, as the window
  // is brought up to date: see Step).
  IntakeProgressWindow(bool probing, std::function<void()> layoutNeeded);
  ~IntakeProgressWindow() override;
  IntakeProgressWindow(const IntakeProgressWindow&) = delete;
  IntakeProgressWindow& operator=(const IntakeProgressWindow&) = delete;

  void Open(std::size_t pathCount) override;
  void Cleared() override;
  void Added(const FileItem& item) override;
  bool Step(std::int64_t value, bool& cancelled) override;
  void Finish(std::int64_t value) override;
  void Sorted() override;
  [[noreturn]] void AddElementFailed(const wchar_t* procedure, std::int32_t line) override;

  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void SetProgress(std::int64_t value);
  void RefreshLayout();
  // Handles every pending event; pauseMs between them (-1: none).
  void HandlePendingEvents(int pauseMs);

  bool probing_;
  std::function<void()> layoutNeeded_;
  HWND window_ = nullptr;
  HWND progressBar_ = nullptr;
  bool stopRequested_ = false;
  bool cancelPressed_ = false;
  bool mainDisabled_ = false;
  bool layoutPending_ = false;
  RefreshPace pace_;
};

// "Processing 1,234 files ..." (the user's thousands separator).
std::wstring IntakeWindowTitle(std::size_t pathCount);
