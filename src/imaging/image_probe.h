#pragma once
// Whether a dropped file is an image the build can use, and what the headers
// of JPEG and PNG files tell without decoding a pixel. The header readers are
// portable and take the file's bytes, which may come from anyone: every
// length is checked against the data before it is used.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// True when the file exists and GDI+ opens it as an image of a known size,
// or, when GDI+ will not, WIC decodes its first frame.
// Whatever status GDI+ gives for a file it refuses (Wine says 1 for text and
// damaged files, Windows 13, 2 or even 3), the file is refused, never the
// program ended: the user's file is the problem, not the program. (Windows
// only; GDI+ must have been started.)
bool ProbeImageFile(const std::wstring& path);

// The same question answered as the desktop intake's examination answers it
// (ExamineImageSize): from the headers of JPEG, PNG, GIF and BMP files where
// they settle it, by the decoder otherwise. (Windows only.)
bool ProbeImageHeaders(const std::wstring& path);

enum class JpegVerdict {
  NotJpeg,      // no start-of-image marker
  Storable,     // 8-bit gray, colour or CMYK; baseline, extended or progressive
  OtherColour,  // sound, but not 8 bits, two components or arithmetic-coded: needs redrawing
  Damaged,      // a segment cut short, malformed or unknown, a table missing, no end
};

struct JpegInfo {
  JpegVerdict verdict = JpegVerdict::NotJpeg;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t precision = 0;
  std::int32_t components = 0;
  // The EXIF orientation of the first Exif APP1 segment before the first
  // scan (1..8); 1 when there is none or it cannot be read.
  std::int32_t orientation = 1;
  // An Adobe APP14 segment came before the first scan. Adobe applications
  // (and libjpeg after them) store CMYK data inverted and mark it so.
  bool adobe = false;
};

// The orientation tag (0x0112) of IFD0 in the body of an APP1 segment (the
// bytes after its length field, starting "Exif\0\0"); 1 when the segment is
// not Exif, the tag is missing, damaged or outside 1..8.
std::int32_t ExifOrientation(const unsigned char* segment, std::size_t size);

// Walks the markers of a JPEG file. With wholeFile the walk goes through
// every scan to the end-of-image marker (bytes after it are ignored); without
// it, it stops after the first scan header, for a caller holding only the
// file's head. Each scan header must name frame components and Huffman and
// quantization tables defined before it.
JpegInfo InspectJpeg(const unsigned char* data, std::size_t size, bool wholeFile);

struct PngInfo {
  bool png = false;    // signature and a well-formed IHDR
  bool sound = false;  // every chunk whole with its CRC, image data present, IEND reached
  // Nothing in it that a decoder would turn into different pixels or that
  // the PDF writer cannot take: no transparency, gamma or colour profile,
  // no unknown chunk, no chunk of length 0.
  bool plain = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitDepth = 0;
  std::int32_t colourType = 0;
  std::int32_t interlace = 0;
};

// Reads a PNG file's chunks; with wholeFile false only the signature and
// IHDR are checked (sound and plain stay false).
PngInfo InspectPng(const unsigned char* data, std::size_t size, bool wholeFile);

// The PDF writer's colour for a PNG file that can go into the PDF as it is
// (1 RGB, 2 palette, 3 gray): 8 bits, not interlaced, sound and plain. 0 when
// the file has to be decoded and encoded again.
std::int32_t PngPassThroughColour(const PngInfo& info);

// Whether the last bytes of a file (its tail) end the way a complete JPEG or
// PNG file ends: the end-of-image marker, or the IEND chunk.
bool JpegTailComplete(const unsigned char* tail, std::size_t size);
bool PngTailComplete(const unsigned char* tail, std::size_t size);

struct GifInfo {
  bool gif = false;  // signature and logical screen descriptor
  std::int32_t width = 0;
  std::int32_t height = 0;
  // An image that has neither a local nor a global colour table: such a
  // file makes the platform's GIF decoder read through a null pointer.
  bool imageWithoutColours = false;
  // The walk reached the trailer: every block before it is whole.
  bool trailer = false;
  // The first image covers the whole logical screen. Decoders differ on the
  // size of a file whose first image is smaller (Wine's GDI+ reports the
  // image's, others the screen's); here they agree.
  bool firstImageFillsScreen = false;
};

// Walks a GIF file's blocks up to the trailer or the end of the data.
GifInfo InspectGif(const unsigned char* data, std::size_t size);

struct BmpInfo {
  bool bmp = false;  // file header and a Windows info header
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top first
  std::int32_t bitCount = 0;
  std::int32_t compression = 0;  // 1 run-length 8-bit, 2 run-length 4-bit
  std::uint32_t dataOffset = 0;
  std::uint32_t paletteOffset = 0;
  std::uint32_t paletteEntries = 0;
  std::uint32_t alphaMask = 0;  // bit fields (compression 3 or 6) with alpha; 0 when none
};

BmpInfo InspectBmp(const unsigned char* data, std::size_t size);

// True for a bottom-up BMP whose pixels are run-length coded (8 or 4 bits).
bool IsRunLengthBmp(const BmpInfo& info);
// False when a run-length BMP's pixel data would start past the end of its
// file of fileSize bytes: a file with no pixels, refused rather than shown black.
bool RunLengthDataInFile(const BmpInfo& info, std::uint64_t fileSize);

// A run-length BMP decoded by us: the platform's decoder leaves the pixels
// the runs skip as whatever its memory held, so a page could show pieces of
// other images. Here every pixel starts black. Rows top first, three bytes a
// pixel (blue, green, red), each row padded to four bytes.
struct DecodedBmp {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  std::vector<unsigned char> pixels;
};

// False when the file is not a run-length BMP, its palette is cut short, its
// runs start past its end, or its size is beyond what a canvas can be; data
// that ends early leaves the rest black. May throw std::bad_alloc.
bool DecodeRunLengthBmp(const unsigned char* data, std::size_t size, DecodedBmp& out);

// ---- TIFF page directories --------------------------------------------------

// Why the walk of a TIFF file's chain of page directories ended. Decoders
// count pages their own way (Wine's reports 65,535 for a chain that loops):
// the pages a build takes are never more than the walk found.
enum class TiffChainEnd {
  NotTiff,      // no TIFF or BigTIFF header
  Complete,     // the last directory says no page follows
  Loop,         // a directory leads back to one read before
  OutsideFile,  // the next directory would start outside the file
  Damaged,      // a directory runs past the file's end, or its entry count is 0 or beyond any decoder's
  Limit,        // the walk stopped at its limit with more directories to come
};

// More pages than any decoder we use counts.
inline constexpr std::int32_t kTiffPageLimit = 65535;

struct TiffPages {
  TiffChainEnd end = TiffChainEnd::NotTiff;
  std::int32_t count = 0;  // sound directories, from the first, up to where the walk ended
};

// Reads count bytes from offset of the file being walked into out (fewer at
// its end); false when they cannot be read.
using FileRangeReader = std::function<bool(std::uint64_t offset, std::size_t count, std::vector<unsigned char>& out)>;

// Walks the directory chain of a classic TIFF (either byte order) or BigTIFF
// file of fileSize bytes, reading through read, up to limit directories
// (at most kTiffPageLimit). A first offset of 0 means no page at all.
TiffPages WalkTiffPages(std::uint64_t fileSize, const FileRangeReader& read, std::int32_t limit = kTiffPageLimit);
// The same for a file held whole in memory.
TiffPages WalkTiffPages(const unsigned char* data, std::size_t size, std::int32_t limit = kTiffPageLimit);
