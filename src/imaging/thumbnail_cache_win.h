#pragma once
// Thumbnails made from the image files when they are wanted, on a worker
// thread of their own, and held within a memory budget: the least recently
// used go first and are made again when wanted again. Windows only; GDI+
// must have been started. Every call but the ready notice is made on one
// thread (the window thread).
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/win_handles.h"

// How a thumbnail is to be turned: by its file's EXIF orientation when
// upright (AutoRotate), then by its row's turn (degrees clockwise).
struct ThumbnailTurn {
  bool upright = false;
  std::int32_t turn = 0;
  bool operator==(const ThumbnailTurn&) const = default;
};

// What one thumbnail is made from and for: another file, another square, a
// file edited since (a later last-write time) or another turn (a row turned
// shows its new picture at once) is another picture.
struct ThumbnailKey {
  std::wstring path;
  std::int32_t box = 0;
  std::int64_t lastWrite = 0;  // the file's last-write time, 0 when it cannot be read
  ThumbnailTurn turn;
  bool operator==(const ThumbnailKey&) const = default;
};
struct ThumbnailKeyHash {
  std::size_t operator()(const ThumbnailKey& key) const;
};

class ThumbnailCache {
 public:
  // ready runs on the worker thread each time a thumbnail is finished: it
  // should only post a message to the window thread, which then calls Collect.
  ThumbnailCache(std::int64_t budgetBytes, std::function<void()> ready);
  ~ThumbnailCache();
  ThumbnailCache(const ThumbnailCache&) = delete;
  ThumbnailCache& operator=(const ThumbnailCache&) = delete;

  // Whether the thumbnail of key (the file reduced into a box x box square)
  // is held; bitmap is then it (null when the file could not be read as an
  // image). A found entry becomes the most recently used.
  bool Find(const ThumbnailKey& key, HBITMAP& bitmap);
  // Lets an entry go, so that the next Want makes it again (a failed one).
  void Forget(const ThumbnailKey& key);
  // The thumbnails to make next, most wanted first; wishes not yet started
  // are replaced by these.
  void Want(std::vector<ThumbnailKey> keys);
  // Takes the finished thumbnails in, then lets the least recently used go
  // until the budget holds, never keepShown (the bitmap on the screen) nor
  // the thumbnail of keep (the one waited for).
  void Collect(HBITMAP keepShown, const ThumbnailKey& keep);
  std::int64_t HeldBytes() const { return heldBytes_; }
  void SetBudget(std::int64_t budgetBytes) { budgetBytes_ = budgetBytes; }

 private:
  struct Entry {
    ThumbnailKey key;
    win::UniqueBitmap bitmap;
    std::int64_t bytes = 0;
  };
  struct Made {
    ThumbnailKey key;
    win::UniqueBitmap bitmap;
  };
  void Work();

  std::int64_t budgetBytes_;
  std::int64_t heldBytes_ = 0;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<ThumbnailKey, std::list<Entry>::iterator, ThumbnailKeyHash> index_;
  const std::function<void()> ready_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<ThumbnailKey> wishes_;  // most wanted last, so that it is taken from the back
  std::vector<Made> made_;
  bool stopping_ = false;
  std::thread worker_;
};
