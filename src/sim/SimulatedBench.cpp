#include "sim/SimulatedBench.h"

#include <fstream>
#include <limits>

#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"

namespace vantor::sim {
namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// One unit on the bench: an emulator that is only plugged in from its arrival time
// on, and (when planned) unplugged once its update has ended.
class ScheduledDevice final : public SimDevice {
 public:
  ScheduledDevice(Clock& clock, BenchUnitPlan plan) : clock_(clock), plan_(plan), installedAtMs_(clock.NowMs()) {}

  void SetInner(std::shared_ptr<SimDevice> inner, std::function<bool()> updateEnded) {
    inner_ = std::move(inner);
    updateEnded_ = std::move(updateEnded);
  }
  SimDevice& inner() { return *inner_; }

  void OnOutputReport(const hid::Report& report, ReportSink& host) override { inner_->OnOutputReport(report, host); }
  bool RefusesWrite(const hid::Report& report) override { return inner_->RefusesWrite(report); }
  bool Present() const override {
    // A real clock counts from an arbitrary start (the machine's), not from the bench's.
    if (clock_.NowMs() - installedAtMs_ < plan_.arriveAtMs || !inner_->Present()) return false;
    return !(plan_.leaveAfterUpdate && updateEnded_());
  }

 private:
  Clock& clock_;
  BenchUnitPlan plan_;
  std::uint64_t installedAtMs_;
  std::shared_ptr<SimDevice> inner_;
  std::function<bool()> updateEnded_;
};

}  // namespace

struct SimulatedBench::Unit {
  hid::Protocol protocol;
  std::shared_ptr<ScheduledDevice> device;
  std::shared_ptr<AddressedEmulator> addressed;
  std::shared_ptr<FramedEmulator> framed;
};

SimulatedBench::~SimulatedBench() = default;

std::string SimulatedBench::PathOf(std::size_t unit) { return "sim-" + std::to_string(unit + 1); }

std::unique_ptr<SimulatedBench> SimulatedBench::Install(SimHidBackend& backend, Clock& clock,
                                                        const std::vector<BenchUnitPlan>& plan, BenchTiming timing) {
  std::unique_ptr<SimulatedBench> bench(new SimulatedBench());
  for (std::size_t n = 0; n < plan.size(); ++n) {
    auto unit = std::make_unique<Unit>();
    unit->protocol = plan[n].protocol;
    unit->device = std::make_shared<ScheduledDevice>(clock, plan[n]);
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    if (plan[n].protocol == hid::Protocol::kAddressed) {
      AddressedEmulator::Settings settings;
      settings.replyDelayMs = timing.replyDelayMs;
      settings.eraseBusyMs = timing.eraseBusyMs;
      unit->addressed = std::make_shared<AddressedEmulator>(clock, settings);
      AddressedEmulator* emulator = unit->addressed.get();
      unit->device->SetInner(unit->addressed, [emulator] { return emulator->Restarted(); });
      vendorId = AddressedEmulator::kVendorId;
      productId = AddressedEmulator::kProductId;
    } else {
      FramedEmulator::Settings settings;
      settings.replyDelayMs = timing.framedReplyDelayMs;
      unit->framed = std::make_shared<FramedEmulator>(settings);
      FramedEmulator* emulator = unit->framed.get();
      unit->device->SetInner(unit->framed, [emulator] { return emulator->Finished(); });
      vendorId = FramedEmulator::kVendorId;
      productId = FramedEmulator::kProductId;
    }
    hid::HidInterface identity;
    identity.serialNumber = "VTSIM" + std::string(n + 1 < 10 ? "000" : "00") + std::to_string(n + 1);
    identity.location = "9-" + std::to_string(n + 1);
    backend.AddDevice(PathOf(n), vendorId, productId, unit->device, std::move(identity));
    bench->units_.push_back(std::move(unit));
  }
  return bench;
}

std::size_t SimulatedBench::size() const { return units_.size(); }

std::vector<std::uint8_t> SimulatedBench::MainImage(std::size_t unit) const {
  const Unit& u = *units_.at(unit);
  if (u.addressed) return u.addressed->MainImage();
  return u.framed->BytesReceived() > 0 ? u.framed->MainImage() : std::vector<std::uint8_t>();
}

std::vector<std::uint8_t> SimulatedBench::BleImage(std::size_t unit) const {
  const Unit& u = *units_.at(unit);
  return u.addressed ? u.addressed->BleImage() : std::vector<std::uint8_t>();
}

bool SimulatedBench::DumpFlash(const std::string& path) const {
  bool written = true;
  for (std::size_t n = 0; n < units_.size(); ++n) {
    const std::string name = path + "." + std::to_string(n + 1);
    written = WriteFile(name, MainImage(n)) && written;
    const std::vector<std::uint8_t> ble = BleImage(n);
    if (!ble.empty()) written = WriteFile(name + ".ble", ble) && written;
  }
  return written;
}

bool SimulatedBench::InjectFault(std::size_t unit, const std::string& name) {
  if (unit >= units_.size()) return false;
  Unit& u = *units_[unit];
  if (u.addressed) {
    using Faults = AddressedEmulator::Faults;
    constexpr std::uint16_t kImageDataCommand = 3;
    Faults faults;
    if (name == "fail") {
      faults.drops.push_back(Faults::Drop{{kImageDataCommand, 3}, std::numeric_limits<std::uint32_t>::max()});
    } else if (name == "unplug") {
      faults.removeAt = AddressedEmulator::CommandAt{kImageDataCommand, 20};
    } else if (name == "corrupt-read") {
      // A cell of the demo packages' main image (at 0x08004000) reads back wrong.
      faults.corruptReadAt = 0x08004000 + 100;
    } else {
      return false;
    }
    u.addressed->SetFaults(faults);
    return true;
  }
  FramedEmulator::Faults faults;
  if (name == "fail") {
    faults.failAtChunk = 20;
    faults.failureCommand = 21;
  } else if (name == "unplug") {
    faults.removeAt = FramedEmulator::StepAt{FramedEmulator::Step::kChunk, 30};
  } else {
    return false;
  }
  u.framed->SetFaults(faults);
  return true;
}

}  // namespace vantor::sim
