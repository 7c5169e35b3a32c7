#pragma once
// One running copy of the program: the named mutex, and the search for the
// running copy's main window that a second start brings to the front.
// Windows-only.
#include <windows.h>

#include <string>

// "pbmutex_single_instance_" followed by the program title.
std::wstring SingleInstanceMutexName();

// Creates the named mutex and keeps it for the rest of the process. False
// when it already existed: another copy is running.
bool ClaimSingleInstance(const std::wstring& name);

// Whether window is a running copy's main window: visible, of the main
// window's own class (its owned windows, About or the skipped files, have
// classes of the same pattern and lie above it), its caption (up to 511
// characters) containing the program title.
bool IsRunningInstanceWindow(HWND window);
// The first such top-level window in Z order; null when none.
HWND FindRunningInstance();

// Sends the running copy's window message 1, restores it, shows it and
// brings it (or the modal window it has open) to the front. False when no
// such window was found.
bool ActivateRunningInstance();

// The paths named on a command line after the program's own name, each
// made full against this process's current folder (a second copy started
// elsewhere resolves them where it was started), joined by line feeds.
std::wstring CommandLinePaths(const wchar_t* commandLine);

// Hands pathsText to the running copy (WM_COPYDATA, in pieces a command
// line could hold), which takes it in as one drop, then activates it as
// ActivateRunningInstance does. Waits up to waitMs for that copy's window:
// copies started together (Send To with many files) may find it still
// opening. True only when the window answered that it took every piece.
bool HandPathsToRunningInstance(const std::wstring& pathsText, DWORD waitMs);
