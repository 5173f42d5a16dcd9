#pragma once
// An in-process HID backend hosting emulated devices, for the tests and the simulated
// mode of the programs. Time comes from a Clock, so tests run in virtual time: a read
// that finds nothing pauses the clock for its time-out and reports a time-out.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "hid/HidBackend.h"
#include "sim/SimDevice.h"

namespace vantor::sim {

class SimHidBackend final : public hid::HidBackend {
 public:
  explicit SimHidBackend(Clock& clock) : clock_(clock) {}

  // Adds a device at the end of the enumeration order. The backend shares ownership.
  void AddDevice(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                 std::shared_ptr<SimDevice> device);
  // The same at the front of the enumeration order: a controller that detection
  // would take before those already attached.
  void AddDeviceFirst(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                      std::shared_ptr<SimDevice> device);
  // The same with the serial number and location enumeration reports for it.
  void AddDevice(std::string path, std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<SimDevice> device,
                 hid::HidInterface identity);
  // The device at `path` is pulled out: it leaves the enumeration and opens fail.
  void RemoveDevice(const std::string& path);
  // An interface that is listed but cannot be opened or read (attributes unknown).
  void AddUnreadableInterface(std::string path);
  void RemoveAll();

  // When set, Open fails with this error (to act out a missing udev rule, a busy device).
  void FailOpensWith(hid::OpenError error);

  std::vector<hid::HidInterface> Enumerate() override;
  std::unique_ptr<hid::HidChannel> Open(const std::string& path, hid::OpenError* error) override;
  std::unique_ptr<hid::NotificationRegistration> RegisterNotifications(void* window) override;

  // The clock the backend's reads wait on; devices added to it may keep time by it.
  Clock& clock() const { return clock_; }

  // How often RegisterNotifications and Open were called.
  int registrations() const;
  int opens() const;

 private:
  struct Entry {
    std::string path;
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::shared_ptr<SimDevice> device;
    std::optional<std::string> serialNumber;
    std::optional<std::string> location;
  };

  Clock& clock_;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  hid::OpenError forcedOpenError_ = hid::OpenError::kNone;
  int registrations_ = 0;
  int opens_ = 0;
};

}  // namespace vantor::sim
