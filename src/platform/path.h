#pragma once
// Splitting paths as the program shows and stores them: both "\" and "/"
// separate folders.
#include <string>

// Everything up to and including the last "\" or "/"; empty when there is none.
std::wstring FolderPart(const std::wstring& path);
// The part after the last "\" or "/".
std::wstring FilePart(const std::wstring& path);
