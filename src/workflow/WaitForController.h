#pragma once
// Waiting for a controller: a bench plugs it in after starting the front end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workflow/CancelToken.h"
#include "workflow/DeviceWatch.h"

namespace vantor::workflow {

enum class WaitEnd { kFound, kTimedOut, kCancelled };

// Waits until a controller that `name` names (any, when empty) is attached, the time
// passes (`timeoutMs`; none: until cancelled) or `cancel`. `found`: the named ones.
WaitEnd WaitForController(DeviceWatch& watch, const std::string& name, std::optional<std::uint64_t> timeoutMs,
                          CancelToken& cancel, Clock& clock, std::vector<hid::FoundController>* found);

}  // namespace vantor::workflow
