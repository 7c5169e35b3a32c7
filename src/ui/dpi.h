#pragma once
// Sharp windows on screens of any pixel density: the DPI a window is shown
// at, pixel figures (given at 96 DPI) scaled to it, and the system's message
// font at that DPI. Windows-only.
#include <windows.h>

#include "ui/placement.h"

// Sent when a window lands on a monitor of another DPI (Windows 8.1 on);
// older headers lack the name.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI window is shown at: its monitor's where the system tells it per
// window (Windows 10 on), else the system's. A null window: the system's.
int WindowDpi(HWND window);
// A figure at 96 DPI, at the DPI of window.
inline int Scaled(HWND window, int pixels) { return ScaleToDpi(pixels, WindowDpi(window)); }
// The system's message font at dpi. One font per DPI, kept for the whole
// run (controls hold its handle); the caller never frees it.
HFONT MessageFont(int dpi);
// The outer size of a window with this style whose client area is width x
// height, the frame as wide as at dpi.
SIZE OuterSizeAtDpi(int width, int height, DWORD style, DWORD exStyle, int dpi);
