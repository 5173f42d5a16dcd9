#pragma once
// An emulated HID device hosted by SimHidBackend. Emulated bootloaders derive from it.

#include <cstdint>
#include <functional>

#include "hid/HidBackend.h"

namespace vantor::sim {

// Where a device puts the input reports it sends to the host.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Queues `report` (report id at byte 0) for the host; it becomes readable
  // `delayMs` after now on the backend's clock.
  virtual void Emit(const hid::Report& report, std::uint32_t delayMs = 0) = 0;
};

class SimDevice {
 public:
  virtual ~SimDevice() = default;
  // One output report from the host (report id at byte 0). Runs on the thread that
  // wrote; the backend serialises calls per device.
  virtual void OnOutputReport(const hid::Report& report, ReportSink& host) = 0;
  // True when the host's write of `report` is to fail at the channel (a transfer the
  // USB stack gave up on): the write reports failure and the device never sees it.
  // Asked before OnOutputReport, under the same serialisation.
  virtual bool RefusesWrite(const hid::Report& /*report*/) { return false; }
  // False once the device has been "pulled out": it vanishes from enumeration, opens
  // fail and reads and writes on open channels fail.
  virtual bool Present() const { return true; }
};

}  // namespace vantor::sim
