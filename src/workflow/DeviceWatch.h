#pragma once
// Arrivals and removals of supported controllers, for waiting for a controller, the
// repair bench's watch and the desktop front ends' hot-plug. The system's device
// monitor wakes the watch where there is one (udev on Linux, when udevd runs); else it
// looks again every quarter second. Emulated controllers come and go on the clock.
//
// Threads: one thread uses a watch; Cancel on the token may come from any thread and
// ends a wait within one look.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "hid/CHid.h"
#include "workflow/CancelToken.h"

namespace vantor::workflow {

inline constexpr std::uint32_t kPollIntervalMs = 250;

// The system's notice that HID devices may have come or gone.
class ChangeSignal {
 public:
  virtual ~ChangeSignal() = default;
  // Waits at most `timeoutMs` for a notice; true when one came (or Wake was called).
  virtual bool Wait(std::uint32_t timeoutMs) = 0;
  // Ends a Wait at once; safe from any thread.
  virtual void Wake() = 0;
  // False while the system is still setting up the device at `path` (udevd has not yet
  // run its rules, so the node may still be root's alone). Its notice follows once it
  // is done.
  virtual bool Settled(const std::string& /*path*/) { return true; }
};

// The system's monitor (udev's hidraw events on Linux when udevd runs); null where
// none can be had.
std::unique_ptr<ChangeSignal> SystemChangeSignal();

struct AttachedChange {
  std::vector<hid::FoundController> arrived;
  std::vector<hid::FoundController> removed;
  bool empty() const { return arrived.empty() && removed.empty(); }
};

class DeviceWatch {
 public:
  // `signal`: null to look every kPollIntervalMs on `clock`.
  DeviceWatch(hid::HidBackend& backend, Clock& clock, std::unique_ptr<ChangeSignal> signal);
  ~DeviceWatch();

  // The supported controllers attached at the last look (the first look is made here).
  const std::vector<hid::FoundController>& attached() const { return attached_; }
  // Waits until the attached controllers change, `timeoutMs` pass, or `cancel` is
  // cancelled; what changed (empty for the other two).
  AttachedChange Next(std::uint64_t timeoutMs, CancelToken& cancel);
  // True when the system's monitor wakes the watch, false when it polls.
  bool monitored() const { return signal_ != nullptr; }
  // One look now, for a front end that the system's own events wake (the browser's
  // WebHID connect and disconnect): what changed since the last look.
  AttachedChange Look();

 private:
  // The attached controllers the system has finished setting up.
  std::vector<hid::FoundController> SettledControllers();

  hid::HidBackend& backend_;
  Clock& clock_;
  std::unique_ptr<ChangeSignal> signal_;
  std::vector<hid::FoundController> attached_;
};

}  // namespace vantor::workflow
