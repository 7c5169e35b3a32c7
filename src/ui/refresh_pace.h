#pragma once
// When a progress window is next brought up to date. Every change of its
// bar is drawn at once, a themed bar draws each of its chunks, and under Wine
// and X one refresh (texts, bar and the pending events) costs tens of
// milliseconds, more than a file takes. A window is therefore refreshed at
// most every kRefreshMs, and never sooner than kRefreshShare times what its
// last refresh cost, so that showing the progress takes at most a small share
// of the work, however slow the display. The eye cannot tell this from every
// file. Times are milliseconds of a tick count that may wrap. Portable.
#include <algorithm>
#include <cstdint>

class RefreshPace {
 public:
  static constexpr std::uint32_t kRefreshMs = 40;
  static constexpr std::uint32_t kRefreshShare = 4;

  // The first refresh is always due.
  bool Due(std::uint32_t now) const { return !refreshed_ || now - lastEnd_ >= interval_; }

  // A refresh ran from start to end.
  void Refreshed(std::uint32_t start, std::uint32_t end) {
    refreshed_ = true;
    lastEnd_ = end;
    interval_ = std::max(kRefreshMs, (end - start) * kRefreshShare);
  }

 private:
  bool refreshed_ = false;
  std::uint32_t lastEnd_ = 0;
  std::uint32_t interval_ = 0;
};
