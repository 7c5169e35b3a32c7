#pragma once
// The writer's in-memory document and its internal steps. Only the writer and
// its tests include this header; everyone else uses pdf.h.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/pdf.h"
#include "platform/clock.h"
#include "platform/file.h"

// Offsets and lengths are 64-bit: a 32-bit count would overflow (undefined
// behaviour) once a document passes 2 GiB, which a large-address-aware
// process can hold in memory.
struct PdfObject {
  std::int32_t number = 0;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  std::string text;
};

struct PdfContent : PdfObject {
  std::int64_t streamLength = 0;
  std::string imageOps;
  std::optional<std::size_t> image;  // what imageOps draws (index into PdfDocument::images)
  std::string fontOps;
  std::string textOps;
};

struct PdfPage : PdfObject {
  float width = 0;
  float height = 0;
  std::optional<std::size_t> content;  // index into PdfDocument::contents
};

// An object whose raw data is written between two texts: images and palettes.
struct PdfStreamObject {
  std::int32_t number = 0;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  std::string headerText;   // up to and including "stream\n"
  std::string trailerText;  // "\nendstream\nendobj\n"
  std::int64_t dataLength = 0;
  std::vector<unsigned char> data;  // released once written
  // Data moved out of memory to the document's spill file: its place there
  // (-1: the data is in `data`) and its size.
  std::int64_t spillOffset = -1;
  std::int64_t spillLength = 0;
};

struct PdfPalette : PdfStreamObject {
  std::int32_t highIndex = 0;
};

struct PdfImage : PdfStreamObject {
  float pixelWidth = 0;
  float pixelHeight = 0;
  std::wstring name;
  std::int32_t kind = 0;
  std::int32_t colour = 0;
  std::int32_t index = 0;
  std::optional<PdfPalette> palette;
};

struct PdfXrefEntry {
  std::int32_t number = 0;
  std::int64_t offset = 0;
};

struct PdfDocument {
  std::int32_t objectCount = 0;
  std::int32_t imageCount = 0;
  float defaultPageWidth = 595.28f;
  float defaultPageHeight = 841.89f;
  float positionX = 0;
  float positionY = 0;
  std::int32_t unit = 2;
  float scale = 2.8346457f;
  std::int32_t startupView = 1;
  std::int32_t pageLayout = 2;
  std::int32_t defaultOrientation = 1;
  std::int64_t xrefOffset = 0;
  std::int64_t xrefLength = 0;
  std::string xrefText;
  std::vector<PdfXrefEntry> xrefEntries;
  std::int64_t trailerLength = 0;
  std::string trailerText;
  PdfObject catalog;
  PdfObject info;
  std::wstring producer = L"Vellum Kit 1.11 by Orrery Labs";
  std::wstring title;
  std::wstring author;
  std::wstring creator;
  PdfObject pagesNode;
  std::vector<PdfPage> pages;
  PdfObject resources;
  PdfObject font;
  std::wstring fontName;
  std::int32_t fontSize = 0;
  std::int32_t fontIndex = 0;
  std::array<std::int32_t, 256> charWidths{};
  std::optional<std::size_t> currentPage;
  std::vector<PdfImage> images;
  std::vector<PdfContent> contents;
  std::int32_t errorCode = 0;
  std::wstring errorText;
  std::int32_t errorLocation = 0;

  // Bookkeeping beyond the documented fields.
  bool created = false;  // pdf_Create ran: the lists exist
  bool saved = false;    // pdf_Save ran: image data has been released
  std::unordered_map<std::wstring, std::size_t> imagesByName;
  // Image data beyond spillThreshold bytes held in memory goes to a
  // temporary file at spillPath (threshold -1: everything stays in memory).
  std::wstring spillPath;
  std::int64_t spillThreshold = -1;
  std::int64_t heldBytes = 0;
  platform::ScratchFile spill;
};

// The one document.
PdfDocument& ipf_Document();

// Records an error and returns its code. A location of 0 keeps the location
// recorded by the failing step.
std::int32_t ipf_SetError(std::int32_t code, std::wstring_view procedure, std::int32_t location);

