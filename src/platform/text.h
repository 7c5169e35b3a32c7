#pragma once
// Conversions at the program's edges: UTF-8 files and single-byte PDF text.
#include <string>
#include <string_view>

namespace platform {

std::string ToUtf8(std::wstring_view text);
// Malformed sequences become U+FFFD, one per offending byte.
std::wstring FromUtf8(std::string_view bytes);
// Each byte is the code point of the same value.
std::wstring FromLatin1(std::string_view bytes);

}  // namespace platform
