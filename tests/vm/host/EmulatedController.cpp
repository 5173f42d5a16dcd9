#include "EmulatedController.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <limits>
#include <thread>
#include <vector>

namespace vantor::vmtest {
namespace {

constexpr std::uint16_t kImageDataCommand = 3;

sim::FramedEmulator::Settings FramedSettings(const ControllerDescription& description) {
  using Step = sim::FramedEmulator::Step;
  sim::FramedEmulator::Settings settings;
  if (description.versionWord) settings.versionWord = *description.versionWord;
  const sim::FramedEmulator::StepAt at{Step::kChunk, description.faultChunk};
  switch (description.fault) {
    case FaultKind::kUnplug:
      settings.faults.removeAt = at;
      break;
    case FaultKind::kSilent:
      settings.faults.silentFrom = at;
      break;
    case FaultKind::kFail:
      settings.faults.failAtChunk = description.faultChunk;
      break;
    case FaultKind::kNone:
      break;
  }
  return settings;
}

sim::AddressedEmulator::Settings AddressedSettings(const ControllerDescription& description) {
  using Faults = sim::AddressedEmulator::Faults;
  sim::AddressedEmulator::Settings settings;
  if (description.versionWord) settings.versionWord = *description.versionWord;
  // A real controller keeps the updater asking while it erases.
  settings.eraseBusyMs = 200;
  switch (description.fault) {
    case FaultKind::kUnplug:
      settings.faults.removeAt = sim::AddressedEmulator::CommandAt{kImageDataCommand, description.faultChunk};
      break;
    case FaultKind::kSilent:
    case FaultKind::kFail:
      // The addressed bootloader has no refusal for data: it stops acknowledging it.
      settings.faults.drops.push_back(
          Faults::Drop{{kImageDataCommand, description.faultChunk}, std::numeric_limits<std::uint32_t>::max()});
      break;
    case FaultKind::kNone:
      break;
  }
  return settings;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

EmulatedController::EmulatedController(ControllerDescription description, Clock& clock, bool trace)
    : description_(std::move(description)), trace_(trace) {
  if (description_.protocol == Protocol::kFramed) {
    framed_ = std::make_shared<sim::FramedEmulator>(FramedSettings(description_));
  } else {
    addressed_ = std::make_shared<sim::AddressedEmulator>(clock, AddressedSettings(description_));
  }
}

bool EmulatedController::Plug(std::string* error) {
  UhidDevice::Identity identity;
  identity.serial = description_.serial;
  if (framed_) {
    identity.name = "Vantor framed bootloader (emulated)";
    identity.vendorId = sim::FramedEmulator::kVendorId;
    identity.productId = sim::FramedEmulator::kProductId;
  } else {
    identity.name = "Vantor addressed bootloader (emulated)";
    identity.vendorId = sim::AddressedEmulator::kVendorId;
    identity.productId = sim::AddressedEmulator::kProductId;
  }
  identity.vendorId = description_.vendorId.value_or(identity.vendorId);
  identity.productId = description_.productId.value_or(identity.productId);
  return device_.Create(identity, [this](const hid::Report& report) { OnOutput(report); }, error);
}

void EmulatedController::OnOutput(const hid::Report& report) {
  sim::SimDevice& emulator = framed_ ? static_cast<sim::SimDevice&>(*framed_) : *addressed_;
  if (!emulator.Present()) return;
  Trace("out", report);
  emulator.OnOutputReport(report, *this);
  if (!emulator.Present()) device_.Destroy();
}

void EmulatedController::Emit(const hid::Report& report, std::uint32_t delayMs) {
  // Answers are sent in order from the thread that serves the device, so a delay
  // only holds back this device's later reports, as a busy controller would.
  if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  Trace("in ", report);
  device_.SendInput(report);
}

void EmulatedController::Trace(const char* direction, const hid::Report& report) const {
  if (!trace_) return;
  std::fprintf(stderr, "%s %s", description_.serial.c_str(), direction);
  for (std::size_t i = 1; i <= 12; ++i) std::fprintf(stderr, " %02x", report[i]);
  std::fprintf(stderr, "\n");
}

bool EmulatedController::DumpFlash(const std::string& base) const {
  if (framed_) {
    // The header erases the region; until data arrives nothing was written to it.
    const std::vector<std::uint8_t> main =
        framed_->BytesReceived() > 0 ? framed_->MainImage() : std::vector<std::uint8_t>();
    return WriteFile(base + ".main", main);
  }
  bool written = WriteFile(base + ".main", addressed_->MainImage());
  const std::vector<std::uint8_t> radio = addressed_->BleImage();
  if (!radio.empty()) written = WriteFile(base + ".ble", radio) && written;
  return written;
}

}  // namespace vantor::vmtest
