#pragma once
// The one record of user choices. Fields are named after their INI keys and
// declared in the record's documented order; the initialisers are the
// factory defaults.
#include <cstdint>
#include <string>

struct Settings {
  std::wstring LastDirectory;
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t W = 600;
  std::int32_t H = 400;
  std::int32_t StayOnTop = 0;
  std::int32_t RememberWinPos = 0;
  std::int32_t ShowThumbs = 0;
  // The window was maximised; X, Y, W, H are then its place behind that.
  std::int32_t Maximized = 0;
  std::int32_t JpgCompression = 1;
  std::int32_t JpgQuality = 8;
  std::int32_t ImageScaling = 100;
  std::int32_t ResizeOnlyIfWider = 0;
  std::int32_t PaperOrientation = 1;
  std::int32_t PaperFormat = 6;
  std::int32_t PdfStartup = 1;
  std::int32_t EnlargeToFit = 0;
  std::int32_t KeepAspect = 1;
  std::int32_t RememberLastDirectory = 1;
  std::int32_t SaveSameDirAsFiles = 0;
  std::int32_t ClearBeforeDrop = 0;
  std::int32_t SortAfterDrop = 1;
  std::int32_t ShowOptions = 1;
  std::int32_t ShowFullPath = 0;
  std::int32_t OpenPdf = 0;
  std::int32_t OpenDir = 1;
  std::int32_t Confirmations = 1;
  std::int32_t MemoryLoad = 1;
  std::int32_t ShowSizeCondensed = 1;
  std::int32_t SortIncludingPath = 0;
  std::int32_t Preprocessing = 1;
  std::int32_t DocTitleFromFileName = 0;
  std::int32_t SaveAuthor = 0;
  std::int32_t SaveTitle = 0;
  std::int32_t DeleteLogIfSuccessful = 0;
  std::int32_t EnableSubFolders = 0;
  std::int32_t JpgNoRecompression = 0;
  // Photos turned as their EXIF orientation asks.
  std::int32_t AutoRotate = 1;
  // Every page of a multi-page TIFF file becomes a page of the PDF.
  std::int32_t TiffAllPages = 1;
  std::wstring DocAuthor;
  std::wstring DocTitle;
  std::int32_t ThumbLocked = 1;
  std::int32_t ThumbSide = 2;
  std::int32_t ThumbSize = 2;
  std::int32_t ThumbColor = 1;
  std::int32_t DisplayHeader = 0;
  std::int32_t HeaderFontSize = 10;
  std::int32_t HeaderDisplayWhat = 1;
  std::int32_t HeaderDisplayWhere = 1;
  std::int32_t HeaderDisplayAlign = 1;
};
