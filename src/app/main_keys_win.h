#pragma once
// Moving about window 0 with the keyboard, as in a dialog but without the
// dialog manager: its Escape and Enter would arrive as commands 2 and 1,
// which are Clear and Sort now here. Windows-only.
#include <windows.h>

// Tab and Shift+Tab move the keyboard among the controls that take it (the
// list, "Build PDF"); Enter on "Build PDF" presses it. Escape and Enter
// anywhere else go on to the focused control as they are. True when msg
// was used up here.
bool RouteMainWindowKey(HWND window, HWND buildButton, const MSG& msg);
