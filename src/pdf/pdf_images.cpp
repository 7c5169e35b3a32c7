#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "pdf/pdf_document.h"

namespace {

constexpr std::int64_t kPngFirstChunk = 33;  // signature (8) + IHDR chunk (25)

bool IsType(const unsigned char* p, const char (&type)[5]) { return std::memcmp(p, type, 4) == 0; }

// Walks the chunks after IHDR and calls visit(type, chunkData, length) for
// each one before IEND. Returns false when the data is damaged: a chunk other
// than IEND with a length of 0 or less, or data ending (chunk body and CRC
// included) before IEND. Lengths come from the file and are never trusted.
template <typename Visit>
bool WalkPngChunks(const unsigned char* data, std::int64_t size, Visit visit) {
  if (data == nullptr || size < kPngFirstChunk) return false;
  std::int64_t p = kPngFirstChunk;
  for (;;) {
    if (size - p < 8) return false;
    const auto length = static_cast<std::int32_t>(ipf_ReadUInt32BE(data + p));
    const unsigned char* type = data + p + 4;
    if (IsType(type, "IEND")) return true;
    if (length <= 0) return false;
    if (size - p - 12 < length) return false;
    visit(type, data + p + 8, length);
    p += static_cast<std::int64_t>(length) + 12;
  }
}

std::int32_t Fail(std::int32_t code, std::int32_t location) {
  return ipf_SetError(code, L"pdf_ImageFromMem", location);
}

void AppendLine(std::string& out, std::string_view key, std::int64_t value) {
  out += key;
  ipf_AppendInt(out, value);
  out += '\n';
}

// Closes the dictionary with /Length, adds the trailer and sums the length.
void FinishStreamObject(PdfStreamObject& object) {
  object.headerText += "/Length ";
  ipf_AppendInt(object.headerText, object.dataLength);
  object.headerText += ">>\nstream\n";
  object.trailerText = "\nendstream\nendobj\n";
  object.length = static_cast<std::int64_t>(object.headerText.size()) + object.dataLength +
                  static_cast<std::int64_t>(object.trailerText.size());
}

}  // namespace

