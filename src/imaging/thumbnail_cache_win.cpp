#include "imaging/thumbnail_cache_win.h"

#include <objbase.h>

#include <utility>

#include "imaging/image_examine_win.h"
#include "imaging/orientation.h"

namespace {

std::int64_t BitmapBytes(HBITMAP bitmap) {
  BITMAP size{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof size, &size)) return 0;
  return static_cast<std::int64_t>(size.bmWidthBytes) * size.bmHeight;
}

// The made thumbnail as its page shows the picture.
void TurnThumbnail(ExaminedImage& examined, ThumbnailTurn turn) {
  const std::int32_t orientation = TurnedOrientation(turn.upright ? examined.orientation : 1, turn.turn);
  if (orientation == 1 || !examined.thumbnail) return;
  // Without memory for the turned copy the picture shows as it is stored.
  if (win::UniqueBitmap turned = OrientBitmap(examined.thumbnail.get(), orientation)) {
    examined.thumbnail = std::move(turned);
  }
}

}  // namespace

ThumbnailCache::ThumbnailCache(std::int64_t budgetBytes, std::function<void()> ready)
    : budgetBytes_(budgetBytes), ready_(std::move(ready)), worker_([this] { Work(); }) {}

ThumbnailCache::~ThumbnailCache() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::wstring ThumbnailCache::Key(const std::wstring& path, std::int32_t box, ThumbnailTurn turn) {
  return std::to_wstring(box) + L'|' + (turn.upright ? L'u' : L's') + std::to_wstring(turn.turn) + L'|' + path;
}

bool ThumbnailCache::Find(const std::wstring& path, std::int32_t box, ThumbnailTurn turn, HBITMAP& bitmap) {
  const auto found = index_.find(Key(path, box, turn));
  if (found == index_.end()) return false;
  entries_.splice(entries_.begin(), entries_, found->second);
  bitmap = found->second->bitmap.get();
  return true;
}

void ThumbnailCache::Want(std::vector<std::pair<std::wstring, ThumbnailTurn>> paths, std::int32_t box) {
  std::vector<Wish> wishes;
  for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
    if (index_.count(Key(path->first, box, path->second)) == 0)
      wishes.push_back({std::move(path->first), box, path->second});
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wishes_ = std::move(wishes);
  }
  changed_.notify_all();
}

void ThumbnailCache::Collect(HBITMAP keepShown, const std::wstring& keepPath, std::int32_t box,
                             ThumbnailTurn keepTurn) {
  const std::wstring keepKey = Key(keepPath, box, keepTurn);
  std::vector<Made> made;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    made.swap(made_);
  }
  for (Made& thumbnail : made) {
    if (index_.count(thumbnail.key) != 0) continue;  // made twice: the first stays
    const std::int64_t bytes = BitmapBytes(thumbnail.bitmap.get());
    entries_.push_front({std::move(thumbnail.key), std::move(thumbnail.bitmap), bytes});
    index_[entries_.front().key] = entries_.begin();
    heldBytes_ += bytes;
  }
  for (auto entry = entries_.end(); heldBytes_ > budgetBytes_ && entry != entries_.begin();) {
    --entry;
    if (entry->bytes == 0 || entry->bitmap.get() == keepShown || entry->key == keepKey) continue;
    heldBytes_ -= entry->bytes;
    index_.erase(entry->key);
    entry = entries_.erase(entry);
  }
}

void ThumbnailCache::Work() {
  // GDI+ decodes through COM objects: the thread joins COM as the build's workers do.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !wishes_.empty(); });
    if (stopping_) break;
    Wish wish = std::move(wishes_.back());
    wishes_.pop_back();
    lock.unlock();
    // A file that is gone or cannot be decoded leaves an empty entry: the
    // window shows its background, and the file is not tried again and again.
    ExaminedImage examined;
    ExamineImageFile(wish.path, wish.box, examined);
    TurnThumbnail(examined, wish.turn);
    lock.lock();
    made_.push_back({Key(wish.path, wish.box, wish.turn), std::move(examined.thumbnail)});
    lock.unlock();
    if (ready_) ready_();
    lock.lock();
  }
  lock.unlock();
  if (SUCCEEDED(com)) ::CoUninitialize();
}
