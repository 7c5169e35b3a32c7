#pragma once
// The program's save-file dialogs (the PDF, the skipped-files list): one
// shape, owned by the main window. Windows-only.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

// The user's desktop folder with a trailing "\", or empty when the system
// names none.
std::wstring DesktopFolderPath();

// What the program's file dialogs share: owned by the main window, the first
// filter chosen, the answer written into buffer (as long as it is).
OPENFILENAMEW FileDialogRecord(std::vector<wchar_t>& buffer, const wchar_t* filter);

struct SaveDialogAnswer {
  std::wstring path;       // empty: cancelled
  DWORD filterIndex = 0;   // 1-based, of the filter the user left chosen
};

// The save dialog starting at initial (a file name, with or without folder),
// filter a double-zero-ended filter list, title null for the system's own.
// Long paths fit: the answer is not cut at MAX_PATH.
SaveDialogAnswer AskSaveFileName(const std::wstring& initial, const wchar_t* filter, const wchar_t* title);
