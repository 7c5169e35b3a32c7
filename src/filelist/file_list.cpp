#include "filelist/file_list.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string_view>

#include "filelist/name_order.h"
#include "format/text_format.h"
#include "imaging/orientation.h"

namespace {

std::int32_t CountOf(const FileList& list) { return static_cast<std::int32_t>(list.Items.size()); }

}  // namespace

FileList& ProgramFileList() {
  static FileList list;
  return list;
}

bool AddItemToList(FileList& list, FileItem item) {
  try {
    list.Items.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return false;
  }
  list.TotalFileBytes += list.Items.back().FileSize;
  return true;
}

FileItem* FindItem(FileList& list, std::int32_t id) {
  const std::int32_t index = FindItemIndex(list, id);
  return index < 0 ? nullptr : &list.Items[static_cast<std::size_t>(index)];
}

std::int32_t FindItemIndex(const FileList& list, std::int32_t id) {
  for (std::size_t i = 0; i < list.Items.size(); ++i) {
    if (list.Items[i].Id == id) return static_cast<std::int32_t>(i);
  }
  return -1;
}

FileItem* FindRowItem(FileList& list, std::int32_t row, std::int32_t id) {
  if (row >= 0 && row < CountOf(list) && list.Items[static_cast<std::size_t>(row)].Id == id) {
    return &list.Items[static_cast<std::size_t>(row)];
  }
  return FindItem(list, id);
}

void SetAllChecked(FileList& list, bool checked) {
  for (FileItem& item : list.Items) item.State = checked ? item.State | kRowChecked : item.State & ~kRowChecked;
}

void DeleteItemAt(FileList& list, std::size_t index) {
  if (index >= list.Items.size()) return;
  list.TotalFileBytes -= list.Items[index].FileSize;
  list.Items.erase(list.Items.begin() + static_cast<std::ptrdiff_t>(index));
}

std::int32_t MoveRow(FileList& list, std::int32_t from, std::int32_t to) {
  const std::int32_t count = CountOf(list);
  if (from == to || from < 0 || from >= count || to < 0 || to > count) return from;
  const auto begin = list.Items.begin();
  if (from < to) {
    // Moving down: the entries in between close up behind it.
    std::rotate(begin + from, begin + from + 1, begin + to);
    return to - 1;
  }
  std::rotate(begin + to, begin + from, begin + from + 1);
  return to;
}

std::int32_t MoveRowToEnd(FileList& list, std::int32_t row, bool top) {
  return MoveRow(list, row, top ? 0 : CountOf(list));
}

RowRange MoveCheckedRows(FileList& list, std::vector<std::int32_t>& rowStates, bool top) {
  const std::size_t count = list.Items.size();
  rowStates.resize(count, 0);
  std::size_t firstChecked = count;
  std::size_t lastChecked = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsRowChecked(rowStates[i])) continue;
    firstChecked = std::min(firstChecked, i);
    lastChecked = i;
  }
  if (firstChecked == count) return {};

  // A stable partition of (record, state) pairs: the group that goes first
  // keeps its order, and so does the other.
  std::vector<FileItem> items;
  std::vector<std::int32_t> states;
  items.reserve(count);
  states.reserve(count);
  const auto take = [&](bool checked) {
    for (std::size_t i = 0; i < count; ++i) {
      if (IsRowChecked(rowStates[i]) != checked) continue;
      items.push_back(std::move(list.Items[i]));
      states.push_back(checked ? kRowChecked : rowStates[i]);
    }
  };
  take(top);
  take(!top);
  list.Items = std::move(items);
  rowStates = std::move(states);
  if (top) return {0, static_cast<std::int32_t>(lastChecked + 1)};
  return {static_cast<std::int32_t>(firstChecked), static_cast<std::int32_t>(count)};
}

RemovedRows RemoveCheckedRows(FileList& list, std::vector<std::int32_t>& rowStates) {
  const std::size_t count = list.Items.size();
  rowStates.resize(count, 0);
  RemovedRows result{static_cast<std::int32_t>(count), 0};
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (IsRowChecked(rowStates[i])) {
      if (result.removed == 0) result.first = static_cast<std::int32_t>(i);
      ++result.removed;
      list.TotalFileBytes -= list.Items[i].FileSize;
      list.Items[i].Thumbnail.reset();
      continue;
    }
    if (kept != i) {
      list.Items[kept] = std::move(list.Items[i]);
      rowStates[kept] = rowStates[i];
    }
    ++kept;
  }
  list.Items.erase(list.Items.begin() + static_cast<std::ptrdiff_t>(kept), list.Items.end());
  rowStates.resize(kept);
  return result;
}

void SortFileList(FileList& list, bool includingPath) {
  if (includingPath) {
    SortStableByKey(list.Items, [](const FileItem& item) { return std::wstring_view(item.Path); });
  } else {
    SortStableByKey(list.Items, [](const FileItem& item) { return std::wstring_view(item.Name); });
  }
}

void ClearFileList(FileList& list) {
  list.Items.clear();
  list.TotalFileBytes = 0;
  list.ItemsAdded = 0;
}

void TurnItem(FileItem& item, std::int32_t degrees) { item.Turn = NormalTurn(item.Turn + NormalTurn(degrees)); }

std::vector<BuildItem> BuildItemsOf(const FileList& list) {
  std::vector<BuildItem> items;
  items.reserve(list.Items.size());
  for (const FileItem& item : list.Items) items.push_back({item.Path, item.Name, item.Turn});
  return items;
}

RowCells RowCellsOf(const FileItem& item, const Settings& settings) {
  RowCells cells;
  cells.filename = settings.ShowFullPath == 1 ? item.Path : item.Name;
  if (item.Width == 0) {
    cells.resolution = L"? x ?";
  } else {
    // Width and Height are the picture upright (Exif honoured at intake);
    // a quarter turn of the row exchanges them on its page.
    const bool across = item.Turn == 90 || item.Turn == 270;
    const std::int32_t width = across ? item.Height : item.Width;
    const std::int32_t height = across ? item.Width : item.Height;
    cells.resolution = std::to_wstring(width) + L" x " + std::to_wstring(height);
  }
  if (item.Turn != 0) cells.resolution = std::to_wstring(item.Turn) + L"\u00B0 " + cells.resolution;
  cells.size = settings.ShowSizeCondensed == 1 ? FormatByteSize(item.FileSize, 0, 1)
                                               : FormatNumber(item.FileSize, L"");
  return cells;
}

std::wstring FileTotalsText(const FileList& list) {
  const std::int64_t count = static_cast<std::int64_t>(list.Items.size());
  if (count == 0) return {};
  return FormatNumber(count) + (count == 1 ? L" file" : L" files") + L"  " +
         FormatByteSize(list.TotalFileBytes, 0, 0);
}
