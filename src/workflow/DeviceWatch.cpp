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
    : backend_(backend), clock_(clock), signal_(std::move(signal)) {
  attached_ = SettledControllers();
}

DeviceWatch::~DeviceWatch() = default;

std::vector<hid::FoundController> DeviceWatch::SettledControllers() {
  std::vector<hid::FoundController> found = AttachedControllers(backend_);
  if (signal_ == nullptr) return found;
  // A look between the node's birth and the end of udevd's rules would offer a
  // controller this user may not open yet, and the notice that follows would find
  // nothing new: it is left for that notice. One already held stays.
  found.erase(std::remove_if(found.begin(), found.end(),
                             [this](const hid::FoundController& controller) {
                               return !Holds(attached_, controller) && !signal_->Settled(controller.path);
                             }),
              found.end());
  return found;
}

AttachedChange DeviceWatch::Look() {
  std::vector<hid::FoundController> now = SettledControllers();
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
