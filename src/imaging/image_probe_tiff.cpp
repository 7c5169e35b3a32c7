#include <algorithm>
#include <unordered_set>

#include "imaging/image_probe.h"

namespace {

// libtiff, behind Wine's decoder, refuses a directory of more entries as
// not a directory at all.
constexpr std::uint64_t kMostEntries = 4096;

std::uint64_t ReadUnsigned(const unsigned char* p, std::size_t bytes, bool bigEndian) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | p[bigEndian ? i : bytes - 1 - i];
  return value;
}

}  // namespace

TiffPages WalkTiffPages(std::uint64_t fileSize, const FileRangeReader& read, std::int32_t limit) {
  TiffPages pages;
  std::vector<unsigned char> bytes;
  if (!read || !read(0, 16, bytes) || bytes.size() < 8) return pages;
  bool bigEndian = false;
  if (bytes[0] == 'M' && bytes[1] == 'M') bigEndian = true;
  else if (!(bytes[0] == 'I' && bytes[1] == 'I')) return pages;
  const std::uint64_t version = ReadUnsigned(bytes.data() + 2, 2, bigEndian);
  // BigTIFF: 8-byte offsets and entry counts, 20-byte entries.
  const bool big = version == 43;
  if (version != 42 && !(big && bytes.size() >= 16 && ReadUnsigned(bytes.data() + 4, 2, bigEndian) == 8 &&
                         ReadUnsigned(bytes.data() + 6, 2, bigEndian) == 0)) {
    return pages;
  }
  const std::size_t offsetBytes = big ? 8 : 4;
  const std::size_t countBytes = big ? 8 : 2;
  const std::uint64_t entryBytes = big ? 20 : 12;
  std::uint64_t next = ReadUnsigned(bytes.data() + (big ? 8 : 4), offsetBytes, bigEndian);
  limit = std::clamp(limit, 0, kTiffPageLimit);
  std::unordered_set<std::uint64_t> seen;
  for (;;) {
    if (next == 0) {
      pages.end = TiffChainEnd::Complete;
      return pages;
    }
    if (pages.count >= limit) {
      pages.end = TiffChainEnd::Limit;
      return pages;
    }
    if (!seen.insert(next).second) {
      pages.end = TiffChainEnd::Loop;
      return pages;
    }
    if (next >= fileSize) {
      pages.end = TiffChainEnd::OutsideFile;
      return pages;
    }
    pages.end = TiffChainEnd::Damaged;
    if (fileSize - next < countBytes || !read(next, countBytes, bytes) || bytes.size() < countBytes) return pages;
    const std::uint64_t entries = ReadUnsigned(bytes.data(), countBytes, bigEndian);
    if (entries == 0 || entries > kMostEntries) return pages;
    // Entries and the next offset lie within the file: checked without overflow,
    // every figure being far below 2^64.
    const std::uint64_t linkAt = next + countBytes + entries * entryBytes;
    if (linkAt > fileSize || fileSize - linkAt < offsetBytes) return pages;
    if (!read(linkAt, offsetBytes, bytes) || bytes.size() < offsetBytes) return pages;
    ++pages.count;
    next = ReadUnsigned(bytes.data(), offsetBytes, bigEndian);
  }
}

TiffPages WalkTiffPages(const unsigned char* data, std::size_t size, std::int32_t limit) {
  if (!data) return TiffPages{};
  const FileRangeReader read = [&](std::uint64_t offset, std::size_t count, std::vector<unsigned char>& out) {
    out.clear();
    if (offset > size) return false;
    const auto begin = static_cast<std::size_t>(offset);
    out.assign(data + begin, data + begin + std::min(count, size - begin));
    return true;
  };
  return WalkTiffPages(size, read, limit);
}
