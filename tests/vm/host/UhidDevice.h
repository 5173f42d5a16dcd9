#pragma once
// One HID device made by the kernel's uhid driver: the kernel sees a controller on a
// bus of its own (hidraw node, enumeration, hot-plug) while its reports are carried by
// this process. Vendor-defined 64-byte input and output reports without report ids,
// the layout of the supported controllers.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "hid/HidBackend.h"

namespace vantor::vmtest {

class UhidDevice {
 public:
  // Called for every output report the host writes, report id (0) at byte 0.
  using OutputHandler = std::function<void(const hid::Report&)>;

  struct Identity {
    std::string name;
    std::string serial;  // becomes HID_UNIQ: how the test finds its hidraw node
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
  };

  UhidDevice() = default;
  ~UhidDevice();
  UhidDevice(const UhidDevice&) = delete;
  UhidDevice& operator=(const UhidDevice&) = delete;

  // Opens /dev/uhid, creates the device and starts serving it. False with `error` set
  // when the kernel refused.
  bool Create(const Identity& identity, OutputHandler handler, std::string* error);
  // One input report to the host (report id at byte 0, which is not sent).
  void SendInput(const hid::Report& report);
  // Removes the device at once, as pulling the cable does. Safe from the serving thread.
  void Destroy();
  bool Alive() const { return alive_.load(); }

 private:
  void Serve();
  void HandleEvent(const void* event);
  bool WriteEvent(const void* event, std::size_t size);

  int fd_ = -1;
  std::atomic<bool> alive_{false};
  std::atomic<bool> stopping_{false};
  std::mutex writeMutex_;
  OutputHandler handler_;
  std::thread thread_;
};

}  // namespace vantor::vmtest
