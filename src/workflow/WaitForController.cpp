#include "workflow/WaitForController.h"

#include "workflow/AttachedControllers.h"

namespace vantor::workflow {

WaitEnd WaitForController(DeviceWatch& watch, const std::string& name, std::optional<std::uint64_t> timeoutMs,
                          CancelToken& cancel, Clock& clock, std::vector<hid::FoundController>* found) {
  const std::uint64_t start = clock.NowMs();
  for (;;) {
    if (cancel.cancelled()) return WaitEnd::kCancelled;
    *found = NamedAmong(name, watch.attached());
    if (!found->empty()) return WaitEnd::kFound;
    const std::uint64_t waited = clock.NowMs() - start;
    if (timeoutMs && waited >= *timeoutMs) return WaitEnd::kTimedOut;
    // A day at a time when there is no bound: a wait, not a limit.
    watch.Next(timeoutMs ? *timeoutMs - waited : 24ull * 60 * 60 * 1000, cancel);
  }
}

}  // namespace vantor::workflow
