#include "imaging/image_probe.h"

#include <array>
#include <cstring>

namespace {

std::uint32_t ReadBE16(const unsigned char* p) { return static_cast<std::uint32_t>(p[0]) << 8 | p[1]; }

std::uint32_t ReadBE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// ---- JPEG -------------------------------------------------------------------

std::uint32_t ReadTiff16(const unsigned char* p, bool bigEndian) {
  return bigEndian ? ReadBE16(p) : static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

std::uint32_t ReadTiff32(const unsigned char* p, bool bigEndian) {
  return bigEndian ? ReadBE32(p)
                   : static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
                         static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

constexpr unsigned char kSof0 = 0xC0, kSof1 = 0xC1, kSof2 = 0xC2, kDht = 0xC4, kDac = 0xCC, kSoi = 0xD8,
                        kEoi = 0xD9, kSos = 0xDA, kDqt = 0xDB, kDri = 0xDD, kCom = 0xFE;

bool IsFrameMarker(unsigned char m) {
  return m >= 0xC0 && m <= 0xCF && m != kDht && m != 0xC8 && m != kDac;
}

struct JpegWalk {
  const unsigned char* data;
  std::size_t size;
  JpegInfo info;
  unsigned char frameMarker = 0;
  struct Component {
    unsigned char id = 0;
    unsigned char table = 0;  // quantization table
  };
  std::array<Component, 4> components{};
  bool dc[4] = {}, ac[4] = {}, quant[4] = {};
  bool exifSeen = false;

  bool Frame(const unsigned char* s, std::size_t n, unsigned char marker) {
    if (frameMarker != 0 || n < 6) return false;
    const std::int32_t count = s[5];
    if (count < 1 || count > 4 || n != 6 + 3 * static_cast<std::size_t>(count)) return false;
    for (std::int32_t i = 0; i < count; ++i) {
      const unsigned char* c = s + 6 + 3 * i;
      const unsigned h = c[1] >> 4, v = c[1] & 15;
      if (h < 1 || h > 4 || v < 1 || v > 4 || c[2] > 3) return false;
      for (std::int32_t j = 0; j < i; ++j)
        if (components[static_cast<std::size_t>(j)].id == c[0]) return false;
      components[static_cast<std::size_t>(i)] = {c[0], c[2]};
    }
    frameMarker = marker;
    info.precision = s[0];
    info.height = static_cast<std::int32_t>(ReadBE16(s + 1));
    info.width = static_cast<std::int32_t>(ReadBE16(s + 3));
    info.components = count;
    // A height of 0 is given later by a DNL segment, which PDF readers need not support.
    return info.width > 0 && info.height > 0 && (info.precision == 8 || info.precision == 12);
  }

  bool Huffman(const unsigned char* s, std::size_t n) {
    for (std::size_t q = 0; q < n;) {
      const unsigned kind = s[q] >> 4, slot = s[q] & 15;
      if (kind > 1 || slot > 3 || n - q < 17) return false;
      std::size_t symbols = 0;
      for (std::size_t i = 1; i <= 16; ++i) symbols += s[q + i];
      if (symbols > 256 || n - q - 17 < symbols) return false;
      (kind == 0 ? dc : ac)[slot] = true;
      q += 17 + symbols;
    }
    return n > 0;
  }

  bool Quantization(const unsigned char* s, std::size_t n) {
    for (std::size_t q = 0; q < n;) {
      const unsigned wide = s[q] >> 4, slot = s[q] & 15;
      const std::size_t values = wide ? 128 : 64;
      if (wide > 1 || slot > 3 || n - q - 1 < values) return false;
      quant[slot] = true;
      q += 1 + values;
    }
    return n > 0;
  }

  // A scan header: its components, their tables and its spectral selection.
  bool Scan(const unsigned char* s, std::size_t n) {
    if (frameMarker == 0 || n < 1) return false;
    const std::size_t count = s[0];
    if (count < 1 || count > 4 || n != 4 + 2 * count) return false;
    const unsigned start = s[1 + 2 * count], end = s[2 + 2 * count], approx = s[3 + 2 * count];
    const bool progressive = frameMarker == kSof2 || frameMarker == 0xCA;
    if (end > 63 || start > end) return false;
    if (!progressive && (start != 0 || end != 63 || approx != 0)) return false;
    if (progressive && start == 0 && end != 0) return false;
    if (progressive && start > 0 && count != 1) return false;
    const bool needsDc = start == 0 && (!progressive || (approx >> 4) == 0);
    const bool needsAc = end > 0;
    const unsigned highestTable = frameMarker == kSof0 ? 1 : 3;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned char id = s[1 + 2 * i];
      const unsigned dcTable = s[2 + 2 * i] >> 4, acTable = s[2 + 2 * i] & 15;
      const Component* found = nullptr;
      for (std::int32_t j = 0; j < info.components; ++j)
        if (components[static_cast<std::size_t>(j)].id == id) found = &components[static_cast<std::size_t>(j)];
      if (!found || !quant[found->table]) return false;
      if (needsDc && (dcTable > highestTable || !dc[dcTable])) return false;
      if (needsAc && (acTable > highestTable || !ac[acTable])) return false;
    }
    return true;
  }

  // Skips a scan's entropy-coded data; p is left on the 0xFF of the next marker.
  bool SkipEntropyData(std::size_t& p) const {
    for (;;) {
      const void* ff = p < size ? std::memchr(data + p, 0xFF, size - p) : nullptr;
      if (!ff) return false;
      p = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - data);
      if (size - p < 2) return false;
      const unsigned char next = data[p + 1];
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) p += 2;  // stuffed byte, restart marker
      else if (next == 0xFF) p += 1;                                 // fill byte
      else return true;
    }
  }

