#include "filelist/drop_expansion.h"

#include <algorithm>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/path.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool EndsWithSeparator(const std::wstring& path) { return !path.empty() && IsSeparator(path.back()); }

// A folder as the walk names its entries: with one separator at its end (a
// drive root or a path typed with a trailing separator already has it).
std::wstring FolderWithSeparator(const std::wstring& folder) {
  return EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
}

FileItem NewItem(const FileList& list, std::int32_t addedSoFar, const std::wstring& path) {
  FileItem item;
  item.Id = list.ItemsAdded + addedSoFar;
  item.Path = path;
  item.Name = FilePart(path);
  return item;
}

void SortAfterDrop(FileList& list, const Settings& settings, std::int32_t added, IntakeProgress& progress) {
  if (settings.SortAfterDrop != 1 || added == 0) return;
  SortFileList(list, settings.SortIncludingPath == 1);
  progress.Sorted();
}

std::int64_t FullRange(std::size_t pathCount) { return static_cast<std::int64_t>(pathCount) * 100; }

}  // namespace

std::vector<std::wstring> SplitDroppedText(std::wstring_view text) {
  std::vector<std::wstring> paths;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) end = text.size();
    if (end > start) paths.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return paths;
}

std::wstring SuggestedPdfName(const std::wstring& path, bool isFolder) {
  std::wstring trimmed = path;
  while (EndsWithSeparator(trimmed)) trimmed.pop_back();
  std::wstring name = FilePart(trimmed);
  if (isFolder) {
    // "D:" is what is left of a drive root: its letter names it.
    if (name.size() == 2 && name[1] == L':') name.pop_back();
  } else {
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  }
  if (name.empty()) return {};
  return name + L".pdf";
}

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

void IntakeProgress::AddElementFailed(const wchar_t* procedure, std::int32_t line) {
  throw AddElementFailure(procedure, line);
}

namespace {

bool AppendSkipped(std::vector<std::wstring>& skipped, const std::wstring& path) {
  try {
    skipped.push_back(path);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

std::int32_t ProcesFilesDropped(const std::vector<std::wstring>& paths, FileList& list, const Settings& settings,
                                std::vector<std::wstring>& skipped, bool& cancelled, const FileExaminer& examine,
                                IntakeProgress& progress) {
  skipped.clear();
  cancelled = false;
  progress.Open(paths.size());
  std::int32_t added = 0;
  std::int64_t processed = 0;
  for (const std::wstring& path : paths) {
    ++processed;
    FileItem item = NewItem(list, added, path);
    if (examine(item)) {
      if (!AddItemToList(list, std::move(item))) progress.AddElementFailed(L"AddItemToList", kLineAddItemToList);
      ++added;
      progress.Added(list.Items.back());
    } else if (!AppendSkipped(skipped, path)) {
      progress.AddElementFailed(L"ProcesFilesDropped", kLineSkippedElement);
    }
    if (progress.Step(processed * 100, cancelled)) break;
  }
  progress.Finish(FullRange(paths.size()));
  SortAfterDrop(list, settings, added, progress);
  return added;
}

std::int32_t AddFilesDropped(const std::vector<std::wstring>& paths, FileList& list, const Settings& settings,
                             IntakeProgress& progress) {
  progress.Open(paths.size());
  std::int32_t added = 0;
  bool ignored = false;  // nothing to cancel: what was added stays
  for (const std::wstring& path : paths) {
    FileItem item = NewItem(list, added, path);
    item.FileSize = std::max<std::int64_t>(platform::FileSize(path), 0);
    if (!AddItemToList(list, std::move(item))) progress.AddElementFailed(L"AddItemToList", kLineAddItemToList);
    ++added;
    progress.Added(list.Items.back());
    if (progress.Step(static_cast<std::int64_t>(added) * 100, ignored)) break;
  }
  progress.Finish(FullRange(paths.size()));
  SortAfterDrop(list, settings, added, progress);
  return added;
}

DropOutcome TakeDrop(std::vector<std::wstring> paths, FileList& list, const Settings& settings,
                     std::vector<std::wstring>& skipped, const FileExaminer& examine, IntakeProgress& progress) {
  ExpandFolders(paths, settings.EnableSubFolders == 1);
  DropOutcome outcome;
  if (settings.Preprocessing == 1) {
    outcome.added = ProcesFilesDropped(paths, list, settings, skipped, outcome.cancelled, examine, progress);
  } else {
    outcome.added = AddFilesDropped(paths, list, settings, progress);
  }
  list.ItemsAdded += outcome.added;
  return outcome;
}

DropIntake TakeDroppedPaths(std::vector<std::wstring> paths, const Settings& settings, const ImageProbe& probe) {
  FileList list;
  DropIntake intake;
  IntakeProgress silent;
  const FileExaminer examine = [&probe](FileItem& item) { return probe(item.Path); };
  TakeDrop(std::move(paths), list, settings, intake.skipped, examine, silent);
  intake.added.reserve(list.Items.size());
  for (FileItem& item : list.Items) intake.added.push_back(std::move(item.Path));
  return intake;
}
