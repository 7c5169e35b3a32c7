#include <sys/stat.h>

#include "platform/file_access.h"
#include "platform/text.h"

namespace platform {

// The owner's write bit stands for the read-only mark (root may write anyway).
bool IsReadOnlyFile(const std::wstring& path) {
  struct stat st {};
  return ::stat(ToUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

}  // namespace platform
