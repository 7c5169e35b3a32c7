#pragma once
// Files dropped on the list, from the dropped text to new rows: the list
// emptied first when ClearBeforeDrop says so, the suggested PDF name, the
// intake under its progress window, the skipped-files window or the "No
// files added" box, row 0 current. Windows-only.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "filelist/file_list.h"
#include "settings/settings.h"

inline constexpr wchar_t kNoFilesAddedText[] = L"No files added, format not supported.";
inline constexpr wchar_t kDropOutOfMemoryText[] =
    L"Not enough memory to add more files. The files added so far are in the list.";

// What the drop handling asks of the window that holds the list.
struct FilesDropOwner {
  std::function<void()> layoutNeeded;   // rows came: place the controls again
  std::function<void()> statusChanged;  // the status bar anew
};

// The paths of a drop, separated by line feeds, in the order the system lists them.
std::wstring DroppedText(HDROP drop);

// ProcessFile: examines the file named by item.Path and fills FileSize,
// Width and Height (upright with AutoRotate). False when the file is to be
// skipped. Safe on the intake's worker threads; thumbnails are made later,
// when the thumbnail window needs them.
bool ProcessFile(FileItem& item, const Settings& settings);

// Handles one drop of files and folders on the list (the list view shows
// list). suggestedName becomes the PDF name to offer, or empty, unless the
// text holds no path at all. skipped is the working list of refused paths,
// empty again afterwards. Returns the number of files added.
std::int32_t HandleFilesDrop(const std::wstring& droppedText, FileList& list, const Settings& settings,
                             std::vector<std::wstring>& skipped, std::wstring& suggestedName,
                             const FilesDropOwner& owner);
