#pragma once
// The skipped-files window (window 7): how many files the last drop refused,
// and an export of their paths to a text file. Windows-only.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr wchar_t kSkippedFileDefaultName[] = L"Quillon skipped files.txt";
inline constexpr wchar_t kSkippedSaveFailedText[] = L"Error saving the skipped files list.";

// Fixed line numbers of the window's fatal reports.
inline constexpr std::int32_t kLineSkippedWindow = 1998;
inline constexpr std::int32_t kLineSkippedImage = 2002;

// Control ids of window 7.
inline constexpr int kSkippedOkButton = IDOK;
inline constexpr int kSkippedExportButton = 101;
inline constexpr int kSkippedText = 102;
inline constexpr int kSkippedIcon = 103;

// Shows the window modally over the main window (and the thumbnail window,
// when open) and returns when it is closed. The list is not changed.
std::int32_t ShowSkippedFiles(const std::vector<std::wstring>& skipped);

// The save dialog for the export, starting at "Quillon skipped files.txt" on
// the desktop; the chosen path with ".txt" added when it has no extension,
// or the empty text when cancelled.
std::wstring AskSkippedListFile();
