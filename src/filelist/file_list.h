#pragma once
// The file list: the program's document. The records live here, in the
// order of the list view's rows; the view (list_view_win.h) keeps its rows
// in step with every change made through these procedures.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/build_pdf.h"
#include "settings/settings.h"

// An image handle owned by a record (a bitmap on Windows). Portable code
// never looks inside; whoever makes one supplies the function that frees it.
class ThumbnailHandle {
 public:
  using Deleter = void (*)(void* handle);

  ThumbnailHandle() = default;
  ThumbnailHandle(void* handle, Deleter deleter) noexcept : handle_(handle), deleter_(deleter) {}
  ~ThumbnailHandle() { reset(); }
  ThumbnailHandle(ThumbnailHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)), deleter_(std::exchange(other.deleter_, nullptr)) {}
  ThumbnailHandle& operator=(ThumbnailHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
      deleter_ = std::exchange(other.deleter_, nullptr);
    }
    return *this;
  }
  ThumbnailHandle(const ThumbnailHandle&) = delete;
  ThumbnailHandle& operator=(const ThumbnailHandle&) = delete;

  void* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset() {
    if (handle_ && deleter_) deleter_(handle_);
    handle_ = nullptr;
    deleter_ = nullptr;
  }

 private:
  void* handle_ = nullptr;
  Deleter deleter_ = nullptr;
};

// A row's state flags, as recorded in FileItem::State.
inline constexpr std::int32_t kRowSelected = 1;
inline constexpr std::int32_t kRowChecked = 2;

inline bool IsRowChecked(std::int32_t state) { return (state & kRowChecked) != 0; }

struct FileItem {
  std::int32_t Id = 0;  // the row's item data; unique among the records
  std::wstring Path;
  std::wstring Name;
  std::int32_t Width = 0;   // 0: not examined
  std::int32_t Height = 0;
  // 64-bit, so that files and totals beyond 2 GB read right.
  std::int64_t FileSize = 0;
  ThumbnailHandle Thumbnail;
  std::int32_t State = 0;  // the row's flags when last recorded
  // How far the user turned the row's page: 0, 90, 180 or 270 degrees
  // clockwise, on top of the photo's own EXIF orientation. Travels with the
  // record through sorts, moves and rebuilds; a new record starts at 0.
  std::int32_t Turn = 0;
};

struct FileList {
  std::vector<FileItem> Items;  // element i is row i
  // Entries added since start or since the list was last emptied; new Ids
  // start here, so removing single entries never lowers it.
  std::int32_t ItemsAdded = 0;
  std::int64_t TotalFileBytes = 0;
};

// The program's one list.
FileList& ProgramFileList();

// Appends the record and adds its size to the total. The view is not touched.
// False, with the list as it was, when there is no memory for another record.
bool AddItemToList(FileList& list, FileItem item);

// Where the intake's "AddElement failed." reports come from.
inline constexpr std::int32_t kLineAddItemToList = 1492;
inline constexpr std::int32_t kLineSkippedElement = 1867;

// The first record with this Id, or null.
FileItem* FindItem(FileList& list, std::int32_t id);
std::int32_t FindItemIndex(const FileList& list, std::int32_t id);
// The record of a row whose item data is id: the record at the row's own
// index when it carries that Id (the usual case, found at once), else the
// first one with it; null when there is none.
FileItem* FindRowItem(FileList& list, std::int32_t row, std::int32_t id);

// Removes the record at index: its size leaves the total, its thumbnail is freed.
void DeleteItemAt(FileList& list, std::size_t index);

// Moves record `from` so that it comes before the record now at `to` (`to`
// equal to the count: after the last). Returns where it ends: `to` - 1 when
// it moved down, `to` when it moved up; `from` when nothing moved.
std::int32_t MoveRow(FileList& list, std::int32_t from, std::int32_t to);
// To row 0 when top, after the last row otherwise. Returns the new index.
std::int32_t MoveRowToEnd(FileList& list, std::int32_t row, bool top);

// Rows [first, last) whose record or state changed.
struct RowRange {
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool empty() const { return first >= last; }
};

// Moves the records of the checked rows (rowStates holds each row's live
// state flags) to the top or the bottom, in their former relative order; the
// others keep theirs. rowStates is reordered the same way, and each moved
// row's state becomes checked only (its selection is dropped). One pass,
// whatever the number of checked rows.
RowRange MoveCheckedRows(FileList& list, std::vector<std::int32_t>& rowStates, bool top);

struct RemovedRows {
  std::int32_t first = 0;    // index of the first removed row (the count when none)
  std::int32_t removed = 0;
};
// Removes the records of the checked rows (sizes and thumbnails go with
// them) and their entries in rowStates. One pass.
RemovedRows RemoveCheckedRows(FileList& list, std::vector<std::int32_t>& rowStates);

// Every record's check mark set (or cleared); the other flags stay.
void SetAllChecked(FileList& list, bool checked);

// Stable sort on Path (includingPath) or Name, letters folded the "C" way.
void SortFileList(FileList& list, bool includingPath);

// Frees every record and its thumbnail; total and ItemsAdded back to 0.
void ClearFileList(FileList& list);

// Turns the record's page by degrees clockwise (negative: to the left).
void TurnItem(FileItem& item, std::int32_t degrees);

// What the build needs of the list, in list order.
std::vector<BuildItem> BuildItemsOf(const FileList& list);

// The three cells of a record's row. A turned row's Resolution cell gives
// the size as its page shows the picture, after its turn in degrees: "90° 1200 x 1600".
struct RowCells {
  std::wstring filename;
  std::wstring resolution;
  std::wstring size;
};
RowCells RowCellsOf(const FileItem& item, const Settings& settings);

// The status bar's totals: "12 files  3 MB"; empty for an empty list.
std::wstring FileTotalsText(const FileList& list);
