#include <dirent.h>
#include <sys/stat.h>

#include "platform/directory.h"
#include "platform/text.h"

namespace platform {
namespace {

class DirHandle {
 public:
  explicit DirHandle(DIR* dir) : dir_(dir) {}
  ~DirHandle() {
    if (dir_) ::closedir(dir_);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

bool ListDirectory(const std::wstring& folder, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  const std::string native = ToUtf8(folder);
  DirHandle dir(::opendir(native.c_str()));
  if (!dir.get()) return false;
  while (const dirent* found = ::readdir(dir.get())) {
    DirectoryEntry entry;
    entry.name = FromUtf8(found->d_name);
    const std::string full = native + found->d_name;
    struct stat link {};
    struct stat target {};
    if (::lstat(full.c_str(), &link) == 0) {
      entry.isLink = S_ISLNK(link.st_mode);
      const struct stat& kind = entry.isLink && ::stat(full.c_str(), &target) == 0 ? target : link;
      entry.isFolder = S_ISDIR(kind.st_mode);
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

}  // namespace platform
