#include "filelist/drop_expansion.h"

#include <string_view>

#include "filelist/name_order.h"
#include "pipeline/build_pdf.h"
#include "platform/directory.h"
#include "platform/file.h"

namespace {

bool EndsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// A folder as the walk names its entries: with one separator at its end (a
// drive root or a path typed with a trailing separator already has it).
std::wstring FolderWithSeparator(const std::wstring& folder) {
  return EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
}

}  // namespace

void AddFolderFiles(const std::wstring& folder, std::vector<std::wstring>& paths, bool recurse) {
  const std::wstring prefix = FolderWithSeparator(folder);
  std::vector<platform::DirectoryEntry> entries;
  if (!platform::ListDirectory(prefix, entries)) return;
  for (const platform::DirectoryEntry& entry : entries) {
    if (!entry.isFolder) {
      paths.push_back(prefix + entry.name);
    } else if (recurse && !entry.isLink && entry.name != L"." && entry.name != L"..") {
      AddFolderFiles(prefix + entry.name, paths, recurse);
    }
  }
}

std::size_t ExpandFolders(std::vector<std::wstring>& paths, bool recurse) {
  std::vector<std::wstring> expanded;
  expanded.reserve(paths.size());
  for (std::wstring& path : paths) {
    if (platform::IsDirectory(path)) {
      AddFolderFiles(path, expanded, recurse);
    } else {
      expanded.push_back(std::move(path));
    }
  }
  paths = std::move(expanded);
  return paths.size();
}

void SortDroppedFiles(std::vector<std::wstring>& paths, bool includingPath) {
  if (includingPath) {
    SortStableByKey(paths, [](const std::wstring& path) { return std::wstring_view(path); });
  } else {
    // The keys are computed once: a sort compares each entry many times.
    struct Keyed {
      std::wstring name;
      std::wstring path;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(paths.size());
    for (std::wstring& path : paths) keyed.push_back({FilePart(path), std::move(path)});
    SortStableByKey(keyed, [](const Keyed& entry) { return std::wstring_view(entry.name); });
    for (std::size_t i = 0; i < keyed.size(); ++i) paths[i] = std::move(keyed[i].path);
  }
}

DropIntake TakeDroppedPaths(std::vector<std::wstring> paths, const Settings& settings, const ImageProbe& probe) {
  ExpandFolders(paths, settings.EnableSubFolders == 1);
  DropIntake intake;
  if (settings.Preprocessing == 1) {
    for (std::wstring& path : paths) {
      if (probe(path)) intake.added.push_back(std::move(path));
      else intake.skipped.push_back(std::move(path));
    }
  } else {
    intake.added = std::move(paths);
  }
  if (settings.SortAfterDrop == 1) SortDroppedFiles(intake.added, settings.SortIncludingPath == 1);
  return intake;
}
