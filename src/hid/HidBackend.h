#pragma once
// The seam between the report channel rules (CHid) and an operating system's HID
// services. A backend only carries reports; every rule of the updater (which devices
// are accepted, the persistent output report, time-outs) lives in CHid.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantor::hid {

// One HID report as it travels on the wire: byte 0 the report id, bytes 1..64 data.
constexpr std::size_t kReportSize = 65;
constexpr std::size_t kReportDataSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

// Results of a read, as the Windows wait functions report them. Every caller treats
// anything but kReadOk as "no report".
enum ReadResult : std::uint32_t {
  kReadOk = 0,
  kReadAbandoned = 0x80,       // request cancelled, or the read handle is not open
  kReadTimeout = 0x102,        // nothing within the time-out; the request was cancelled
  kReadFailed = 0xFFFFFFFF,    // the wait failed, or the system refused the request at once
};

// A HID interface as the system enumerates it. The vendor and product ids are
// missing when the interface could not be opened or its attributes not be read.
// The serial number and the location are what tells two controllers of one kind
// apart on a bench; each is missing when the system does not say it.
struct HidInterface {
  std::string path;  // UTF-8
  std::optional<std::uint16_t> vendorId;
  std::optional<std::uint16_t> productId;
  std::optional<std::string> serialNumber;  // UTF-8
  // Where it is plugged in: the USB port path ("1-2.3") on Linux, the device instance
  // path on Windows. Stays the same for the same port across replugging.
  std::optional<std::string> location;
};

enum class OpenError {
  kNone,
  kNotFound,          // the device has gone
  kAccessDenied,      // present, but this user may not open it (Linux: udev rule missing)
  kBusy,              // another program holds it exclusively
  kOther,
};

// An open device: a synchronous write path and a read path with a time-out. Both may
// be used at once from two threads (one writer, one reader); neither is used by two
// threads at once. Destruction closes both.
class HidChannel {
 public:
  virtual ~HidChannel() = default;
  // Writes one whole 65-byte report; blocks until the system has taken it.
  virtual bool Write(const Report& report) = 0;
  // Reads one input report into `report` (report id at byte 0) waiting at most
  // `timeoutMs`. Returns a ReadResult; the report is only valid for kReadOk.
  // A timed-out request is fully finished (not just cancelled) when this returns.
  virtual std::uint32_t Read(Report& report, std::uint32_t timeoutMs) = 0;
};

// Keeps a device-change registration alive; destruction unregisters.
class NotificationRegistration {
 public:
  virtual ~NotificationRegistration() = default;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Present HID interfaces, in the system's enumeration order.
  virtual std::vector<HidInterface> Enumerate() = 0;
  // Opens the device at `path` for reports. On failure returns null and says why.
  virtual std::unique_ptr<HidChannel> Open(const std::string& path, OpenError* error) = 0;
  // Registers `window` (a platform window handle, or null) for arrivals and removals
  // of HID interfaces. Null when the platform has no such notifications.
  virtual std::unique_ptr<NotificationRegistration> RegisterNotifications(void* window) = 0;
};

}  // namespace vantor::hid
