#pragma once
// Work done ahead of the thread that consumes it: worker threads take the
// paths in order and run the work on them while the owning thread takes the
// results strictly in that order. The build prepares its images this way
// while it places pages; the intake examines dropped files this way while it
// adds rows. Nothing here touches a window or the PDF writer; those stay on
// the owning thread.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/image_prep.h"
#include "settings/settings.h"

template <typename Result, typename Input = std::wstring>
class WorkAhead {
 public:
  using Work = std::function<Result(const Input& input, const Settings& settings)>;

  // Starts `workers` threads that run work on paths[first], paths[first + 1],
  // ...; at most `ahead` results are held beyond the one taken next.
  // threadStart and threadEnd, when given, run on each worker thread first
  // and last (COM wants to be set up per thread).
  WorkAhead(std::vector<Input> paths, std::size_t first, const Settings& settings, Work work,
            std::int32_t workers, std::size_t ahead, std::function<void()> threadStart = {},
            std::function<void()> threadEnd = {})
      : paths_(std::move(paths)),
        settings_(settings),
        work_(std::move(work)),
        ahead_(ahead < 1 ? 1 : ahead),
        threadStart_(std::move(threadStart)),
        threadEnd_(std::move(threadEnd)),
        next_(first),
        wanted_(first) {
    for (std::int32_t i = 0; i < workers; ++i) threads_.emplace_back([this] { Run(); });
  }
  // Waits for the work under way and lets the rest go.
  ~WorkAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  WorkAhead(const WorkAhead&) = delete;
  WorkAhead& operator=(const WorkAhead&) = delete;

  // The result for paths[index]; waits for it. Indexes are taken in
  // increasing order, each once.
  Result Take(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    wanted_ = index;
    changed_.notify_all();
    changed_.wait(lock, [&] { return ready_.count(index) != 0; });
    Result result = std::move(ready_.at(index));
    // Anything before index was not wanted (missing files): let it go too.
    ready_.erase(ready_.begin(), ready_.upper_bound(index));
    wanted_ = index + 1;
    changed_.notify_all();
    return result;
  }

 private:
  void Run() {
    if (threadStart_) threadStart_();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      // Never more than `ahead` results beyond the one the owner waits for:
      // the memory held stays bounded, whatever the number of paths.
      changed_.wait(lock, [&] { return stopping_ || (next_ < paths_.size() && next_ <= wanted_ + ahead_); });
      if (stopping_) break;
      const std::size_t index = next_++;
      lock.unlock();
      Result result = work_(paths_[index], settings_);
      lock.lock();
      ready_.emplace(index, std::move(result));
      changed_.notify_all();
    }
    lock.unlock();
    if (threadEnd_) threadEnd_();
  }

  const std::vector<Input> paths_;
  const Settings settings_;  // a copy: the owner may change its own meanwhile
  const Work work_;
  const std::size_t ahead_;
  const std::function<void()> threadStart_;
  const std::function<void()> threadEnd_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_;    // the next index a worker picks up
  std::size_t wanted_;  // the index the owner takes next
  bool stopping_ = false;
  std::map<std::size_t, Result> ready_;
  std::vector<std::thread> threads_;
};

// What the build prepares ahead: a file and the turn its row was given.
struct PrepareRequest {
  std::wstring path;
  std::int32_t turn = 0;
};

// The build's images, prepared ahead of the page being placed.
using PrepareFunction = WorkAhead<PreparedImage, PrepareRequest>::Work;
using PrepareAhead = WorkAhead<PreparedImage, PrepareRequest>;
extern template class WorkAhead<PreparedImage, PrepareRequest>;
