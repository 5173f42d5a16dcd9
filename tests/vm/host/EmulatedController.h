#pragma once
// One of the project's emulated bootloaders behind a uhid device: the kernel's HID
// stack carries the updater's reports to the emulator and its answers back. When the
// emulator is pulled out by its fault injection, the uhid device is destroyed, so the
// updater sees a real unplug.

#include <memory>
#include <string>

#include "ControllerDescription.h"
#include "UhidDevice.h"
#include "base/Clock.h"
#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"

namespace vantor::vmtest {

class EmulatedController final : public sim::ReportSink {
 public:
  // `trace`: one line on stderr per report each way, to tell a report lost on the
  // host's side from one the emulator never sent.
  EmulatedController(ControllerDescription description, Clock& clock, bool trace = false);

  // Creates the uhid device; false with `error` set when the kernel refused.
  bool Plug(std::string* error);
  bool Present() const { return device_.Alive(); }
  const ControllerDescription& description() const { return description_; }

  // Writes the flash the updater wrote: `base`.main, and `base`.ble when the radio's
  // flash was written. Nothing written leaves an empty .main.
  bool DumpFlash(const std::string& base) const;

  void Emit(const hid::Report& report, std::uint32_t delayMs) override;

 private:
  void OnOutput(const hid::Report& report);

  void Trace(const char* direction, const hid::Report& report) const;

  ControllerDescription description_;
  bool trace_ = false;
  std::shared_ptr<sim::FramedEmulator> framed_;
  std::shared_ptr<sim::AddressedEmulator> addressed_;
  UhidDevice device_;
};

}  // namespace vantor::vmtest
