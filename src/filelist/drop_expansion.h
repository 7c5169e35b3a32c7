#pragma once
// One drop of files and folders on the list, up to the records that become
// new rows: the dropped text split into paths, folders replaced by the files
// inside them, each file optionally examined, refused files collected, the
// list optionally sorted. The one intake of both the main window's drop
// handling and the console companion.
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/file_list.h"
#include "settings/settings.h"

// The dropped text (full paths separated by line feeds) as paths, in order;
// empty pieces are left out.
std::vector<std::wstring> SplitDroppedText(std::wstring_view text);

// The PDF name offered after one path was dropped on an empty list: a
// folder's own name, or a file's name without its extension, followed by
// ".pdf". A drive root ("D:\") gives its letter ("D.pdf"); a path with no
// usable name gives the empty text.
std::wstring SuggestedPdfName(const std::wstring& path, bool isFolder);

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

// Examines the file named by item.Path (ProcessFile): fills FileSize, Width
// and Height; false when the file is to be skipped. It may run on several
// worker threads at once; std::bad_alloc from it means memory ran short,
// which stops the intake instead of refusing the file.
using FileExaminer = std::function<bool(FileItem& item)>;

// What the user sees of an intake: the progress window on the desktop,
// nothing in the console. Every call has a do-nothing default.
struct AddElementFailure : std::bad_alloc {
  AddElementFailure(const wchar_t* p, std::int32_t l) : procedure(p), line(l) {}
  const wchar_t* procedure;
  std::int32_t line;
};

class IntakeProgress {
 public:
  virtual ~IntakeProgress() = default;
  // The intake of pathCount paths starts (progress 0 to pathCount x 100).
  virtual void Open(std::size_t pathCount) { (void)pathCount; }
  // The drop replaces the list (ClearBeforeDrop) and its first file is
  // about to be added: the old records are gone, their rows go too.
  virtual void Cleared() {}
  // item was appended to the list: its row, and the layout refreshed.
  virtual void Added(const FileItem& item) { (void)item; }
  // One path is done: show value, handle pending events. True when a stop
  // was asked for; cancelled is set when it was the Cancel button (the
  // window's close box stops without cancelling).
  virtual bool Step(std::int64_t value, bool& cancelled) {
    (void)value;
    (void)cancelled;
    return false;
  }
  // The intake is over (also after a stop): value is the full range.
  virtual void Finish(std::int64_t value) { (void)value; }
  // The list was sorted after the drop: rows anew from the records, row 0 current.
  virtual void Sorted() {}
  // No memory for another record or skipped path: the fatal report names
  // procedure and line with "AddElement failed.". Does not return; without
  // a window it throws AddElementFailure for the caller to report.
  [[noreturn]] virtual void AddElementFailed(const wchar_t* procedure, std::int32_t line);
};

// The threads that examine dropped files ahead of the rows (the build's own
// kind of workers); count 0 or 1 examines each file when its turn comes.
struct IntakeWorkers {
  std::int32_t count = 0;
  std::function<void()> started;  // run first and last on each worker thread
  std::function<void()> ended;
};

struct DropOutcome {
  std::int32_t added = 0;
  bool cancelled = false;
  bool outOfMemory = false;  // stopped because memory ran short
};

// Folders expanded (EnableSubFolders), then, with Preprocessing 1, every
// path examined in drop order (on workers when given): accepted files become
// records (Id = list.ItemsAdded + the number added before them), refused ones
// go to skipped (emptied first), cancelled is set when the user pressed
// Cancel. With Preprocessing 0 every path becomes a record with its size only
// (0 when it cannot be read) and nothing is refused. The whole list is sorted
// afterwards when SortAfterDrop is 1 and something was added; list.ItemsAdded
// grows by the number added. With ClearBeforeDrop the new records replace the
// list's, but only once there is a first one to add.
DropOutcome TakeDrop(std::vector<std::wstring> paths, FileList& list, const Settings& settings,
                     std::vector<std::wstring>& skipped, const FileExaminer& examine, IntakeProgress& progress,
                     const IntakeWorkers& workers = {});

struct DropIntake {
  std::vector<std::wstring> added;    // the new rows, in list order
  std::vector<std::wstring> skipped;  // refused by the probe, in drop order
};

// Whether a file is an image the build can use (it exists and the image
// decoder opens it).
using ImageProbe = std::function<bool(const std::wstring& path)>;

// TakeDrop on an empty list without progress, for callers that need only
// the paths: refused files are those probe says no to.
DropIntake TakeDroppedPaths(std::vector<std::wstring> paths, const Settings& settings, const ImageProbe& probe);
