#include "workflow/DeviceWatch.h"

#include <algorithm>

#include "workflow/AttachedControllers.h"

namespace vantor::workflow {
namespace {

// With a monitor the watch still looks this often: a notice lost to a full socket
// buffer must not hide a controller for ever.
constexpr std::uint32_t kMonitoredLookMs = 5000;

bool Holds(const std::vector<hid::FoundController>& controllers, const hid::FoundController& wanted) {
  return std::any_of(controllers.begin(), controllers.end(), [&wanted](const hid::FoundController& controller) {
    return controller.path == wanted.path && UnitKey(controller) == UnitKey(wanted);
  });
}

}  // namespace

DeviceWatch::DeviceWatch(hid::HidBackend& backend, Clock& clock, std::unique_ptr<ChangeSignal> signal)
    : backend_(backend), clock_(clock), signal_(std::move(signal)), attached_(AttachedControllers(backend)) {}

DeviceWatch::~DeviceWatch() = default;

AttachedChange DeviceWatch::Look() {
  std::vector<hid::FoundController> now = AttachedControllers(backend_);
  AttachedChange change;
  for (const hid::FoundController& controller : now) {
    if (!Holds(attached_, controller)) change.arrived.push_back(controller);
  }
  for (const hid::FoundController& controller : attached_) {
    if (!Holds(now, controller)) change.removed.push_back(controller);
  }
  attached_ = std::move(now);
  return change;
}

AttachedChange DeviceWatch::Next(std::uint64_t timeoutMs, CancelToken& cancel) {
  ChangeSignal* const signal = signal_.get();
  const CancelScope wake(cancel, [signal] {
    if (signal != nullptr) signal->Wake();
  });
  const std::uint64_t start = clock_.NowMs();
  for (;;) {
    if (cancel.cancelled()) return {};
    const std::uint64_t waited = clock_.NowMs() - start;
    if (waited >= timeoutMs) return {};
    const auto slice = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(timeoutMs - waited, signal != nullptr ? kMonitoredLookMs : kPollIntervalMs));
    if (signal != nullptr) {
      signal->Wait(slice);
    } else {
      clock_.Pause(slice);
    }
    if (cancel.cancelled()) return {};
    AttachedChange change = Look();
    if (!change.empty()) return change;
  }
}

}  // namespace vantor::workflow
