#pragma once
// The About window (window 2): modal over the main window, returns when the
// user closes it. Windows-only.

void ShowAbout();
