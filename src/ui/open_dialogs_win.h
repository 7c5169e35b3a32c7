#pragma once
// The platform's open dialogs for files and folders, owned by the main
// window and centred on it. Windows-only.
#include <windows.h>

#include <string>
#include <vector>

// "Images (" + patterns + ")" and "All files (*.*)", as an open dialog's
// filter list (its entries separated by nulls; c_str() ends it).
std::wstring ImageFilesFilter(const std::wstring& patterns);

// The open dialog with several files allowed, starting in startFolder (the
// system's choice when empty). The chosen files' full paths; none when
// cancelled.
std::vector<std::wstring> AskOpenFileNames(const std::wstring& startFolder, const wchar_t* filter);

// The folder picker (the one with the Explorer view where the system has
// it, the older tree otherwise), starting in startFolder. The chosen
// folder's full path; empty when cancelled.
std::wstring AskFolder(const std::wstring& startFolder);
