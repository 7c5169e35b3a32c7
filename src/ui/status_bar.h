#pragma once
// Status-bar fields drawn by the program (colour, font and alignment per
// field) and the status bar's click hook. Windows-only.
#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr std::int32_t kStatusFieldCount = 16;
// Colour value meaning "the system's text colour" or "transparent background".
inline constexpr std::int32_t kDefaultColour = -1;

// Stores the look of field (0..15; others are ignored) of statusBar and has it
// redrawn. textColour is a COLORREF or kDefaultColour, background a COLORREF
// or kDefaultColour (no fill), flags are DrawTextW flags; font may be null
// (the status bar's own) and stays the caller's. The status bar's parent is
// subclassed at the first call and frees the records when it is destroyed.
void SetStatusField(HWND statusBar, std::int32_t field, const std::wstring& text,
                    std::int32_t textColour, std::int32_t background, UINT flags, HFONT font);

// Called for WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN and
// WM_RBUTTONDBLCLK on a field of the status bar, with the field's index and
// the cursor's client position. The message goes on to the status bar after.
using StatusClickHandler = void (*)(UINT message, std::int32_t field, std::int32_t x,
                                    std::int32_t y);
void SetStatusClickHandler(HWND statusBar, StatusClickHandler handler);
