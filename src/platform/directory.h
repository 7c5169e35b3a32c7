#pragma once
// Listing one folder, in the order the file system gives its entries.
#include <string>
#include <vector>

namespace platform {

// The separator the program puts between a folder and a name it found in it.
#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

struct DirectoryEntry {
  std::wstring name;
  bool isFolder = false;
  // A folder reached through a link (junction, symbolic link): following it
  // may lead back to where the walk started.
  bool isLink = false;
};

// The entries of the folder at folder (which ends with a separator), "." and
// ".." included when the system lists them. False, with entries empty, when
// the folder cannot be listed.
bool ListDirectory(const std::wstring& folder, std::vector<DirectoryEntry>& entries);

}  // namespace platform
