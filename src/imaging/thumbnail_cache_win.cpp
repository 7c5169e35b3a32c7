#include "imaging/thumbnail_cache_win.h"

#include <objbase.h>

#include <new>
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

std::size_t ThumbnailKeyHash::operator()(const ThumbnailKey& key) const {
  std::size_t hash = std::hash<std::wstring>()(key.path);
  for (const std::size_t part : {std::hash<std::int32_t>()(key.box), std::hash<std::int64_t>()(key.lastWrite),
                                  std::hash<std::int32_t>()(key.turn.turn * 2 + (key.turn.upright ? 1 : 0))}) {
    hash ^= part + 0x9E3779B9u + (hash << 6) + (hash >> 2);
  }
  return hash;
}

bool ThumbnailCache::Find(const ThumbnailKey& key, HBITMAP& bitmap) {
  const auto found = index_.find(key);
  if (found == index_.end()) return false;
  entries_.splice(entries_.begin(), entries_, found->second);
  bitmap = found->second->bitmap.get();
  return true;
}

void ThumbnailCache::Forget(const ThumbnailKey& key) {
  const auto found = index_.find(key);
  if (found == index_.end()) return;
  heldBytes_ -= found->second->bytes;
  entries_.erase(found->second);
  index_.erase(found);
}

void ThumbnailCache::Want(std::vector<ThumbnailKey> keys) {
  std::vector<ThumbnailKey> wishes;
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    if (index_.count(*key) == 0) wishes.push_back(std::move(*key));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wishes_ = std::move(wishes);
  }
  changed_.notify_all();
}

void ThumbnailCache::Collect(HBITMAP keepShown, const ThumbnailKey& keep) {
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
    if (entry->bytes == 0 || entry->bitmap.get() == keepShown || entry->key == keep) continue;
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
    ThumbnailKey wish = std::move(wishes_.back());
    wishes_.pop_back();
    lock.unlock();
    // A file that is gone or cannot be decoded leaves an empty entry: the
    // window shows its background, and the file is not tried again until
    // its row is shown again.
    ExaminedImage examined;
    ExamineImageFile(wish.path, wish.box, examined);
    TurnThumbnail(examined, wish.turn);
    lock.lock();
    try {
      made_.push_back({std::move(wish), std::move(examined.thumbnail)});
    } catch (const std::bad_alloc&) {
      // Memory short: this picture is made again when it is wanted again.
    }
    lock.unlock();
    if (ready_) ready_();
    lock.lock();
  }
  lock.unlock();
  if (SUCCEEDED(com)) ::CoUninitialize();
}
