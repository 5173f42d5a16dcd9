#pragma once
// The device watch on a thread of its own: each change of the attached controllers
// (udev's monitor wakes it; polling where there is none; emulated controllers on their
// clock) is handed to `onChange` on that thread, which posts it to the window.
//
// Threads: construct and destroy on the GUI thread; the watch is used only by the
// watch thread from then on. The destructor cancels the wait (the watch ends it
// within one look) and joins.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "workflow/CancelToken.h"
#include "workflow/DeviceWatch.h"

namespace vantor::desktop {

class HotPlugThread {
 public:
  // `realPauseMs`: a real pause after each wait, for a watch on a virtual clock, whose
  // waits return at once (0 for the system's clock).
  HotPlugThread(std::unique_ptr<workflow::DeviceWatch> watch,
                std::function<void(const workflow::AttachedChange&)> onChange, std::uint32_t realPauseMs);
  ~HotPlugThread();
  HotPlugThread(const HotPlugThread&) = delete;
  HotPlugThread& operator=(const HotPlugThread&) = delete;

 private:
  void Run();

  std::unique_ptr<workflow::DeviceWatch> watch_;
  std::function<void(const workflow::AttachedChange&)> onChange_;
  std::uint32_t realPauseMs_;
  workflow::CancelToken cancel_;
  std::thread thread_;  // last: started once the rest exists
};

}  // namespace vantor::desktop
