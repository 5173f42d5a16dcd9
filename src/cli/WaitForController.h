#pragma once
// --wait: a bench plugs the controller in after starting the command. Polls the
// attached controllers every 250 ms (hidapi has no hot-plug notifications) until one
// the command can use is there, the time-out passes, or Ctrl-C.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/Clock.h"
#include "hid/CHid.h"

namespace vantor::cli {

class InterruptWatcher;

inline constexpr std::uint32_t kPollIntervalMs = 250;

enum class WaitEnd { kFound, kTimedOut, kInterrupted };

// Waits until `wanted` picks at least one of the attached controllers (those are left
// in `found`). `timeoutMs`: nothing waits without a limit, until Ctrl-C.
WaitEnd WaitForControllers(hid::HidBackend& backend, Clock& clock, const InterruptWatcher& interrupts,
                           std::optional<std::uint64_t> timeoutMs,
                           const std::function<std::vector<hid::FoundController>(
                               const std::vector<hid::FoundController>&)>& wanted,
                           std::vector<hid::FoundController>* found);

}  // namespace vantor::cli
