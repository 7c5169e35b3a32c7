#pragma once
// Every message box of the program goes through here: the caption is always
// the program title. The boxes are real system message boxes, so the GUI tests
// answer them the way a user would (see tests/support/gui_harness_win.h).
// Windows-only.
#include <windows.h>

#include <cstdint>
#include <string>

// MessageBoxW with the program title as caption; returns the button pressed
// (IDOK, IDCANCEL, IDYES, IDNO, ...), or 0 when the box could not be shown.
std::int32_t ShowMessage(HWND owner, const std::wstring& text, UINT flags);

// The same box centred on owner (CentreNextDialog armed first); an unowned
// box when owner is null, placed by the system.
std::int32_t ShowCentredMessage(HWND owner, const std::wstring& text, UINT flags);
