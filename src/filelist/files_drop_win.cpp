#include "filelist/files_drop_win.h"

#include "filelist/drop_expansion.h"
#include "filelist/intake_window_win.h"
#include "filelist/list_view_win.h"
#include "filelist/skipped_files_win.h"
#include "filelist/thumbnail_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/thumbnail_size.h"
#include "pipeline/build_window_win.h"
#include "pipeline/memory_watch.h"
#include "platform/file.h"
#include "ui/message_box.h"
#include "ui/window_helpers.h"

std::wstring DroppedText(HDROP drop) {
  std::wstring text;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring path(length + 1, L'\0');
    const UINT copied = ::DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(copied);
    text += path;
    text += L'\n';
  }
  return text;
}

bool ProcessFile(FileItem& item, const Settings& settings) {
  ExaminedImage examined;
  if (!ExamineImageSize(item.Path, settings.AutoRotate == 1, examined)) return false;
  item.FileSize = examined.fileSize;
  item.Width = examined.width;
  item.Height = examined.height;
  return true;
}

std::int32_t HandleFilesDrop(const std::wstring& droppedText, FileList& list, const Settings& settings,
                             std::vector<std::wstring>& skipped, std::wstring& suggestedName,
                             const FilesDropOwner& owner) {
  std::vector<std::wstring> paths = SplitDroppedText(droppedText);
  if (paths.empty()) return 0;
  // With ClearBeforeDrop the list counts as empty for the name, which is
  // kept, like the list, when the drop adds nothing.
  const bool replacing = settings.ClearBeforeDrop == 1;
  std::wstring newName;
  if ((replacing || list.ItemsAdded == 0) && paths.size() == 1) {
    newName = SuggestedPdfName(paths.front(), platform::IsDirectory(paths.front()));
  }

  const bool probing = settings.Preprocessing == 1;
  CloseThumbnail();  // the rows it showed may be about to move
  DropOutcome outcome;
  {
    IntakeProgressWindow progress(probing, owner.layoutNeeded);
    const FileExaminer examine = [&settings](FileItem& item) { return ProcessFile(item, settings); };
    // The build's own workers examine the files ahead of the rows.
    const BuildServices build = WindowsBuildServices();
    outcome = TakeDrop(std::move(paths), list, settings, skipped, examine, progress,
                       {build.workers, build.workerStarted, build.workerEnded});
  }
  if (probing) TrimWorkingSet();
  // The rows added in a run are drawn now, before any window covers them.
  DrawAddedRows();

  if (outcome.added > 0 || !replacing) suggestedName = std::move(newName);
  if (outcome.outOfMemory) {
    // Said as it is: the files that were not added are not at fault.
    if (outcome.added > 0) UpdateListCommands();
    ShowCentredMessage(MainWindow(), kDropOutOfMemoryText, MB_OK | MB_ICONWARNING);
  } else if (outcome.added > 0) {
    UpdateListCommands();
    if (!skipped.empty() && !outcome.cancelled) ShowSkippedFiles(skipped);
  } else {
    SetCurrentRow(-1);
    ShowCentredMessage(MainWindow(), kNoFilesAddedText, MB_OK | MB_ICONWARNING);
  }
  skipped.clear();
  SetCurrentRow(0);
  if (const HWND view = FileListView()) ::SetFocus(view);
  if (owner.statusChanged) owner.statusChanged();
  return outcome.added;
}
