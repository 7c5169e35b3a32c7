#pragma once
// What a multi-select open dialog answers, as a list of full paths.
#include <string>
#include <string_view>
#include <vector>

// The buffer holds zero-terminated pieces and ends with an empty one: a
// single full path, or the folder followed by the chosen names in it.
std::vector<std::wstring> SplitFileSelection(std::wstring_view buffer);
