#include "sim/SimulatedMode.h"

#include <fstream>
#include <limits>

#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"

namespace vantor::sim {
namespace {

// A real controller answers in the next 1 ms USB frame; its erases keep it busy for a
// noticeable while. The framed bootloader writes each chunk to flash before it asks
// for the next, which takes it about one more frame.
constexpr std::uint32_t kReplyDelayMs = 1;
constexpr std::uint32_t kFramedReplyDelayMs = 2;
constexpr std::uint32_t kEraseBusyMs = 400;

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

class AddressedSimulation final : public SimulatedController {
 public:
  AddressedSimulation(SimHidBackend& backend, Clock& clock) : backend_(backend), clock_(clock) {
    settings_.replyDelayMs = kReplyDelayMs;
    settings_.eraseBusyMs = kEraseBusyMs;
    Attach();
  }

  std::vector<std::uint8_t> MainImage() const override { return emulator_->MainImage(); }
  std::vector<std::uint8_t> BleImage() const override { return emulator_->BleImage(); }

  bool InjectFault(const std::string& name) override {
    if (InjectOpenFault(backend_, name)) return true;
    using Faults = AddressedEmulator::Faults;
    if (name == "no-firmware") {
      settings_.versionWord = 0xFFFFFFFF;
    } else if (name == "fail") {
      // From the third chunk on no image data is acknowledged.
      settings_.faults.drops.push_back(
          Faults::Drop{{kImageDataCommand, 3}, std::numeric_limits<std::uint32_t>::max()});
    } else if (name == "unplug") {
      settings_.faults.removeAt = AddressedEmulator::CommandAt{kImageDataCommand, 20};
    } else if (name == "corrupt-read") {
      // A cell of the demo packages' main image (at 0x08004000) reads back wrong.
      settings_.faults.corruptReadAt = kCorruptAddress;
    } else {
      return false;
    }
    Attach();
    return true;
  }

 private:
  static constexpr std::uint16_t kImageDataCommand = 3;
  static constexpr std::uint32_t kCorruptAddress = 0x08004000 + 100;

  // Settings are fixed when the emulator is made, so a fault replaces it.
  void Attach() {
    backend_.RemoveAll();
    emulator_ = AddressedEmulator::Attach(backend_, clock_, settings_);
  }

  SimHidBackend& backend_;
  Clock& clock_;
  AddressedEmulator::Settings settings_;
  std::shared_ptr<AddressedEmulator> emulator_;
};

class FramedSimulation final : public SimulatedController {
 public:
  explicit FramedSimulation(SimHidBackend& backend) : backend_(backend) {
    settings_.replyDelayMs = kFramedReplyDelayMs;
    Attach();
  }

  std::vector<std::uint8_t> MainImage() const override {
    // A header erases the region; until data arrives nothing was written to it.
    return emulator_->BytesReceived() > 0 ? emulator_->MainImage() : std::vector<std::uint8_t>();
  }
  std::vector<std::uint8_t> BleImage() const override { return {}; }

  bool InjectFault(const std::string& name) override {
    if (InjectOpenFault(backend_, name)) return true;
    using Step = FramedEmulator::Step;
    if (name == "no-firmware") {
      settings_.versionWord = 0xFFFFFFFF;
    } else if (name == "not-boot") {
      settings_.firmwareType = FramedEmulator::kApplicationModeType;
    } else if (name == "fail") {
      settings_.faults.failAtChunk = 20;
      settings_.faults.failureCommand = 21;
    } else if (name == "unplug") {
      settings_.faults.removeAt = FramedEmulator::StepAt{Step::kChunk, 30};
    } else if (name == "silent") {
      settings_.faults.silentFrom = FramedEmulator::StepAt{Step::kChunk, 10};
    } else {
      return false;
    }
    Attach();
    return true;
  }

 private:
  void Attach() {
    backend_.RemoveAll();
    emulator_ = FramedEmulator::Attach(backend_, settings_);
  }

  SimHidBackend& backend_;
  FramedEmulator::Settings settings_;
  std::shared_ptr<FramedEmulator> emulator_;
};

}  // namespace

bool InjectOpenFault(SimHidBackend& backend, const std::string& name) {
  if (name == "no-permission") {
    backend.FailOpensWith(hid::OpenError::kAccessDenied);
    return true;
  }
  if (name == "busy") {
    backend.FailOpensWith(hid::OpenError::kBusy);
    return true;
  }
  return false;
}

std::unique_ptr<SimulatedController> SimulatedController::Install(SimHidBackend& backend, hid::Protocol protocol,
                                                                  Clock& clock) {
  if (protocol == hid::Protocol::kAddressed) return std::make_unique<AddressedSimulation>(backend, clock);
  return std::make_unique<FramedSimulation>(backend);
}

std::vector<std::string> SimulatedController::KnownFaults(hid::Protocol protocol) {
  if (protocol == hid::Protocol::kFramed) {
    return {"fail", "unplug", "silent", "not-boot", "no-firmware", "no-permission", "busy"};
  }
  return {"fail", "unplug", "no-firmware", "no-permission", "busy", "corrupt-read"};
}

bool SimulatedController::DumpFlash(const std::string& path) const {
  const std::vector<std::uint8_t> ble = BleImage();
  bool written = WriteFile(path, MainImage());
  if (!ble.empty()) written = WriteFile(path + ".ble", ble) && written;
  return written;
}

}  // namespace vantor::sim
