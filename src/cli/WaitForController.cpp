#include "cli/WaitForController.h"

#include "cli/DeviceSelection.h"
#include "cli/InterruptWatcher.h"

namespace vantor::cli {

WaitEnd WaitForControllers(hid::HidBackend& backend, Clock& clock, const InterruptWatcher& interrupts,
                           std::optional<std::uint64_t> timeoutMs,
                           const std::function<std::vector<hid::FoundController>(
                               const std::vector<hid::FoundController>&)>& wanted,
                           std::vector<hid::FoundController>* found) {
  const std::uint64_t start = clock.NowMs();
  for (;;) {
    if (interrupts.fired()) return WaitEnd::kInterrupted;
    *found = wanted(AttachedControllers(backend));
    if (!found->empty()) return WaitEnd::kFound;
    if (timeoutMs && clock.NowMs() - start >= *timeoutMs) return WaitEnd::kTimedOut;
    clock.Pause(kPollIntervalMs);
  }
}

}  // namespace vantor::cli
