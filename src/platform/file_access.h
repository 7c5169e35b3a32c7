#pragma once
// Whether the user has marked a file as not to be changed.
#include <string>

namespace platform {

// True when path names an existing file whose read-only mark is set.
bool IsReadOnlyFile(const std::wstring& path);

}  // namespace platform
