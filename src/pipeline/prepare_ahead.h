#pragma once
// Images prepared ahead of the page being placed: worker threads take the
// files in list order and prepare them while the build thread places pages,
// which it takes strictly in list order. Nothing here touches a window or the
// PDF writer; those stay on the build thread.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/image_prep.h"
#include "settings/settings.h"

using PrepareFunction = std::function<PreparedImage(const std::wstring& path, const Settings& settings)>;

class PrepareAhead {
 public:
  // Starts workers threads that prepare paths[first], paths[first + 1], ...;
  // at most `ahead` images are held beyond the one the build takes next.
  // threadStart and threadEnd, when given, run on each worker thread first
  // and last (COM wants to be set up per thread).
  PrepareAhead(std::vector<std::wstring> paths, std::size_t first, const Settings& settings,
               PrepareFunction prepare, std::int32_t workers, std::size_t ahead,
               std::function<void()> threadStart = {}, std::function<void()> threadEnd = {});
  // Waits for the images being prepared and lets the rest go.
  ~PrepareAhead();
  PrepareAhead(const PrepareAhead&) = delete;
  PrepareAhead& operator=(const PrepareAhead&) = delete;

  // The prepared image of paths[index]; waits for it. Indexes are taken in
  // increasing order, each once.
  PreparedImage Take(std::size_t index);

 private:
  void Work();

  const std::vector<std::wstring> paths_;
  const Settings settings_;  // a copy: the build may change its own meanwhile
  const PrepareFunction prepare_;
  const std::size_t ahead_;
  const std::function<void()> threadStart_;
  const std::function<void()> threadEnd_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_;    // the next index a worker picks up
  std::size_t wanted_;  // the index the build takes next
  bool stopping_ = false;
  std::map<std::size_t, PreparedImage> ready_;
  std::vector<std::thread> threads_;
};