std::uint32_t ipf_ReadUInt32BE(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

std::int32_t ipf_CalcRawDataSizePNG(const unsigned char* data, std::int64_t size, std::int64_t& total) {
  total = 0;
  std::int64_t sum = 0;
  const bool ok = WalkPngChunks(data, size, [&](const unsigned char* type, const unsigned char*, std::int32_t length) {
    if (IsType(type, "IDAT")) sum += length;
  });
  // No image data at all, or more than a stream length can say, is as
  // unusable as a broken chunk list.
  if (!ok || sum == 0 || sum > std::numeric_limits<std::int32_t>::max()) return kPdfBadPng;
  total = sum;
  return kPdfOk;
}

bool ipf_ExtractIDAT(const unsigned char* data, std::int64_t size, std::int64_t total,
                     std::vector<unsigned char>& out) {
  out.clear();
  out.reserve(static_cast<std::size_t>(total));
  return WalkPngChunks(data, size, [&](const unsigned char* type, const unsigned char* chunk, std::int32_t length) {
    if (IsType(type, "IDAT") && out.size() + static_cast<std::size_t>(length) <= static_cast<std::size_t>(total)) {
      out.insert(out.end(), chunk, chunk + length);
    }
  });
}

bool ipf_ExtractPLTE(const unsigned char* data, std::int64_t size, std::vector<unsigned char>& out) {
  out.clear();
  bool found = false;
  const bool ok = WalkPngChunks(data, size, [&](const unsigned char* type, const unsigned char* chunk, std::int32_t length) {
    if (IsType(type, "PLTE")) {  // with several, the last one wins
      out.assign(chunk, chunk + length);
      found = true;
    }
  });
  return ok && found;
}

std::int32_t pdf_SetSpillFile(const std::wstring& path, std::int64_t thresholdBytes) {
  PdfDocument& d = ipf_Document();
  d.spillPath = path;
  d.spillThreshold = thresholdBytes;
  return kPdfOk;
}

std::int32_t ipf_HoldImageData(PdfStreamObject& object) {
  PdfDocument& d = ipf_Document();
  const auto size = static_cast<std::int64_t>(object.data.size());
  if (d.spillThreshold < 0 || d.heldBytes + size <= d.spillThreshold) {
    d.heldBytes += size;
    return kPdfOk;
  }
  if (!d.spill.IsOpen()) {
    d.spill = ipf_CreateBeside(d.spillPath, [](const std::wstring& name) { return platform::ScratchFile::Create(name); });
    if (!d.spill.IsOpen()) return kPdfTemporaryFileError;
  }
  std::int64_t offset = 0;
  if (!d.spill.Append(object.data.data(), object.data.size(), offset)) return kPdfFileIoError;
  object.spillOffset = offset;
  object.spillLength = size;
  std::vector<unsigned char>().swap(object.data);
  return kPdfOk;
}

std::int64_t ipf_ImageDataLength(const PdfStreamObject& object) {
  return object.spillOffset >= 0 ? object.spillLength : static_cast<std::int64_t>(object.data.size());
}

std::optional<std::size_t> ipf_FindImage(const std::wstring& name) {
  const PdfDocument& d = ipf_Document();
  const auto it = d.imagesByName.find(name);
  if (it == d.imagesByName.end()) return std::nullopt;
  return it->second;
}

namespace {

// The six numbers of cm for a stored image that its EXIF orientation turns
// (2..8) into the upright box w x h at (left, bottom). The image's unit
// square has its first row at the top (v = 1); each case sends the stored
// picture's corners to where a viewer that honours the tag shows them.
void AppendTurnedPlacement(std::string& ops, std::int32_t orientation, float w, float h, float left,
                           float bottom) {
  float m[6] = {};
  switch (orientation) {
    case 2: m[0] = -w, m[3] = h, m[4] = left + w, m[5] = bottom; break;             // mirrored
    case 3: m[0] = -w, m[3] = -h, m[4] = left + w, m[5] = bottom + h; break;        // half turn
    case 4: m[0] = w, m[3] = -h, m[4] = left, m[5] = bottom + h; break;             // upside down mirror
    case 5: m[1] = -h, m[2] = -w, m[4] = left + w, m[5] = bottom + h; break;        // transposed
    case 6: m[1] = -h, m[2] = w, m[4] = left, m[5] = bottom + h; break;             // quarter turn right
    case 7: m[1] = h, m[2] = w, m[4] = left, m[5] = bottom; break;                  // transverse
    default: m[1] = h, m[2] = -w, m[4] = left + w, m[5] = bottom; break;            // 8: quarter turn left
  }
  for (int i = 0; i < 6; ++i) {
    if (i > 0) ops += ' ';
    // A plain 0 for the zero terms, as the unturned placement writes them.
    if (m[i] == 0.0f && i < 4) ops += '0';
    else ipf_AppendReal(ops, m[i]);
  }
}

// Shared by both entry points; `owned`, when given, holds the same bytes as
// data and may be taken over instead of copied.
std::int32_t ImageFromMem(const std::wstring& name, std::int32_t kind, std::int32_t colour,
                          const void* data, std::int64_t dataLength, std::vector<unsigned char>* owned,
                          float width, float height, float x, float y, float displayWidth,
                          float displayHeight, std::int32_t orientation) {
  PdfDocument& d = ipf_Document();
  const float s = d.scale;
  const PdfPage* page = d.currentPage ? &d.pages[*d.currentPage] : nullptr;
  const float pageHeight = page ? page->height / s : 0.0f;

  if (kind != kPdfJpeg && kind != kPdfPng) return Fail(kPdfInvalidParameters, 1791);
  if (colour < kPdfRgb || colour > (kind == kPdfJpeg ? kPdfCmykInverted : kPdfGray))
    return Fail(kPdfInvalidParameters, 1798);
  if (kind == kPdfJpeg && colour == kPdfIndexed) return Fail(kPdfInvalidParameters, 1802);

  std::optional<std::size_t> found = ipf_FindImage(name);
  if (!found) {
    // A block that is not there cannot be copied: refuse it with the other
    // parameter checks rather than read through a null pointer.
    if (dataLength < 0 || dataLength > std::numeric_limits<std::int32_t>::max() ||
        (data == nullptr && dataLength > 0)) {
      return Fail(kPdfInvalidParameters, 1791);
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    try {
      ipf_CheckAllocation(1817);
      d.images.emplace_back();
      d.imagesByName.emplace(name, d.images.size() - 1);
    } catch (const std::bad_alloc&) {
      return Fail(kPdfOutOfMemory, 1817);
    }
    PdfImage& image = d.images.back();
    image.number = ipf_NextObjectNumber();
    image.name = name;
    image.pixelWidth = width * s;
    image.pixelHeight = height * s;
    image.kind = kind;
    image.colour = colour;
    image.index = ipf_NextImageIndex();

    if (kind == kPdfJpeg) {
      try {
        ipf_CheckAllocation(1835);
        if (owned) image.data = std::move(*owned);
        else image.data.assign(bytes, bytes + dataLength);
      } catch (const std::bad_alloc&) {
        return Fail(kPdfOutOfMemory, 1835);
      }
    } else {
      std::int64_t total = 0;
      if (ipf_CalcRawDataSizePNG(bytes, dataLength, total) != kPdfOk) return Fail(kPdfBadPng, 1844);
      try {
        ipf_CheckAllocation(1849);
        ipf_ExtractIDAT(bytes, dataLength, total, image.data);
      } catch (const std::bad_alloc&) {
        return Fail(kPdfOutOfMemory, 1849);
      }
      if (colour == kPdfIndexed) {
        try {
          ipf_CheckAllocation(1853);
          image.palette.emplace();
        } catch (const std::bad_alloc&) {
          return Fail(kPdfOutOfMemory, 1853);
        }
        PdfPalette& palette = *image.palette;
        bool extracted = false;
        try {
          ipf_CheckAllocation(1856);
          extracted = ipf_ExtractPLTE(bytes, dataLength, palette.data);
        } catch (const std::bad_alloc&) {
          extracted = false;
        }
        if (!extracted) return Fail(kPdfOutOfMemory, 1856);
        palette.number = ipf_NextObjectNumber();
        palette.highIndex = static_cast<std::int32_t>(palette.data.size() / 3) - 1;
      }
    }
    // Past the threshold the data waits for the save on disk, not in memory.
    const std::int32_t held = ipf_HoldImageData(image);
    if (held != kPdfOk) return Fail(held, held == kPdfTemporaryFileError ? 1860 : 1861);
    found = d.images.size() - 1;
  }

  const PdfImage& image = d.images[*found];
  if (page && page->content) {
    const float w = displayWidth * s, h = displayHeight * s;
    const float left = x * s, bottom = (pageHeight - (y + displayHeight)) * s;
    std::string ops = "q ";
    if (orientation < 2 || orientation > 8) {
      ipf_AppendReal(ops, w);
      ops += " 0 0 ";
      ipf_AppendReal(ops, h);
      ops += ' ';
      ipf_AppendReal(ops, left);
      ops += ' ';
      ipf_AppendReal(ops, bottom);
    } else {
      AppendTurnedPlacement(ops, orientation, w, h, left, bottom);
    }
    ops += " cm /I";
    ipf_AppendInt(ops, image.index);
    ops += " Do Q";
    PdfContent& content = d.contents[*page->content];
    content.imageOps = std::move(ops);
    content.image = found;
  }
  return kPdfOk;
}

}  // namespace

std::int32_t pdf_ImageFromMem(const std::wstring& name, std::int32_t kind, std::int32_t colour,
                              const void* data, std::int32_t dataLength, float width, float height,
                              float x, float y, float displayWidth, float displayHeight,
                              std::int32_t orientation) {
  return ImageFromMem(name, kind, colour, data, dataLength, nullptr, width, height, x, y, displayWidth,
                      displayHeight, orientation);
}

std::int32_t pdf_ImageFromMem(const std::wstring& name, std::int32_t kind, std::int32_t colour,
                              std::vector<unsigned char>&& data, float width, float height, float x,
                              float y, float displayWidth, float displayHeight, std::int32_t orientation) {
  return ImageFromMem(name, kind, colour, data.data(), static_cast<std::int64_t>(data.size()), &data, width,
                      height, x, y, displayWidth, displayHeight, orientation);
}

// Builds the texts that surround an image's data; called during serialization.
namespace {

// The stored JPEG's own colours: readers decode the data and take the
// components as they are, so the space must be the one the file was made in.
const char* JpegColourSpace(std::int32_t colour) {
  switch (colour) {
    case kPdfGray: return "/ColorSpace /DeviceGray\n";
    case kPdfCmyk: return "/ColorSpace /DeviceCMYK\n";
    case kPdfCmykInverted: return "/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n";
    default: return "/ColorSpace /DeviceRGB\n";
  }
}

}  // namespace

void ipf_BuildImageTexts(PdfImage& image) {
  const std::int64_t pixelWidth = std::lround(image.pixelWidth);
  const std::int64_t pixelHeight = std::lround(image.pixelHeight);

  image.dataLength = ipf_ImageDataLength(image);
  std::string& h = image.headerText;
  h.clear();
  ipf_AppendInt(h, image.number);
  h += " 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n";
  AppendLine(h, "/Width ", pixelWidth);
  AppendLine(h, "/Height ", pixelHeight);
  if (image.kind == kPdfJpeg) {
    h += JpegColourSpace(image.colour);
    h += "/BitsPerComponent 8\n/Filter /DCTDecode\n";
  } else {
    std::int32_t colours = 1;
    if (image.colour == kPdfRgb) {
      h += "/ColorSpace /DeviceRGB\n";
      colours = 3;
    } else if (image.colour == kPdfIndexed) {
      h += "/ColorSpace [/Indexed /DeviceRGB ";
      ipf_AppendInt(h, image.palette ? image.palette->highIndex : 0);
      h += ' ';
      ipf_AppendInt(h, image.palette ? image.palette->number : 0);
      h += " 0 R]\n";
    } else {
      h += "/ColorSpace /DeviceGray\n";
    }
    h += "/BitsPerComponent 8\n/Filter /FlateDecode\n/DecodeParms <</Predictor 15 /Colors ";
    ipf_AppendInt(h, colours);
    h += " /BitsPerComponent 8 /Columns ";
    ipf_AppendInt(h, pixelWidth);
    h += ">>\n";
  }
  FinishStreamObject(image);

  if (image.palette) {
    PdfPalette& palette = *image.palette;
    palette.dataLength = static_cast<std::int64_t>(palette.data.size());
    palette.headerText.clear();
    ipf_AppendInt(palette.headerText, palette.number);
    palette.headerText += " 0 obj\n<<";
    FinishStreamObject(palette);
  }
}
