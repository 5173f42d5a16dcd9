#pragma once
// Virtual time with a bound: a run whose waits add up past the bound has hung, however
// busy it looks. The first pause past the bound calls `onOverrun` (on whichever thread
// paused); the campaign's child then reports the hang and ends at once.

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

#include "base/Clock.h"

namespace vantor::campaign {

class CampaignClock final : public Clock {
 public:
  CampaignClock(std::uint64_t boundMs, std::function<void()> onOverrun)
      : boundMs_(boundMs), onOverrun_(std::move(onOverrun)) {}

  std::uint64_t NowMs() const override { return now_.load(); }
  void Pause(std::uint32_t milliseconds) override {
    const std::uint64_t now = now_ += milliseconds;
    if (now > boundMs_ && !overrun_.exchange(true) && onOverrun_) onOverrun_();
  }
  bool overrun() const { return overrun_.load(); }

 private:
  const std::uint64_t boundMs_;
  std::function<void()> onOverrun_;
  std::atomic<std::uint64_t> now_{0};
  std::atomic<bool> overrun_{false};
};

}  // namespace vantor::campaign