  JpegVerdict Walk(bool wholeFile) {
    std::size_t p = 2;
    bool scanned = false;
    for (;;) {
      if (p >= size || data[p] != 0xFF) return JpegVerdict::Damaged;
      while (p < size && data[p] == 0xFF) ++p;
      if (p >= size) return JpegVerdict::Damaged;
      const unsigned char marker = data[p++];
      if (marker == kEoi) return scanned ? Verdict() : JpegVerdict::Damaged;
      // Standalone markers have no place between segments.
      if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= kSoi)) return JpegVerdict::Damaged;
      if (size - p < 2) return JpegVerdict::Damaged;
      const std::size_t length = ReadBE16(data + p);
      if (length < 2 || length > size - p) return JpegVerdict::Damaged;
      const unsigned char* s = data + p + 2;
      const std::size_t n = length - 2;
      p += length;
      bool ok = true;
      if (IsFrameMarker(marker)) ok = !scanned && Frame(s, n, marker);
      else if (marker == kDht) ok = Huffman(s, n);
      else if (marker == kDqt) ok = Quantization(s, n);
      else if (marker == kDri) ok = n == 2;
      else if (marker == kSos) {
        ok = Scan(s, n);
        if (ok && !wholeFile) return Verdict();
        scanned = true;
        if (ok && !SkipEntropyData(p)) return JpegVerdict::Damaged;
      } else if ((marker >= 0xE0 && marker <= 0xEF) || marker == kCom) {
        ok = true;  // application data and comments
        if (marker == 0xE1 && !exifSeen && n >= 6 && std::memcmp(s, "Exif\0\0", 6) == 0) {
          exifSeen = true;
          if (!scanned) info.orientation = ExifOrientation(s, n);
        }
        if (marker == 0xEE && !scanned && n >= 12 && std::memcmp(s, "Adobe", 5) == 0) info.adobe = true;
      } else if (marker == 0xDC) {
        ok = scanned && n == 2;  // DNL: only after a scan
      } else {
        ok = false;  // DAC, hierarchical, reserved: strict readers refuse them
      }
      if (!ok) return JpegVerdict::Damaged;
    }
  }

  JpegVerdict Verdict() const {
    const bool dct = frameMarker == kSof0 || frameMarker == kSof1 || frameMarker == kSof2;
    // Every reader's DCT decoder takes one, three and four components; two
    // have no colour space of their own.
    const bool colours = info.components == 1 || info.components == 3 || info.components == 4;
    return dct && info.precision == 8 && colours ? JpegVerdict::Storable : JpegVerdict::OtherColour;
  }
};

// ---- PNG ----------------------------------------------------------------------

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned char kPngEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

std::uint32_t Crc32(const unsigned char* p, std::size_t n) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

bool IsType(const unsigned char* t, const char* name) { return std::memcmp(t, name, 4) == 0; }

bool ValidDepth(std::int32_t colourType, std::int32_t depth) {
  switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

// Chunks that leave the decoded pixels as they are: text, time, resolution,
// a background for alpha the file does not have, histograms, significant
// bits, and colour descriptions that only colour management would apply
// (neither the decoder nor the PDF reader sees them on either path). Gamma
// is harmless only as the sRGB value (1/2.2) every encoder writes by default.
bool IsHarmlessChunk(const unsigned char* t, const unsigned char* data, std::uint32_t length) {
  for (const char* name : {"tEXt", "zTXt", "iTXt", "tIME", "pHYs", "sRGB", "bKGD", "hIST", "sPLT", "sBIT", "cHRM",
                           "iCCP"})
    if (IsType(t, name)) return true;
  if (IsType(t, "gAMA") && length == 4) {
    const std::uint32_t gamma = ReadBE32(data);
    return gamma >= 45454 && gamma <= 45456;
  }
  return false;
}

}  // namespace

JpegInfo InspectJpeg(const unsigned char* data, std::size_t size, bool wholeFile) {
  if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != kSoi) return JpegInfo{};
  JpegWalk walk{data, size, JpegInfo{}};
  const JpegVerdict verdict = walk.Walk(wholeFile);
  JpegInfo info = walk.info;
  info.verdict = verdict;
  return info;
}

