#pragma once
// Work done ahead of the thread that consumes it: worker threads take the
// paths in order and run the work on them while the owning thread takes the
// results strictly in that order. The build prepares its images this way
// while it places pages; the intake examines dropped files this way while it
// adds rows. Nothing here touches a window or the PDF writer; those stay on
// the owning thread.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <new>
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
  // and last (COM wants to be set up per thread). Threads the system cannot
  // start are done without: with none, Take does the work itself. Only the
  // members' copies may throw (std::bad_alloc), before any thread runs.
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
    const std::size_t count = workers > 0 ? static_cast<std::size_t>(workers) : 0;
    try {
      threads_.reserve(count);
      dropped_.reserve(count);
    } catch (const std::bad_alloc&) {
      return;  // no workers: Take does the work
    }
    for (std::size_t i = 0; i < count; ++i) {
      std::unique_lock<std::mutex> lock(mutex_);
      ++live_;
      lock.unlock();
      try {
        threads_.emplace_back([this] { Run(); });
      } catch (const std::exception&) {
        // Out of threads, or of memory for one (std::system_error,
        // std::bad_alloc): those that started carry on, down to none.
        lock.lock();
        --live_;
        changed_.notify_all();
        break;
      }
    }
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
  // A path no worker could finish (none left, or the one that had it ran
  // short of memory) is worked on here, on the owner's thread, where what
  // the work throws reaches the owner.
  Result Take(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    wanted_ = index;
    changed_.notify_all();
    changed_.wait(lock, [&] { return ready_.count(index) != 0 || Abandoned(index); });
    if (ready_.count(index) == 0) {
      next_ = std::max(next_, index + 1);
      ready_.erase(ready_.begin(), ready_.upper_bound(index));
      wanted_ = index + 1;
      lock.unlock();
      changed_.notify_all();
      return work_(paths_[index], settings_);
    }
    Result result = std::move(ready_.at(index));
    // Anything before index was not wanted (missing files): let it go too.
    ready_.erase(ready_.begin(), ready_.upper_bound(index));
    wanted_ = index + 1;
    changed_.notify_all();
    return result;
  }

 private:
  // Whether no worker will bring paths[index]: none is left to pick it up,
  // or the one that had picked it up gave up.
  bool Abandoned(std::size_t index) const {
    return (live_ == 0 && next_ <= index) || std::find(dropped_.begin(), dropped_.end(), index) != dropped_.end();
  }

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
      try {
        Result result = work_(paths_[index], settings_);
        lock.lock();
        ready_.emplace(index, std::move(result));
      } catch (...) {
        // Nothing may leave a thread (std::terminate): this one stops, and
        // its path goes back to the owner, which meets the fault itself.
        if (!lock.owns_lock()) lock.lock();
        dropped_.push_back(index);  // within the capacity reserved per worker
        --live_;
        changed_.notify_all();
        break;
      }
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
  std::size_t live_ = 0;                // workers still taking paths
  std::vector<std::size_t> dropped_;    // paths workers gave up on
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
