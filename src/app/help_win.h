#pragma once
// The help file, Quillon.chm beside the program, opened in the system's HTML
// Help viewer. Windows-only.
#include <windows.h>

#include <functional>
#include <string>

inline constexpr wchar_t kHelpFileName[] = L"Quillon.chm";
inline constexpr wchar_t kHelpMissingText[] = L"The help file Quillon.chm was not found beside the program.";
inline constexpr wchar_t kHelpFailedText[] = L"The help file Quillon.chm could not be opened.";

// The help file's full path: beside the executable, so that help works
// whatever folder the program was started from.
std::wstring HelpFilePath();

// Opens the help file at topic ("Tab1.html"; empty: its default topic). A
// missing file or a viewer that cannot open it is told in a message box
// centred on owner; nothing else happens.
void ShowHelp(HWND owner, const std::wstring& topic);

// What opens the viewer: HtmlHelpW from hhctrl.ocx, loaded at run time.
// Returns false when nothing could be shown. Tests install their own; an
// empty viewer restores the real one. Returns the previous viewer.
using HelpViewer = std::function<bool(HWND owner, const std::wstring& fileAndTopic)>;
HelpViewer SetHelpViewer(HelpViewer viewer);
