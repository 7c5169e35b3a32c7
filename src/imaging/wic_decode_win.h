#pragma once
// Windows' imaging component (WIC) as the second decoder, for files GDI+
// will not open: TGA, BMP shapes GDI+ refuses, and whatever codecs the
// machine has installed (WebP, HEIF, camera raw). The same calls for every
// format; nothing here knows one from another. Every call that reads the
// file runs under the decoder guard. Windows only; GDI+ must have been
// started. COM is joined for the call when the thread has not joined it.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/gdiplus_win.h"
#include "imaging/image_prep.h"

// The first frame of the file, as 32-bit BGRA in a GDI+ bitmap of the same
// pixel format (32bppARGB), turned so that it stands upright when upright is
// set and its EXIF orientation says so. Returns 0; 13 when WIC has no
// decoder for the file (and for GIF files: GDI+ is their decoder); 7 when
// its pixels cannot be decoded or no canvas could hold them; 3 when memory
// for its pixels cannot be had (needBytes then says how much the image
// needs, decoded and redrawn); kStatusDecoderFault when the decoder faulted.
std::int32_t LoadImageWithWic(const std::wstring& path, bool upright, GdipImage& image, std::int64_t& needBytes);

// The first frame's pixel size (width and height exchanged for a
// quarter-turned photo when upright is set). Its rows are decoded a band at
// a time into a small buffer, so that a damaged file is refused as the build
// would skip it. False when WIC has no decoder for the file, cannot decode
// it, or faulted.
bool ReadWicImageSize(const std::wstring& path, bool upright, PixelSize& size);

// The extensions of the image files this machine decodes, GDI+'s and the
// installed WIC decoders' (ReadableExtensions), asked of the platform on
// the first call only.
const std::vector<std::wstring>& MachineImageExtensions();
