#pragma once
// Quillon's PDF writer: one document at a time, held in process-wide state.
// Every operation except the getters returns 0 or an error code; the last
// error's code and text stay available until pdf_Reset.
#include <cstdint>
#include <string>
#include <vector>

enum PdfError : std::int32_t {
  kPdfOk = 0,
  kPdfOutOfMemory = 1,
  kPdfInvalidParameters = 2,
  kPdfFileCreationError = 3,
  kPdfFileIoError = 4,
  kPdfBadPng = 5,
  kPdfTemporaryFileError = 6,  // the temporary file for image data cannot be created
};

enum PdfImageKind : std::int32_t { kPdfJpeg = 1, kPdfPng = 2 };
// CMYK is for JPEG data only; the inverted form is how Adobe applications
// store CMYK JPEGs (they mark them with an APP14 "Adobe" segment).
enum PdfImageColour : std::int32_t { kPdfRgb = 1, kPdfIndexed = 2, kPdfGray = 3, kPdfCmyk = 4, kPdfCmykInverted = 5 };

// Document and serializer.
std::int32_t pdf_Reset();
std::int32_t pdf_SetAuthor(const std::wstring& author);
std::int32_t pdf_SetTitle(const std::wstring& title);
std::int32_t pdf_SetCreator(const std::wstring& creator);
// startupView: 1 fit page, 2 fit width, 3 true size, 4 full screen.
// pageLayout: 1 single page, 2 one column. Other values are ignored.
std::int32_t pdf_SetDisplayMode(std::int32_t startupView, std::int32_t pageLayout);
// Writes the document to a temporary file beside path and puts it in
// path's place once it is complete and on the disk; an older file at path is
// left as it was when the save fails.
std::int32_t pdf_Save(const std::wstring& path);
// Whether pdf_Save will be able to write path: the folder takes a new file
// and no other program holds the file open. On failure sets and returns
// pdf_Save's own error (3, "File creation error"), without writing anything.
std::int32_t pdf_CheckOutput(const std::wstring& path);
std::int32_t pdf_GetErrorCode();
std::wstring pdf_GetErrorText();

// Pages, font and text. Orientation 1 portrait, 2 landscape, anything else the
// document's default. Page sizes are "width,height" in points; "" = default.
// Unit 1 point, 2 millimetre, 3 inch; positions and sizes are in that unit.
std::int32_t pdf_Create(std::int32_t orientation, const std::wstring& pageSize, std::int32_t unit);
std::int32_t pdf_AddPage(std::int32_t orientation, const std::wstring& pageSize);
std::int32_t pdf_SetFont(const std::wstring& fontName, std::int32_t size);
std::int32_t pdf_SetPosition(float x, float y);
// alignment: 2 centred, 3 right, anything else left.
std::int32_t pdf_TextBox(float width, float height, const std::wstring& text, std::int32_t frame,
                         std::int32_t alignment);
float pdf_GetTextWidth(const std::wstring& text);

// Once more than thresholdBytes of image data are held, further image data
// is kept in a temporary file at path (created then, removed by pdf_Reset
// and whenever the process ends) and copied into the PDF by pdf_Save, which
// writes the same bytes either way. A negative threshold keeps everything in
// memory (the default after pdf_Reset).
std::int32_t pdf_SetSpillFile(const std::wstring& path, std::int64_t thresholdBytes);

// Images: a complete JPEG or PNG file in memory, placed on the current page.
// width/height are the pixel size in user units; x, y, displayWidth and
// displayHeight place it, measured from the page's top-left corner. The same
// name placed again reuses the stored image. orientation is the EXIF
// orientation (1..8) of the data: the image is turned on the page so that
// it shows upright in the box; the box is the upright size (height and width
// exchanged for 5..8). Values outside 2..8 place it as it is stored.
std::int32_t pdf_ImageFromMem(const std::wstring& name, std::int32_t kind, std::int32_t colour,
                              const void* data, std::int32_t dataLength, float width, float height,
                              float x, float y, float displayWidth, float displayHeight,
                              std::int32_t orientation = 1);
// The same, taking over the caller's block instead of copying it: a JPEG's
// bytes are then kept without a second copy of every image in memory.
std::int32_t pdf_ImageFromMem(const std::wstring& name, std::int32_t kind, std::int32_t colour,
                              std::vector<unsigned char>&& data, float width, float height, float x,
                              float y, float displayWidth, float displayHeight, std::int32_t orientation = 1);
