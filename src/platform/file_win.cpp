#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/file.h"

namespace platform {

ScratchFile::~ScratchFile() { Close(); }

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : size_(other.size_), handle_(other.handle_) {
  other.handle_ = INVALID_HANDLE_VALUE;
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    size_ = other.size_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

ScratchFile ScratchFile::Create(const std::wstring& path) {
  ScratchFile f;
  // Deleted by the system when the last handle goes, however the process ends.
  f.handle_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return f;
}

bool ScratchFile::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

namespace {

bool Seek(HANDLE h, std::int64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  return ::SetFilePointerEx(h, at, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

bool ScratchFile::Append(const void* data, std::size_t size, std::int64_t& offset) {
  if (!IsOpen() || !Seek(handle_, size_)) return false;
  offset = size_;
  const char* p = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t rest = size - done;
    const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
    DWORD written = 0;
    if (!::WriteFile(handle_, p + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  size_ += static_cast<std::int64_t>(size);
  return true;
}

bool ScratchFile::ReadAt(std::int64_t offset, void* data, std::size_t size) {
  if (!IsOpen() || offset < 0 || !Seek(handle_, offset)) return false;
  char* p = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t rest = size - done;
    const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
    DWORD got = 0;
    if (!::ReadFile(handle_, p + done, chunk, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

void ScratchFile::Close() {
  if (IsOpen()) {
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  size_ = 0;
}

OutputFile::~OutputFile() { Close(); }

OutputFile::OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = INVALID_HANDLE_VALUE;
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

OutputFile OutputFile::CreateExclusive(const std::wstring& path) {
  OutputFile f;
  // Share mode 0: a file a PDF reader holds open cannot be replaced under it.
  f.handle_ = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return f;
}

OutputFile OutputFile::CreateNew(const std::wstring& path) {
  OutputFile f;
  f.handle_ = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return f;
}

OutputFile OutputFile::TruncateExisting(const std::wstring& path) {
  OutputFile f;
  f.handle_ = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  return f;
}

bool OutputFile::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!IsOpen()) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(handle_, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

std::int64_t OutputFile::Size() const {
  LARGE_INTEGER size{};
  if (!IsOpen() || !::GetFileSizeEx(handle_, &size)) return -1;
  return size.QuadPart;
}

bool OutputFile::Sync() { return IsOpen() && ::FlushFileBuffers(handle_) != 0; }

void OutputFile::Close() {
  if (IsOpen()) {
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
}

std::int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != 0; }

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

namespace {

class ReadHandle {
 public:
  ReadHandle(const std::wstring& path, DWORD flags)
      : h_(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         flags, nullptr)) {}
  ~ReadHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  ReadHandle(const ReadHandle&) = delete;
  ReadHandle& operator=(const ReadHandle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// Reads `wanted` bytes from the handle's position into data. Anything short
// of the whole (no memory, a read error, the file ending early) leaves data
// empty and answers false.
bool ReadInto(HANDLE h, std::int64_t wanted, std::vector<unsigned char>& data) {
  bool ok = wanted >= 0 && static_cast<unsigned long long>(wanted) < static_cast<unsigned long long>(SIZE_MAX);
  if (ok) {
    try {
      data.resize(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  std::size_t got = 0;
  while (ok && got < data.size()) {
    const std::size_t left = data.size() - got;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD n = 0;
    if (!::ReadFile(h, data.data() + got, chunk, &n, nullptr) || n == 0) ok = false;
    got += n;
  }
  if (!ok) std::vector<unsigned char>().swap(data);
  return ok;
}

}  // namespace

bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>& data) {
  data.clear();
  const ReadHandle file(path, FILE_FLAG_SEQUENTIAL_SCAN);
  LARGE_INTEGER size{};
  return file.ok() && ::GetFileSizeEx(file.get(), &size) && ReadInto(file.get(), size.QuadPart, data);
}

bool ReadFileRange(const std::wstring& path, std::int64_t offset, std::size_t count,
                   std::vector<unsigned char>& data) {
  data.clear();
  if (offset < 0) return false;
  const ReadHandle file(path, FILE_ATTRIBUTE_NORMAL);
  LARGE_INTEGER size{};
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  if (!file.ok() || !::GetFileSizeEx(file.get(), &size) || !::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) {
    return false;
  }
  const std::int64_t left = size.QuadPart > offset ? size.QuadPart - offset : 0;
  // A count past what a file offset can hold simply means "to the end".
  const auto limit = static_cast<std::int64_t>(std::min<std::uint64_t>(count, INT64_MAX));
  const std::int64_t wanted = left < limit ? left : limit;
  return ReadInto(file.get(), wanted, data);
}

bool CanReplaceFile(const std::wstring& path) {
  // Opened the way the replacing save will need it: for writing, shared with
  // nobody, and without touching what is in it.
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    ::CloseHandle(h);
    return true;
  }
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ReplaceFileWith(const std::wstring& source, const std::wstring& target) {
  return ::MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::wstring ExecutablePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

}  // namespace platform