PngInfo InspectPng(const unsigned char* data, std::size_t size, bool wholeFile) {
  PngInfo info;
  if (data == nullptr || size < 33 || std::memcmp(data, kPngSignature, 8) != 0) return info;
  const unsigned char* ihdr = data + 8;
  if (ReadBE32(ihdr) != 13 || !IsType(ihdr + 4, "IHDR") || Crc32(ihdr + 4, 17) != ReadBE32(ihdr + 21)) return info;
  const std::uint32_t width = ReadBE32(ihdr + 8), height = ReadBE32(ihdr + 12);
  const std::int32_t depth = ihdr[16], colourType = ihdr[17], interlace = ihdr[20];
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return info;
  if (!ValidDepth(colourType, depth) || ihdr[18] != 0 || ihdr[19] != 0 || interlace > 1) return info;
  info.png = true;
  info.width = static_cast<std::int32_t>(width);
  info.height = static_cast<std::int32_t>(height);
  info.bitDepth = depth;
  info.colourType = colourType;
  info.interlace = interlace;
  if (!wholeFile) return info;

  bool plain = true, palette = false, imageData = false, imageDataEnded = false;
  for (std::size_t p = 33;;) {
    if (size - p < 12) return info;
    const std::uint32_t length = ReadBE32(data + p);
    const unsigned char* type = data + p + 4;
    if (length > 0x7FFFFFFFu || length > size - p - 12) return info;
    for (int i = 0; i < 4; ++i) {
      const unsigned char letter = type[i] | 0x20;
      if (letter < 'a' || letter > 'z') return info;
    }
    if (Crc32(type, 4 + static_cast<std::size_t>(length)) != ReadBE32(type + 4 + length)) return info;
    if (IsType(type, "IEND")) {
      if (length != 0) return info;
      break;
    }
    if (length == 0) plain = false;  // the writer's chunk walk stops at empty chunks
    if (IsType(type, "IDAT")) {
      if (imageDataEnded) return info;  // image data must be one run of chunks
      imageData = true;
    } else {
      if (imageData) imageDataEnded = true;
      if (IsType(type, "PLTE")) {
        if (palette || imageData || colourType == 0 || colourType == 4) return info;
        if (length == 0 || length % 3 != 0 || length > 768) return info;
        palette = true;
      } else if (IsType(type, "IHDR")) {
        return info;
      } else if (!IsHarmlessChunk(type, type + 4, length)) {
        if ((type[0] & 0x20) == 0) return info;  // an unknown critical chunk: not decodable
        plain = false;  // transparency, gamma, colour profiles, anything unknown
      }
    }
    p += 12 + static_cast<std::size_t>(length);
  }
  info.sound = imageData && (colourType != 3 || palette);
  info.plain = plain;
  return info;
}

std::int32_t PngPassThroughColour(const PngInfo& info) {
  if (!info.png || !info.sound || !info.plain || info.bitDepth != 8 || info.interlace != 0) return 0;
  switch (info.colourType) {
    case 0: return 3;
    case 2: return 1;
    case 3: return 2;
    default: return 0;
  }
}

bool JpegTailComplete(const unsigned char* tail, std::size_t size) {
  return tail != nullptr && size >= 2 && tail[size - 2] == 0xFF && tail[size - 1] == kEoi;
}

bool PngTailComplete(const unsigned char* tail, std::size_t size) {
  return tail != nullptr && size >= sizeof kPngEnd && std::memcmp(tail + size - sizeof kPngEnd, kPngEnd, sizeof kPngEnd) == 0;
}

std::int32_t ExifOrientation(const unsigned char* segment, std::size_t size) {
  // "Exif\0\0", then a TIFF header: byte order, 42, offset of IFD0; every
  // offset counts from the TIFF header and is checked before it is followed.
  constexpr std::size_t kTiff = 6;
  if (!segment || size < kTiff + 8 || std::memcmp(segment, "Exif\0\0", 6) != 0) return 1;
  const unsigned char* tiff = segment + kTiff;
  const std::size_t n = size - kTiff;
  bool bigEndian = false;
  if (tiff[0] == 'M' && tiff[1] == 'M') bigEndian = true;
  else if (!(tiff[0] == 'I' && tiff[1] == 'I')) return 1;
  if (ReadTiff16(tiff + 2, bigEndian) != 42) return 1;
  const std::uint32_t ifd = ReadTiff32(tiff + 4, bigEndian);
  if (ifd < 8 || ifd > n || n - ifd < 2) return 1;
  const std::size_t entries = ReadTiff16(tiff + ifd, bigEndian);
  if ((n - ifd - 2) / 12 < entries) return 1;
  for (std::size_t i = 0; i < entries; ++i) {
    const unsigned char* e = tiff + ifd + 2 + 12 * i;
    if (ReadTiff16(e, bigEndian) != 0x0112) continue;
    // SHORT (3), one value, held in the first two bytes of the value field.
    if (ReadTiff16(e + 2, bigEndian) != 3 || ReadTiff32(e + 4, bigEndian) != 1) return 1;
    const std::uint32_t value = ReadTiff16(e + 8, bigEndian);
    return value >= 1 && value <= 8 ? static_cast<std::int32_t>(value) : 1;
  }
  return 1;
}
