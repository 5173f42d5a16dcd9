#pragma once
// Time as the updater sees it: the fixed pauses of the procedures and the time the
// emulated controllers run on. Tests use a virtual clock, so a suite that waits
// seconds of protocol time runs in milliseconds; the programs use the real one.

#include <atomic>
#include <cstdint>

namespace vantor {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start.
  virtual std::uint64_t NowMs() const = 0;
  // The procedures' fixed pauses (10, 100, 200, 500, 1000 ms) go through here.
  virtual void Pause(std::uint32_t milliseconds) = 0;
};

class RealClock final : public Clock {
 public:
  std::uint64_t NowMs() const override;
  void Pause(std::uint32_t milliseconds) override;
};

// A clock that only moves when someone pauses on it. Thread-safe.
class VirtualClock final : public Clock {
 public:
  std::uint64_t NowMs() const override { return now_.load(); }
  void Pause(std::uint32_t milliseconds) override { now_ += milliseconds; }

 private:
  std::atomic<std::uint64_t> now_{0};
};

}  // namespace vantor
