#include "filelist/drop_expansion.h"

#include <algorithm>
#include <new>
#include <optional>

#include "platform/directory.h"
#include "platform/file.h"
#include "pipeline/prepare_ahead.h"
#include "platform/path.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool EndsWithSeparator(const std::wstring& path) { return !path.empty() && IsSeparator(path.back()); }

// A folder as the walk names its entries: with one separator at its end (a
// drive root or a path typed with a trailing separator already has it).
std::wstring FolderWithSeparator(const std::wstring& folder) {
  return EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
}

FileItem NewItem(const std::wstring& path) {
  FileItem item;
  item.Path = path;
  item.Name = FilePart(path);
  return item;
}

// Appends item as the drop's next record, numbered after the list's. When
// the drop replaces the list, the old records go just before the first new
// one: a drop that adds nothing (all refused, or stopped before the first
// file) leaves the list as it was.
void AppendDropped(FileList& list, FileItem item, std::int32_t& added, bool replace, IntakeProgress& progress) {
  if (replace && added == 0) {
    ClearFileList(list);
    progress.Cleared();
  }
  item.Id = list.ItemsAdded + added;
  if (!AddItemToList(list, std::move(item))) progress.AddElementFailed(L"AddItemToList", kLineAddItemToList);
  ++added;
  progress.Added(list.Items.back());
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

// One file as the examination left it, on its way to the list.
struct Examined {
  FileItem item;
  bool accepted = false;
  bool outOfMemory = false;
};

Examined ExamineOne(const std::wstring& path, const FileExaminer& examine) {
  Examined examined;
  try {
    examined.item = NewItem(path);
    examined.accepted = examine(examined.item);
  } catch (const std::bad_alloc&) {
    // Not the file's fault: the intake stops and says so, it refuses nothing for it.
    examined.outOfMemory = true;
  }
  return examined;
}

// Each dropped file examined, on the workers when there are some (results
// still taken in drop order), else here when its turn comes.
class Examinations {
 public:
  Examinations(const std::vector<std::wstring>& paths, const Settings& settings, const FileExaminer& examine,
               const IntakeWorkers& workers)
      : paths_(paths), examine_(examine) {
    if (workers.count > 1 && paths.size() > 1) {
      try {
        ahead_.emplace(paths, 0, settings,
                       [&examine](const std::wstring& path, const Settings&) { return ExamineOne(path, examine); },
                       workers.count, kAhead, workers.started, workers.ended);
      } catch (const std::bad_alloc&) {
        ahead_.reset();  // no memory for the workers' copy of the paths: each file here in turn
      }
    }
  }
  // A shortage outside the examination itself (the result on its way from
  // a worker) stops the intake as any other.
  Examined Take(std::size_t index) {
    try {
      return ahead_ ? ahead_->Take(index) : ExamineOne(paths_[index], examine_);
    } catch (const std::bad_alloc&) {
      Examined shortage;
      shortage.outOfMemory = true;
      return shortage;
    }
  }

 private:
  // Examined files are small records: enough of them wait for their rows
  // that the workers never idle while the window catches up.
  static constexpr std::size_t kAhead = 256;
  const std::vector<std::wstring>& paths_;
  const FileExaminer& examine_;
  std::optional<WorkAhead<Examined>> ahead_;
};

// The intake's flow: paths (already expanded) -> examined -> records and
// rows in drop order, refused paths listed; the progress observes each path
// done and may stop the flow. probing tells whether refusals and Cancel are
// reported (the plain intake refuses nothing and keeps what it added).
DropOutcome RunIntake(const std::vector<std::wstring>& paths, FileList& list, const Settings& settings,
                      std::vector<std::wstring>& skipped, const FileExaminer& examine, bool probing,
                      IntakeProgress& progress, const IntakeWorkers& workers) {
  DropOutcome outcome;
  if (probing) skipped.clear();
  progress.Open(paths.size());
  {
    Examinations examinations(paths, settings, examine, workers);
    bool cancelled = false;
    for (std::size_t index = 0; index < paths.size(); ++index) {
      Examined examined = examinations.Take(index);
      if (examined.outOfMemory) {
        outcome.outOfMemory = true;
        break;
      }
      if (examined.accepted) {
        AppendDropped(list, std::move(examined.item), outcome.added, settings.ClearBeforeDrop == 1, progress);
      } else if (!AppendSkipped(skipped, paths[index])) {
        progress.AddElementFailed(L"ProcesFilesDropped", kLineSkippedElement);
      }
      const bool stop = progress.Step(static_cast<std::int64_t>(index + 1) * 100, cancelled);
      if (probing) outcome.cancelled = cancelled;
      if (stop) break;
    }
  }
  progress.Finish(FullRange(paths.size()));
  SortAfterDrop(list, settings, outcome.added, progress);
  return outcome;
}

bool SizeOnly(FileItem& item) {
  item.FileSize = std::max<std::int64_t>(platform::FileSize(item.Path), 0);
  return true;
}

}  // namespace

DropOutcome TakeDrop(std::vector<std::wstring> paths, FileList& list, const Settings& settings,
                     std::vector<std::wstring>& skipped, const FileExaminer& examine, IntakeProgress& progress,
                     const IntakeWorkers& workers) {
  ExpandFolders(paths, settings.EnableSubFolders == 1);
  const bool probing = settings.Preprocessing == 1;
  std::vector<std::wstring> none;
  const DropOutcome outcome = probing ? RunIntake(paths, list, settings, skipped, examine, true, progress, workers)
                                      : RunIntake(paths, list, settings, none, SizeOnly, false, progress, {});
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
