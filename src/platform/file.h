#pragma once
// The program's only door to the file system for portable code. Paths are
// wide strings everywhere; the POSIX side converts them to UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A file opened for writing and for the caller's exclusive use: on Windows no
// other handle may read or write it while it is open. Writes go straight to
// the operating system; there is no buffer of our own.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file, or truncates an existing one. IsOpen() tells whether it worked.
  static OutputFile CreateExclusive(const std::wstring& path);
  // Creates the file only when nothing of that name exists: never someone's file.
  static OutputFile CreateNew(const std::wstring& path);
  // Opens an existing file for writing and empties it: the way in to a file
  // that cannot be created anew (a hidden file, on Windows).
  static OutputFile TruncateExisting(const std::wstring& path);

  bool IsOpen() const;
  bool Write(const void* data, std::size_t size);
  // Current size in bytes, or -1 when it cannot be read.
  std::int64_t Size() const;
  // Forces written data to the disk.
  bool Sync();
  void Close();

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(-1);
#else
  int fd_ = -1;
#endif
};

// A file for data that does not fit in memory, read and written by this
// process alone. It is gone from the disk once closed, and also when the
// process ends without closing it.
class ScratchFile {
 public:
  ScratchFile() = default;
  ~ScratchFile();
  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&& other) noexcept;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Creates the file; fails when a file of that name exists already.
  static ScratchFile Create(const std::wstring& path);
  bool IsOpen() const;
  // Adds size bytes at the end and tells where they start; false when not
  // all of them could be written (a full disk).
  bool Append(const void* data, std::size_t size, std::int64_t& offset);
  bool ReadAt(std::int64_t offset, void* data, std::size_t size);
  void Close();

 private:
  std::int64_t size_ = 0;
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(-1);
#else
  int fd_ = -1;
#endif
};

// Size of the file at path in bytes, or -1 when it does not exist or cannot be read.
std::int64_t FileSize(const std::wstring& path);
bool RemoveFile(const std::wstring& path);
// True when path names an existing folder.
bool IsDirectory(const std::wstring& path);
// path made full against the current folder (a full path comes back as it
// is); path itself when that fails.
std::wstring FullPath(const std::wstring& path);
// Reads the whole file; false (and data emptied) on any failure.
bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>& data);
// Reads up to count bytes from offset (fewer at the end of the file); false
// (and data emptied) when the file cannot be opened or read.
bool ReadFileRange(const std::wstring& path, std::int64_t offset, std::size_t count,
                   std::vector<unsigned char>& data);
// True when nothing is at path, or the file there could be opened for
// writing with nobody else holding it (no reader has it open, it is not
// marked read-only). The file is left as it was.
bool CanReplaceFile(const std::wstring& path);
// Moves source over target in one step, replacing target; target is either
// the old file or the new one afterwards, never a mixture.
bool ReplaceFileWith(const std::wstring& source, const std::wstring& target);
// Full path of the running executable.
std::wstring ExecutablePath();

}  // namespace platform
