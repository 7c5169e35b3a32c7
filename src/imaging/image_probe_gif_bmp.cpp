#include <cstring>
#include <limits>

#include "imaging/image_probe.h"

namespace {

std::uint32_t ReadLE16(const unsigned char* p) { return static_cast<std::uint32_t>(p[1]) << 8 | p[0]; }

std::uint32_t ReadLE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

constexpr std::size_t kGifScreen = 13;  // signature (6) + logical screen descriptor (7)

// Skips data sub-blocks from at; the position after the terminator, or size
// when the data ends first.
std::size_t SkipSubBlocks(const unsigned char* data, std::size_t size, std::size_t at) {
  while (at < size) {
    const std::size_t length = data[at];
    if (length == 0) return at + 1;
    at += length + 1;
  }
  return size;
}

}  // namespace

GifInfo InspectGif(const unsigned char* data, std::size_t size) {
  GifInfo info;
  if (!data || size < kGifScreen) return info;
  if (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0) return info;
  info.gif = true;
  info.width = static_cast<std::int32_t>(ReadLE16(data + 6));
  info.height = static_cast<std::int32_t>(ReadLE16(data + 8));
  const bool global = (data[10] & 0x80) != 0;
  std::size_t at = kGifScreen + (global ? 3u << ((data[10] & 7) + 1) : 0u);
  bool sawImage = false;
  while (at < size) {
    const unsigned char block = data[at];
    if (block == 0x3B) {
      info.trailer = true;
      break;
    }
    if (block == 0x21) {  // extension: label, then sub-blocks
      at = SkipSubBlocks(data, size, at + 2);
    } else if (block == 0x2C) {  // image descriptor (10 bytes)
      if (size - at < 10) break;
      if (!sawImage) {
        sawImage = true;
        info.firstImageFillsScreen = ReadLE32(data + at + 1) == 0 &&
                                     ReadLE16(data + at + 5) == static_cast<std::uint32_t>(info.width) &&
                                     ReadLE16(data + at + 7) == static_cast<std::uint32_t>(info.height);
      }
      const unsigned char flags = data[at + 9];
      const bool local = (flags & 0x80) != 0;
      if (!local && !global) {
        info.imageWithoutColours = true;
        break;
      }
      at += 10 + (local ? 3u << ((flags & 7) + 1) : 0u);
      at = SkipSubBlocks(data, size, at + 1);  // after the LZW code size
    } else {
      break;  // not a block decoders know: what follows is theirs to judge
    }
  }
  return info;
}

BmpInfo InspectBmp(const unsigned char* data, std::size_t size) {
  BmpInfo info;
  constexpr std::size_t kFileHeader = 14;
  if (!data || size < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M') return info;
  const std::uint32_t headerSize = ReadLE32(data + 14);
  // 40 and the later versions (52, 56, 108, 124) share the first 40 bytes.
  if (headerSize < 40 || headerSize > 1024 || size - kFileHeader < headerSize) return info;
  info.bmp = true;
  info.dataOffset = ReadLE32(data + 10);
  info.width = static_cast<std::int32_t>(ReadLE32(data + 18));
  info.height = static_cast<std::int32_t>(ReadLE32(data + 22));
  info.bitCount = static_cast<std::int32_t>(ReadLE16(data + 28));
  info.compression = static_cast<std::int32_t>(ReadLE32(data + 30));
  info.paletteOffset = static_cast<std::uint32_t>(kFileHeader) + headerSize;
  // Bit fields with an alpha mask: in the header from its 56-byte version on.
  if ((info.compression == 3 || info.compression == 6) && headerSize >= 56) info.alphaMask = ReadLE32(data + 66);
  const std::uint32_t used = ReadLE32(data + 46);
  if (info.bitCount >= 1 && info.bitCount <= 8) {
    const std::uint32_t full = 1u << info.bitCount;
    info.paletteEntries = used == 0 || used > full ? full : used;
  }
  return info;
}

bool IsRunLengthBmp(const BmpInfo& info) {
  return info.bmp && info.height > 0 && info.width > 0 &&
         ((info.compression == 1 && info.bitCount == 8) || (info.compression == 2 && info.bitCount == 4));
}

bool RunLengthDataInFile(const BmpInfo& info, std::uint64_t fileSize) {
  // A run needs two bytes: data said to start later holds no pixel at all.
  return info.dataOffset < fileSize && fileSize - info.dataOffset >= 2;
}

namespace {

// Writes the pixels of a run-length BMP into a black canvas. The runs go
// bottom row first; pixels outside the canvas are dropped.
class RunLengthCanvas {
 public:
  RunLengthCanvas(DecodedBmp& out, const unsigned char* palette, std::uint32_t entries)
      : out_(out), palette_(palette), entries_(entries) {}

  void Put(std::uint32_t index) {
    if (x_ < out_.width && y_ < out_.height && index < entries_) {
      unsigned char* p = out_.pixels.data() + static_cast<std::size_t>(out_.height - 1 - y_) * out_.stride +
                         static_cast<std::size_t>(x_) * 3;
      std::memcpy(p, palette_ + 4 * static_cast<std::size_t>(index), 3);
    }
    ++x_;
  }
  void EndOfLine() {
    x_ = 0;
    ++y_;
  }
  void Move(std::int64_t dx, std::int64_t dy) {
    x_ += dx;
    y_ += dy;
  }
  bool Below() const { return y_ >= out_.height; }

 private:
  DecodedBmp& out_;
  const unsigned char* palette_;
  std::uint32_t entries_;
  std::int64_t x_ = 0;
  std::int64_t y_ = 0;
};

}  // namespace

bool DecodeRunLengthBmp(const unsigned char* data, std::size_t size, DecodedBmp& out) {
  const BmpInfo info = InspectBmp(data, size);
  if (!IsRunLengthBmp(info) || !RunLengthDataInFile(info, size)) return false;
  if (info.paletteOffset > size || (size - info.paletteOffset) / 4 < info.paletteEntries) return false;
  const std::uint64_t stride = (static_cast<std::uint64_t>(info.width) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t bytes = stride * static_cast<std::uint64_t>(info.height);
  if (bytes > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
  out.width = info.width;
  out.height = info.height;
  out.stride = static_cast<std::int32_t>(stride);
  out.pixels.assign(static_cast<std::size_t>(bytes), 0);
  RunLengthCanvas canvas(out, data + info.paletteOffset, info.paletteEntries);
  const bool four = info.bitCount == 4;
  std::size_t at = info.dataOffset;
  while (at < size && size - at >= 2 && !canvas.Below()) {
    const std::uint32_t count = data[at];
    const std::uint32_t value = data[at + 1];
    at += 2;
    if (count > 0) {  // a run of one index (or of two alternating nibbles)
      for (std::uint32_t i = 0; i < count; ++i) canvas.Put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
    } else if (value == 0) {
      canvas.EndOfLine();
    } else if (value == 1) {
      break;
    } else if (value == 2) {  // the next pixel is further right and up
      if (size - at < 2) break;
      canvas.Move(data[at], data[at + 1]);
      at += 2;
    } else {  // value pixels given one by one, padded to a 16-bit boundary
      const std::size_t length = four ? (value + 1) / 2 : value;
      if (size - at < length) break;
      for (std::uint32_t i = 0; i < value; ++i) {
        const unsigned char byte = data[at + (four ? i / 2 : i)];
        canvas.Put(four ? (i % 2 == 0 ? byte >> 4 : byte & 15u) : byte);
      }
      at += length + (length & 1);
    }
  }
  return true;
}
