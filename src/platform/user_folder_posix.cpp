#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/text.h"
#include "platform/user_folder.h"

namespace platform {

std::wstring UserDataFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    return FromUtf8(config) + L"/";
  }
  if (const char* home = std::getenv("HOME"); home && *home) return FromUtf8(home) + L"/.config/";
  return {};
}

bool CanCreateFileIn(const std::wstring& folder) {
  const std::string probe = ToUtf8(folder) + "Quillon.ini." + std::to_string(::getpid()) + ".probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool MakeFolder(const std::wstring& folder) {
  const std::string path = ToUtf8(folder);
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform
