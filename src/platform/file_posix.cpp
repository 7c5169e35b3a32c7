#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/file.h"
#include "platform/text.h"

namespace platform {
namespace {
std::string Native(const std::wstring& path) { return ToUtf8(path); }
}  // namespace

ScratchFile::~ScratchFile() { Close(); }

ScratchFile::ScratchFile(ScratchFile&& other) noexcept : size_(other.size_), fd_(other.fd_) { other.fd_ = -1; }

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    size_ = other.size_;
    other.fd_ = -1;
  }
  return *this;
}

ScratchFile ScratchFile::Create(const std::wstring& path) {
  ScratchFile f;
  const std::string native = Native(path);
  f.fd_ = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  // Unlinked at once: the data stays reachable through the descriptor alone.
  if (f.fd_ >= 0) ::unlink(native.c_str());
  return f;
}

bool ScratchFile::IsOpen() const { return fd_ >= 0; }

bool ScratchFile::Append(const void* data, std::size_t size, std::int64_t& offset) {
  if (!IsOpen()) return false;
  offset = size_;
  const char* p = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, p + done, size - done, static_cast<off_t>(size_ + static_cast<std::int64_t>(done)));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  size_ += static_cast<std::int64_t>(size);
  return true;
}

bool ScratchFile::ReadAt(std::int64_t offset, void* data, std::size_t size) {
  if (!IsOpen() || offset < 0) return false;
  char* p = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void ScratchFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  size_ = 0;
}

OutputFile::~OutputFile() { Close(); }

OutputFile::OutputFile(OutputFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

OutputFile OutputFile::CreateExclusive(const std::wstring& path) {
  OutputFile f;
  f.fd_ = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return f;
}

OutputFile OutputFile::CreateNew(const std::wstring& path) {
  OutputFile f;
  f.fd_ = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  return f;
}

OutputFile OutputFile::TruncateExisting(const std::wstring& path) {
  OutputFile f;
  f.fd_ = ::open(Native(path).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  return f;
}

bool OutputFile::IsOpen() const { return fd_ >= 0; }

bool OutputFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::int64_t OutputFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool OutputFile::Sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

void OutputFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

std::int64_t FileSize(const std::wstring& path) {
  struct stat st {};
  if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool RemoveFile(const std::wstring& path) { return ::unlink(Native(path).c_str()) == 0; }

bool IsDirectory(const std::wstring& path) {
  struct stat st {};
  return ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty() || path.front() == L'/') return path;
  std::vector<char> folder(4096);
  if (!::getcwd(folder.data(), folder.size())) return path;
  return FromUtf8(folder.data()) + L"/" + path;
}

bool ReadFileRange(const std::wstring& path, std::int64_t offset, std::size_t count,
                   std::vector<unsigned char>& data) {
  data.clear();
  if (offset < 0) return false;
  const int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    const std::int64_t left = st.st_size > offset ? st.st_size - offset : 0;
    // A count past what a file offset can hold simply means "to the end".
    const auto limit = static_cast<std::int64_t>(std::min<std::uint64_t>(count, INT64_MAX));
    data.resize(static_cast<std::size_t>(std::min(left, limit)));
    std::size_t got = 0;
    while (ok && got < data.size()) {
      const ssize_t n = ::pread(fd, data.data() + got, data.size() - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
      if (n <= 0) ok = false;
      else got += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  if (!ok) data.clear();
  return ok;
}

bool CanReplaceFile(const std::wstring& path) {
  const int fd = ::open(Native(path).c_str(), O_WRONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  return errno == ENOENT;
}

bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>& data) {
  data.clear();
  const int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (ok && got < data.size()) {
      const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
      if (n <= 0) ok = false;
      else got += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  if (!ok) data.clear();
  return ok;
}

bool ReplaceFileWith(const std::wstring& source, const std::wstring& target) {
  return ::rename(Native(source).c_str(), Native(target).c_str()) == 0;
}

std::wstring ExecutablePath() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return FromUtf8(std::string_view(buf, static_cast<std::size_t>(n)));
}

}  // namespace platform
