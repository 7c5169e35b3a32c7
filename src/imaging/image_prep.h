#pragma once
// Turning one image file into the encoded block the PDF writer embeds: a JPEG
// stored as it is, or the image redrawn on a 24-bit canvas, optionally scaled
// down, and encoded again as JPEG or PNG. The decisions that need no GDI+
// (quality table, scaled size, reading a file whole) are portable; the
// sequence itself runs on Windows only.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/image_probe.h"
#include "settings/settings.h"

// GDI+ status codes the preparation tells apart. Our own failures reuse them:
// 1 for a missing encoder or device context, 3 for memory, 7 for streams.
inline constexpr std::int32_t kStatusOk = 0;
inline constexpr std::int32_t kStatusGenericError = 1;
inline constexpr std::int32_t kStatusInvalidParameter = 2;
inline constexpr std::int32_t kStatusOutOfMemory = 3;
inline constexpr std::int32_t kStatusWin32Error = 7;
inline constexpr std::int32_t kStatusUnknownImageFormat = 13;

// Image kinds as the PDF writer numbers them.
inline constexpr std::int32_t kImageKindJpeg = 1;
inline constexpr std::int32_t kImageKindPng = 2;

enum class PrepOutcome {
  Ok,                  // data, kind, width and height are set
  SkippedUnsupported,  // not an image GDI+ can use, or a JPEG that cannot be stored as is
  SkippedNotStorable,  // a JPEG to be stored as is that cannot be read into memory
  GdiplusError,        // status says why; 3 means memory ran out
};

struct PreparedImage {
  PrepOutcome outcome = PrepOutcome::GdiplusError;
  std::vector<unsigned char> data;  // one complete JPEG or PNG file
  std::int32_t kind = 0;            // kImageKindJpeg or kImageKindPng
  std::int32_t width = 0;           // pixels, after any scaling
  std::int32_t height = 0;
  std::int32_t status = kStatusOk;  // the GDI+ status behind a skip or an error
  std::int32_t colour = 1;          // the writer's colour: 1 RGB, 2 palette (PNG), 3 gray, 4/5 CMYK (JPEG)
  // The orientation (1..8) the page still has to apply: the file's EXIF
  // orientation and the row's turn together (TurnedOrientation). A stored
  // JPEG or a PNG passed through keeps its bytes and is turned by its
  // placement; a redrawn image has been turned already (1). width and
  // height are the data's own, before the turn.
  std::int32_t orientation = 1;
  // Set when opening the file itself reported memory short (status 3): the
  // memory its image would need, from its headers, for the build to judge
  // whether memory really is short or the file is damaged (GDI+ on Windows
  // says 3 for many damaged files).
  std::int64_t loadNeedBytes = 0;
  // Pages of the file: more than 1 only for a multi-page TIFF file while
  // TiffAllPages is 1. Each page is prepared on its own (PrepareImage's page).
  // The count is the smaller of the decoder's and the file's own chain of
  // page directories.
  std::int32_t pageCount = 1;
  // Why the file's chain of page directories ended where the pages do, when
  // that was a fault of the file (a loop, a directory outside the file or
  // cut short, the page limit): pages the decoder may claim are missing.
  // Complete otherwise.
  TiffChainEnd pagesEnd = TiffChainEnd::Complete;
};



struct PixelSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The size of an image once its EXIF orientation has turned it: 5..8 are
// quarter turns, which exchange width and height.
PixelSize UprightSize(std::int32_t width, std::int32_t height, std::int32_t orientation);

struct JpegInfo;
// The writer's colour for a JPEG stored as it is: RGB, gray, or CMYK, which
// is inverted when an Adobe segment marks it.
std::int32_t StoredJpegColour(const JpegInfo& info);

// Quality handed to the JPEG encoder for a JpgQuality level; levels outside
// 1..10 are taken as the nearest bound.
std::int32_t JpegQualityForLevel(std::int32_t level);

// The size the re-encode path scales an image of the given size to, or
// nothing when it keeps its size. Scaling applies when ImageScaling is below
// 100 and the width is above ResizeOnlyIfWider (0: any width); each side is
// the whole part of side x ImageScaling / 100, exactly, and never drops
// below one pixel.
std::optional<PixelSize> ScaledSize(PixelSize source, const Settings& settings);

// A generous estimate of the memory an image needs while it is prepared
// (decoded image and canvas), from the first bytes of its file: the pixel
// size of a JPEG, PNG, GIF or BMP header, else a multiple of the file size.
std::int64_t PreparationBytesEstimate(const unsigned char* head, std::size_t size, std::int64_t fileSize);

// Reads the whole file into block. False, with block empty, when the file is
// missing, empty or unreadable, or memory runs short.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& block);

// WalkTiffPages for the file at path, read a directory at a time.
TiffPages WalkTiffFile(const std::wstring& path, std::int32_t limit = kTiffPageLimit);

// The whole preparation of one existing file (Windows only). GDI+ must have
// been started. Only one decoded image and one canvas exist at a time.
// page (0-based) picks a later page of a multi-page TIFF file; turn is the
// row's own turn, degrees clockwise, on top of the EXIF orientation.
PreparedImage PrepareImage(const std::wstring& path, const Settings& settings, std::int32_t page = 0,
                           std::int32_t turn = 0);
