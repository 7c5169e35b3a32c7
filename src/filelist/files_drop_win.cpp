#include "filelist/files_drop_win.h"

#include "filelist/drop_expansion.h"
#include "filelist/intake_window_win.h"
#include "filelist/list_view_win.h"
#include "filelist/skipped_files_win.h"
#include "filelist/thumbnail_win.h"
#include "imaging/image_examine_win.h"
#include "imaging/thumbnail_size.h"
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
  if (!ExamineImageFile(item.Path, ThumbnailPixels(settings.ThumbSize), examined)) return false;
  item.FileSize = examined.fileSize;
  item.Width = examined.width;
  item.Height = examined.height;
  if (examined.thumbnail) item.Thumbnail = OwnThumbnailBitmap(examined.thumbnail.release());
  return true;
}

std::int32_t HandleFilesDrop(const std::wstring& droppedText, FileList& list, const Settings& settings,
                             std::vector<std::wstring>& skipped, std::wstring& suggestedName,
                             const FilesDropOwner& owner) {
  std::vector<std::wstring> paths = SplitDroppedText(droppedText);
  if (paths.empty()) return 0;
  if (settings.ClearBeforeDrop == 1) ClearFileListAndRows();
  suggestedName.clear();
  if (list.ItemsAdded == 0 && paths.size() == 1) {
    suggestedName = SuggestedPdfName(paths.front(), platform::IsDirectory(paths.front()));
  }

  const bool probing = settings.Preprocessing == 1;
  CloseThumbnail();  // the rows it showed may be about to move
  DropOutcome outcome;
  {
    IntakeProgressWindow progress(probing, owner.layoutNeeded);
    const FileExaminer examine = [&settings](FileItem& item) { return ProcessFile(item, settings); };
    outcome = TakeDrop(std::move(paths), list, settings, skipped, examine, progress);
  }
  if (probing) TrimWorkingSet();
  // The rows added in a run are drawn now, before any window covers them.
  DrawAddedRows();

  if (outcome.added > 0) {
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
