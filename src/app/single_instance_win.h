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

// The running copy's main window: the first visible top-level window, in Z
// order, with a caption (up to 511 characters) that contains the program
// title and a class name that contains "WindowClass_"; null when none.
HWND FindRunningInstance();

// Sends the running copy's window message 1, restores it, shows it and
// brings it to the front. False when no such window was found.
bool ActivateRunningInstance();

// The paths named on a command line after the program's own name, each
// made full against this process's current folder (a second copy started
// elsewhere resolves them where it was started), joined by line feeds.
std::wstring CommandLinePaths(const wchar_t* commandLine);

// Hands pathsText to the running copy (WM_COPYDATA), which takes it in as a
// drop, then activates it as ActivateRunningInstance does. Waits up to waitMs for that copy's window:
// copies started together (Send To with many files) may find it still
// opening. False when no window took the paths.
bool HandPathsToRunningInstance(const std::wstring& pathsText, DWORD waitMs);
