#pragma once
// The list of files the probing intake refused, as the skipped-files window
// tells it and exports it.
#include <cstdint>
#include <string>
#include <vector>

// "Some files (2) were skipped, format not supported."
std::wstring SkippedFilesText(std::size_t count);

// The export's bytes: each path in UTF-8 followed by CR LF, nothing else.
std::string SkippedListBytes(const std::vector<std::wstring>& paths);

// The name chosen in the export dialog, with ".txt" appended when its file
// part has no extension.
std::wstring WithTextExtension(const std::wstring& chosen);

// Writes the export to path, replacing any file there. True only when the
// file afterwards holds exactly the bytes written.
bool SaveSkippedList(const std::wstring& path, const std::vector<std::wstring>& paths);
