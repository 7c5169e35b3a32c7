#pragma once
// Whether a dropped file is an image the build can use (Windows only; GDI+
// must have been started).
#include <string>

// True when the file exists and GDI+ opens it as an image of a known size.
// Whatever status GDI+ gives for a file it refuses (Wine says 1 for text and
// damaged files, Windows 13, 2 or even 3), the file is refused, never the
// program ended: the user's file is the problem, not the program.
bool ProbeImageFile(const std::wstring& path);
