#pragma once
// Window 6: the thumbnail of the list's current row, on a black or white
// square, docked beside the main window or free where the user put it. Its
// pictures are made from the files when a row is shown (the current row
// first, then its neighbours, on a worker thread) and held in a bounded
// cache; a record that carries a bitmap of its own shows that. Windows-only.
#include <windows.h>

#include <cstdint>

#include "settings/settings.h"

// The settings the window follows (ShowThumbs, ThumbLocked, ThumbSide,
// ThumbSize, ThumbColor); settings must outlive the window. Also connects
// the list view's thumbnail calls (SetThumbnailHooks) to this window.
void InstallThumbnailWindow(Settings& settings);

// Shows the thumbnail of a list row, opening the window when needed; row -1
// closes it. Nothing happens while ShowThumbs is 0 or the list is empty. A
// picture that could not be made is tried once more on each call.
void ShowThumbnail(std::int32_t row);
// Closes the window (ShowThumbs is left as it is) and forgets the last drawn
// bitmap; a picture still being made then does not open it again.
void CloseThumbnail();
// Stops the thumbnails' worker thread and frees their pictures: at the end
// of the program, before GDI+ shuts down (the fatal report does it too).
void ReleaseThumbnailCache();
// Docks the window to the main window, or moves it to its free position.
void PlaceThumbnail();
// The next ShowThumbnail draws even the bitmap it drew last (the settings
// window's OK: the colour may have changed).
void ForgetShownThumbnail();

// The thumbnail cache's memory budget (64 MB unless changed here).
void SetThumbnailCacheBudget(std::int64_t bytes);
// The bytes of the thumbnails the cache holds now.
std::int64_t HeldThumbnailBytes();

// The open window, or null. Others disable it while their modal window is up.
HWND ThumbnailWindow();

// Fixed line numbers of the window's fatal reports.
inline constexpr std::int32_t kLineShowThumbnailFind = 909;
inline constexpr std::int32_t kLineShowThumbnailCanvas = 919;
inline constexpr std::int32_t kLineShowThumbnailWindow = 921;
