// Systems without a device monitor the command line can use (Windows consoles, macOS,
// Linux without libudev at build time): the watch polls.

#include "workflow/DeviceWatch.h"

namespace vantor::workflow {

std::unique_ptr<ChangeSignal> SystemChangeSignal() { return nullptr; }

}  // namespace vantor::workflow
