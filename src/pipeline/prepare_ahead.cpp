#include "pipeline/prepare_ahead.h"

#include <utility>

PrepareAhead::PrepareAhead(std::vector<std::wstring> paths, std::size_t first, const Settings& settings,
                           PrepareFunction prepare, std::int32_t workers, std::size_t ahead,
                           std::function<void()> threadStart, std::function<void()> threadEnd)
    : paths_(std::move(paths)),
      settings_(settings),
      prepare_(std::move(prepare)),
      ahead_(ahead < 1 ? 1 : ahead),
      threadStart_(std::move(threadStart)),
      threadEnd_(std::move(threadEnd)),
      next_(first),
      wanted_(first) {
  for (std::int32_t i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

PrepareAhead::~PrepareAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void PrepareAhead::Work() {
  if (threadStart_) threadStart_();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Never more than `ahead` images beyond the one the build waits for: the
    // memory held stays that of a few images, whatever the list's length.
    changed_.wait(lock, [&] { return stopping_ || (next_ < paths_.size() && next_ <= wanted_ + ahead_); });
    if (stopping_) break;
    const std::size_t index = next_++;
    lock.unlock();
    PreparedImage image = prepare_(paths_[index], settings_);
    lock.lock();
    ready_.emplace(index, std::move(image));
    changed_.notify_all();
  }
  lock.unlock();
  if (threadEnd_) threadEnd_();
}

PreparedImage PrepareAhead::Take(std::size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  wanted_ = index;
  changed_.notify_all();
  changed_.wait(lock, [&] { return ready_.count(index) != 0; });
  PreparedImage image = std::move(ready_.at(index));
  // Anything before index was not wanted (missing files): let it go too.
  ready_.erase(ready_.begin(), ready_.upper_bound(index));
  wanted_ = index + 1;
  changed_.notify_all();
  return image;
}
