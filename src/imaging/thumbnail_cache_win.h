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
// upright (AutoRotate), then by its row's turn (degrees clockwise). Part of
// the cache's key: a row turned shows its new picture at once.
struct ThumbnailTurn {
  bool upright = false;
  std::int32_t turn = 0;
};

class ThumbnailCache {
 public:
  // ready runs on the worker thread each time a thumbnail is finished: it
  // should only post a message to the window thread, which then calls Collect.
  ThumbnailCache(std::int64_t budgetBytes, std::function<void()> ready);
  ~ThumbnailCache();
  ThumbnailCache(const ThumbnailCache&) = delete;
  ThumbnailCache& operator=(const ThumbnailCache&) = delete;

  // Whether the thumbnail of path, reduced into a box x box square, is held;
  // bitmap is then it (null when the file could not be read as an image).
  // A found entry becomes the most recently used.
  bool Find(const std::wstring& path, std::int32_t box, ThumbnailTurn turn, HBITMAP& bitmap);
  // The thumbnails to make next, most wanted first; wishes not yet started
  // are replaced by these.
  void Want(std::vector<std::pair<std::wstring, ThumbnailTurn>> paths, std::int32_t box);
  // Takes the finished thumbnails in, then lets the least recently used go
  // until the budget holds, never keepShown (the bitmap on the screen) nor
  // the thumbnail of keepPath (the one waited for).
  void Collect(HBITMAP keepShown, const std::wstring& keepPath, std::int32_t box, ThumbnailTurn keepTurn);
  std::int64_t HeldBytes() const { return heldBytes_; }
  void SetBudget(std::int64_t budgetBytes) { budgetBytes_ = budgetBytes; }

 private:
  struct Entry {
    std::wstring key;
    win::UniqueBitmap bitmap;
    std::int64_t bytes = 0;
  };
  struct Wish {
    std::wstring path;
    std::int32_t box = 0;
    ThumbnailTurn turn;
  };
  struct Made {
    std::wstring key;
    win::UniqueBitmap bitmap;
  };
  static std::wstring Key(const std::wstring& path, std::int32_t box, ThumbnailTurn turn);
  void Work();

  std::int64_t budgetBytes_;
  std::int64_t heldBytes_ = 0;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<std::wstring, std::list<Entry>::iterator> index_;
  const std::function<void()> ready_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Wish> wishes_;  // most wanted last, so that it is taken from the back
  std::vector<Made> made_;
  bool stopping_ = false;
  std::thread worker_;
};
