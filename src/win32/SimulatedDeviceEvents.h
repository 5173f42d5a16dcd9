#pragma once
// Device-change notifications for the simulated build. Windows tells a registered
// window about HID arrivals and removals; emulated controllers come and go without
// the system knowing, so this backend (over the emulated one) watches what the
// emulated backend lists and sends the same WM_DEVICECHANGE events to the window:
// DBT_DEVICEARRIVAL when an interface appeared, DBT_DEVICEREMOVECOMPLETE when one left.
//
// Threads. Enumerate and Open pass straight through (the emulated backend takes its
// own lock). Each registration runs one watcher thread, which only enumerates and
// sends (bounded); it ends when the registration is destroyed, which happens once the
// window has gone.
#include <memory>

#include "hid/HidBackend.h"

namespace vantor::win32 {

class SimulatedDeviceEvents final : public hid::HidBackend {
 public:
  // `inner` outlives this backend and every registration it hands out.
  explicit SimulatedDeviceEvents(hid::HidBackend& inner) : inner_(inner) {}

  std::vector<hid::HidInterface> Enumerate() override { return inner_.Enumerate(); }
  std::unique_ptr<hid::HidChannel> Open(const std::string& path, hid::OpenError* error) override {
    return inner_.Open(path, error);
  }
  // `window` is the dialog's HWND; what is listed now counts as already there.
  std::unique_ptr<hid::NotificationRegistration> RegisterNotifications(void* window) override;

 private:
  hid::HidBackend& inner_;
};

}  // namespace vantor::win32