// Temporary files go beside the file they serve, under a name no user file
// has: path with ".~1", ".~2", ... inserted before its extension (".tmp"),
// each tried with create, which must fail on an existing file, until one is
// made. A failure other than an existing file ends the search.
template <typename Create>
auto ipf_CreateBeside(const std::wstring& path, Create create) -> decltype(create(path)) {
  const std::size_t dot = path.find_last_of(L'.');
  const std::size_t slash = path.find_last_of(L"\\/");
  const bool extension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
  const std::wstring stem = extension ? path.substr(0, dot) : path;
  const std::wstring tail = extension ? path.substr(dot) : std::wstring();
  for (int n = 1;; ++n) {
    const std::wstring name = stem + L".~" + std::to_wstring(n) + tail;
    auto file = create(name);
    if (file.IsOpen() || n == 1000 || platform::FileSize(name) < 0) return file;
  }
}
std::int32_t ipf_NextObjectNumber();
std::int32_t ipf_NextImageIndex();

// Text forms used throughout the file.
void ipf_AppendInt(std::string& out, std::int64_t value);
void ipf_AppendReal(std::string& out, float value);
void ipf_AppendOffset(std::string& out, std::int64_t offset);
std::wstring ipf_EscapeString(std::wstring_view text);
// One Windows-1252 byte per character; "?" for characters it cannot hold.
std::string ipf_ToWinAnsi(std::wstring_view text);
unsigned char ipf_WinAnsiByte(char32_t c);
// An Info dictionary value as a PDF string: printable ASCII as an escaped
// literal string, anything else as UTF-16BE with its byte-order mark.
std::string ipf_InfoString(std::wstring_view text);
// "595.28,841.89" -> width and height; missing or non-numeric fields read as 0.
void ipf_ParsePageSize(std::wstring_view text, float& width, float& height);
// yyyymmddhhmmss plus the zone suffix, without the leading "D:".
std::string ipf_FormatCreationDate(const platform::LocalDateTime& time, const platform::TimeZone& zone);
std::string ipf_TimeZoneOffset(const platform::TimeZone& zone);
// The creation date for a document saved now (or at the test clock's time).
std::string ipf_CurrentCreationDate();

// Keeps an image's data in memory, or moves it to the spill file once the
// data held passes the threshold. Returns 0, 3 (spill file not created) or
// 4 (not written: a full disk).
std::int32_t ipf_HoldImageData(PdfStreamObject& object);
// The data's size, wherever it is.
std::int64_t ipf_ImageDataLength(const PdfStreamObject& object);

// Serialization and output.
void ipf_BuildImageTexts(PdfImage& image);
std::int32_t ipf_LinkDataStructure();
std::int32_t ipf_SavePdfToFile(platform::OutputFile& file);
std::int32_t ipf_WriteBuffer(platform::OutputFile& file, const void* data, std::int64_t length);
std::int32_t ipf_WriteText(platform::OutputFile& file, const std::string& text);

// PNG chunk walk. Never reads outside [data, data + size).
std::uint32_t ipf_ReadUInt32BE(const unsigned char* p);
std::int32_t ipf_CalcRawDataSizePNG(const unsigned char* data, std::int64_t size, std::int64_t& total);
bool ipf_ExtractIDAT(const unsigned char* data, std::int64_t size, std::int64_t total,
                     std::vector<unsigned char>& out);
bool ipf_ExtractPLTE(const unsigned char* data, std::int64_t size, std::vector<unsigned char>& out);
std::optional<std::size_t> ipf_FindImage(const std::wstring& name);

// Test hooks. A fixed clock makes whole files reproducible; a simulated
// allocation failure at a given location exercises every out-of-memory path.
void ipf_SetClockForTesting(std::optional<std::pair<platform::LocalDateTime, platform::TimeZone>> clock);
void ipf_SetAllocationFailureForTesting(std::int32_t location);
// Throws std::bad_alloc when the test hook names this location.
void ipf_CheckAllocation(std::int32_t location);
