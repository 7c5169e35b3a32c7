#pragma once
// The intake's look at one dropped file (ProcessFile): its size, its pixel
// size and a reduced copy for the thumbnail window. Windows only; GDI+ must
// have been started.
#include <windows.h>

#include <cstdint>
#include <string>

#include "imaging/gdiplus_win.h"
#include "ui/win_handles.h"

struct ExaminedImage {
  std::int64_t fileSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // The image at most box x box pixels large; empty when no drawing context
  // could be had (the file is still accepted).
  win::UniqueBitmap thumbnail;
  // The file's EXIF orientation (1..8; ExamineImageFile only): the
  // thumbnail is the picture as stored, whoever shows it turns it.
  std::int32_t orientation = 1;
};

// False when the file is to be skipped: it does not exist, GDI+ does not
// open it, or its pixels cannot be drawn. Whatever status GDI+ gives for a
// file (Wine says 1 for text and damaged files, Windows 13 or 2; a damaged
// file may even claim to be out of memory), the file is refused, never the
// program ended: the user's file is the problem, not the program.
bool ExamineImageFile(const std::wstring& path, std::int32_t box, ExaminedImage& examined);

// The intake's examination of a dropped file: accepted or refused, with
// its size in bytes and its pixel size (upright: width and height swapped
// for a photo whose EXIF orientation turns it, when upright is set). Decided
// from the headers of JPEG, PNG, GIF and BMP files without decoding a pixel
// where they settle it; anything else goes to ExamineWithGdiplus, and what
// GDI+ will not open to WIC (ReadWicImageSize). No thumbnail is made. Safe on several
// threads at once. Throws std::bad_alloc only when memory really ran short.
bool ExamineImageSize(const std::wstring& path, bool upright, ExaminedImage& examined);

// GDI+ opens the file and reports its pixel size: what headers could not
// settle. The one place the examination calls the GDI+ decoder. GDI+ says
// "out of memory" for many damaged files: that is a refusal unless memory
// really is short, which throws std::bad_alloc.
bool ExamineWithGdiplus(const std::wstring& path, ExaminedImage& examined);

// The bitmap (24 bits) as the orientation shows it, a new bitmap; null
// when none can be had. Orientation 1 gives a copy.
win::UniqueBitmap OrientBitmap(HBITMAP bitmap, std::int32_t orientation);

// Renders image at its own pixel size into a new 24-bit bitmap (bitmap is
// replaced only on success). Returns a GDI+ status: 3 when the bitmap cannot
// be made, 7 when the image's pixels cannot be drawn, kStatusDecoderFault
// when the decoder faulted on them (the image must then be abandoned). When no drawing context
// can be opened, 0 is returned and bitmap stays empty.
std::int32_t DrawImageToBitmap(const GdipImage& image, win::UniqueBitmap& bitmap);
