#include <windows.h>
#include <shlobj.h>

#include "platform/user_folder.h"

namespace platform {

std::wstring UserDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) || !path[0]) {
    return {};
  }
  std::wstring folder(path);
  if (folder.back() != L'\\') folder.push_back(L'\\');
  return folder;
}

bool CanCreateFileIn(const std::wstring& folder) {
  // A name of this process's own: two copies starting at once must not
  // take each other's probe for a folder they cannot write.
  const std::wstring probe = folder + L"Quillon.ini." + std::to_wstring(::GetCurrentProcessId()) + L".probe";
  const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

bool MakeFolder(const std::wstring& folder) {
  if (::CreateDirectoryW(folder.c_str(), nullptr)) return true;
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace platform
