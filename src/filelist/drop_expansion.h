#pragma once
// One drop of files and folders on the list, up to the paths that become new
// rows: folders replaced by the files inside them, each file optionally
// probed, refused files collected, the result optionally sorted. Shared by
// the main window's drop handling and the console companion.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"

// Appends the full paths of the files in folder to paths, in the order the
// file system lists them; with recurse, a subfolder's files follow at the
// point where the subfolder was met (depth first). Folders reached through a
// link are not entered, so a link back up the tree cannot make the walk
// endless. A folder that cannot be listed adds nothing.
void AddFolderFiles(const std::wstring& folder, std::vector<std::wstring>& paths, bool recurse);

// Replaces every path that names an existing folder by the files inside it,
// exactly where the folder stood; anything else stays. Returns the number of
// paths afterwards.
std::size_t ExpandFolders(std::vector<std::wstring>& paths, bool recurse);

// Sorts by file name, or by full path when includingPath; equal keys keep
// their order.
void SortDroppedFiles(std::vector<std::wstring>& paths, bool includingPath);

struct DropIntake {
  std::vector<std::wstring> added;    // the new rows, in list order
  std::vector<std::wstring> skipped;  // refused by the probe, in drop order
};

// Whether a file is an image the build can use (it exists and the image
// decoder opens it).
using ImageProbe = std::function<bool(const std::wstring& path)>;

// The whole intake of one drop on an empty list: folders expanded
// (EnableSubFolders), every file probed when Preprocessing is 1 (else all
// are taken as they are), and the added files sorted when SortAfterDrop is 1
// (by path when SortIncludingPath is 1).
DropIntake TakeDroppedPaths(std::vector<std::wstring> paths, const Settings& settings, const ImageProbe& probe);
