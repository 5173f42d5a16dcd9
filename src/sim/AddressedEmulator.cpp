#include "sim/AddressedEmulator.h"

#include <algorithm>

#include "base/LittleEndian.h"

namespace vantor::sim {
namespace {

constexpr std::uint8_t kMarker = 5;
constexpr std::uint16_t kWriteBlock = 2;
constexpr std::uint16_t kWriteImageData = 3;
constexpr std::uint16_t kErase = 4;
constexpr std::uint16_t kRead = 5;
constexpr std::uint16_t kRun = 7;
constexpr std::uint16_t kDeviceInfo = 0xC0;
constexpr std::uint16_t kStatusDone = 0;
constexpr std::uint16_t kStatusBusy = 16;
constexpr std::uint32_t kMaxData = 46;
constexpr std::size_t kReplyData = 18;
constexpr std::uint32_t kVersionAddress = 0x08000034;
constexpr std::uint32_t kRadioVersionAddress = 0x80010004;
constexpr std::uint32_t kRadioCheckAddress = 0x80010006;
constexpr std::size_t kDeviceInfoSize = 44;

bool Matches(const AddressedEmulator::CommandAt& at, std::uint16_t code, std::uint32_t occurrence) {
  return at.code == code && at.occurrence == occurrence;
}

bool Listed(const std::vector<AddressedEmulator::CommandAt>& list, std::uint16_t code, std::uint32_t occurrence) {
  for (const AddressedEmulator::CommandAt& at : list) {
    if (Matches(at, code, occurrence)) return true;
  }
  return false;
}

}  // namespace

AddressedEmulator::AddressedEmulator(Clock& clock, Settings settings)
    : clock_(clock),
      settings_(std::move(settings)),
      mainFlash_(settings_.mainFlashSize, 0xFF),
      radioFlash_(settings_.radioFlashSize, 0xFF) {
  std::uint32_t offset = 0;
  if (std::vector<std::uint8_t>* flash = FlashFor(kVersionAddress, &offset); flash && offset + 4 <= flash->size()) {
    for (int i = 0; i < 4; ++i) (*flash)[offset + i] = static_cast<std::uint8_t>(settings_.versionWord >> (8 * i));
  }
  if (std::vector<std::uint8_t>* flash = FlashFor(kRadioVersionAddress, &offset); flash && offset + 2 <= flash->size()) {
    (*flash)[offset] = static_cast<std::uint8_t>(settings_.radioVersion);
    (*flash)[offset + 1] = static_cast<std::uint8_t>(settings_.radioVersion >> 8);
  }
}

std::shared_ptr<AddressedEmulator> AddressedEmulator::Attach(SimHidBackend& backend, Clock& clock, Settings settings,
                                                             std::string path) {
  auto emulator = std::make_shared<AddressedEmulator>(clock, std::move(settings));
  backend.AddDevice(std::move(path), kVendorId, kProductId, emulator);
  return emulator;
}

bool AddressedEmulator::Present() const {
  return present_ && clock_.NowMs() < leavesAt_.load();
}

void AddressedEmulator::SetFaults(Faults faults) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_.faults = std::move(faults);
}

std::vector<std::uint8_t>* AddressedEmulator::FlashFor(std::uint32_t address, std::uint32_t* offset) {
  return const_cast<std::vector<std::uint8_t>*>(static_cast<const AddressedEmulator*>(this)->FlashFor(address, offset));
}

const std::vector<std::uint8_t>* AddressedEmulator::FlashFor(std::uint32_t address, std::uint32_t* offset) const {
  if ((address & kRadioBit) != 0) {
    *offset = address & ~kRadioBit;
    return &radioFlash_;
  }
  if (address < kMainFlashBase) return nullptr;
  *offset = address - kMainFlashBase;
  return &mainFlash_;
}

bool AddressedEmulator::InFlash(std::uint32_t address, std::uint32_t length) const {
  std::uint32_t offset = 0;
  const std::vector<std::uint8_t>* flash = FlashFor(address, &offset);
  return flash != nullptr && offset <= flash->size() && length <= flash->size() - offset;
}

bool AddressedEmulator::Erasing() const {
  return erase_ && (erase_->hangs || clock_.NowMs() < erase_->doneAt);
}

void AddressedEmulator::OnOutputReport(const hid::Report& report, ReportSink& host) {
  const std::uint8_t* bytes = report.data() + 1;  // past the report id
  if (bytes[0] != kMarker) return;
  Command command;
  command.code = Load16(bytes + 1);
  command.reserved = Load16(bytes + 3);
  command.length = Load32(bytes + 5);
  command.extent = Load32(bytes + 9);
  command.address = Load32(bytes + 13);
  // Bytes past the length are whatever an earlier report left in the buffer.
  const std::uint32_t carried = std::min(command.length, kMaxData);
  command.data.assign(bytes + 17, bytes + 17 + carried);

  std::lock_guard<std::mutex> lock(mutex_);
  const std::uint32_t occurrence = ++counts_[command.code];
  const Faults& faults = settings_.faults;
  if (Listed(faults.lost, command.code, occurrence)) return;
  commands_.push_back(command);
  if (faults.removeAt && Matches(*faults.removeAt, command.code, occurrence)) {
    present_ = false;
    return;
  }

  std::uint16_t status = kStatusDone;
  bool answer = true;
  std::vector<std::uint8_t> data;
  switch (command.code) {
    case kDeviceInfo: {
      data.assign(kDeviceInfoSize, 0);
      data[0] = static_cast<std::uint8_t>(settings_.deviceType);
      data[1] = static_cast<std::uint8_t>(settings_.deviceType >> 8);
      data[2] = settings_.deviceVariant;
      const std::vector<std::uint8_t> version = Bytes(kVersionAddress, 4);
      std::copy(version.begin(), version.end(), data.begin() + 4);
      break;
    }
    case kRead:
      if (command.length > kMaxData || !InFlash(command.address, command.length)) {
        status = kStatusRefused;
      } else {
        data = Bytes(command.address, command.length);
        const std::optional<std::uint32_t> corrupt = settings_.faults.corruptReadAt;
        if (corrupt && *corrupt >= command.address && *corrupt - command.address < data.size()) {
          data[*corrupt - command.address] ^= 0x5A;
        }
      }
      break;
    case kErase:
      status = HandleErase(command);
      break;
    case kWriteImageData:
      if (faults.neverAcknowledgeAt == command.address) {
        answer = false;
      } else if (Listed(faults.failedPrograms, command.code, occurrence)) {
        status = kStatusRefused;
      } else {
        status = HandleImageData(command);
      }
      break;
    case kWriteBlock:
      if (faults.neverAcknowledgeBlockAt == command.address) {
        answer = false;
      } else if (Listed(faults.failedPrograms, command.code, occurrence)) {
        status = kStatusRefused;
      } else {
        status = HandleWriteBlock(command);
      }
      break;
    case kRun:
      restarted_ = true;
      if (settings_.leavesAfterRunMs) leavesAt_ = clock_.NowMs() + *settings_.leavesAfterRunMs;
      break;
    default:
      status = kStatusRefused;
      break;
  }

  const std::uint16_t previous = lastCode_;
  lastCode_ = command.code;
  if (!answer || Dropped(command.code, occurrence)) return;
  for (const CommandAt& stale : faults.staleBefore) {
    if (!Matches(stale, command.code, occurrence)) continue;
    std::uint16_t other = previous != command.code ? previous : kRun;
    if (other == command.code) other = kDeviceInfo;
    host.Emit(MakeReply(other, kStatusDone, nullptr, 0), settings_.replyDelayMs);
  }
  Answer(host, command.code, occurrence, MakeReply(command.code, status, data.data(), data.size()));
}

void AddressedEmulator::Answer(ReportSink& host, std::uint16_t code, std::uint32_t occurrence,
                               const hid::Report& reply) {
  const Faults& faults = settings_.faults;
  const std::uint32_t delay = settings_.replyDelayMs + LateBy(code, occurrence);
  if (Listed(faults.reordered, code, occurrence)) {
    if (held_) host.Emit(*held_, delay);
    held_ = reply;
    return;
  }
  host.Emit(reply, delay);
  if (Listed(faults.duplicated, code, occurrence)) host.Emit(reply, delay);
  if (held_) {
    host.Emit(*held_, delay);
    held_.reset();
  }
}

bool AddressedEmulator::RefusesWrite(const hid::Report& report) {
  const std::uint8_t* bytes = report.data() + 1;
  if (bytes[0] != kMarker) return false;
  const std::uint16_t code = Load16(bytes + 1);
  std::lock_guard<std::mutex> lock(mutex_);
  return Listed(settings_.faults.refusedWrites, code, ++offered_[code]);
}

std::uint32_t AddressedEmulator::LateBy(std::uint16_t code, std::uint32_t occurrence) const {
  std::uint32_t delay = 0;
  for (const Faults::Late& late : settings_.faults.late) {
    if (Matches(late.at, code, occurrence)) delay += late.delayMs;
  }
  return delay;
}

std::uint16_t AddressedEmulator::HandleErase(const Command& command) {
  const Region region{command.address, command.extent};
  if (!InFlash(region.address, region.length)) return kStatusRefused;
  if (settings_.faults.refuseEraseAt == region.address) return kStatusRefused;
  if (erase_ && erase_->region.address == region.address && erase_->region.length == region.length) {
    if (Erasing()) return kStatusBusy;
    if (!erase_->writtenSince) return kStatusDone;
  } else if (Erasing()) {
    return kStatusRefused;
  }
  std::uint32_t offset = 0;
  std::vector<std::uint8_t>* flash = FlashFor(region.address, &offset);
  std::fill_n(flash->begin() + offset, region.length, std::uint8_t{0xFF});
  ((region.address & kRadioBit) != 0 ? lastRadioErase_ : lastMainErase_) = region;
  Erase erase;
  erase.region = region;
  erase.doneAt = clock_.NowMs() + settings_.eraseBusyMs;
  erase.hangs = settings_.faults.hangEraseAt == region.address;
  erase_ = erase;
  return Erasing() ? kStatusBusy : kStatusDone;
}

std::uint16_t AddressedEmulator::HandleImageData(const Command& command) {
  const std::uint32_t n = static_cast<std::uint32_t>(command.data.size());
  if (command.length > kMaxData || Erasing() || !InFlash(command.address, n)) return kStatusRefused;
  std::uint32_t offset = 0;
  std::vector<std::uint8_t>* flash = FlashFor(command.address, &offset);
  for (std::uint32_t i = 0; i < n; ++i) {
    // Programming only clears bits; rewriting the same value (a chunk sent again
    // after its reply was lost) is harmless.
    const std::uint8_t current = (*flash)[offset + i];
    if (current != 0xFF && current != command.data[i]) return kStatusRefused;
  }
  std::copy(command.data.begin(), command.data.end(), flash->begin() + offset);
  if (erase_) erase_->writtenSince = true;
  return kStatusDone;
}

std::uint16_t AddressedEmulator::HandleWriteBlock(const Command& command) {
  const std::uint32_t n = static_cast<std::uint32_t>(command.data.size());
  if (command.length > kMaxData || Erasing() || !InFlash(command.address, n)) return kStatusRefused;
  std::uint32_t offset = 0;
  std::vector<std::uint8_t>* flash = FlashFor(command.address, &offset);
  std::copy(command.data.begin(), command.data.end(), flash->begin() + offset);
  if (erase_) erase_->writtenSince = true;
  return kStatusDone;
}

bool AddressedEmulator::Dropped(std::uint16_t code, std::uint32_t occurrence) const {
  for (const Faults::Drop& drop : settings_.faults.drops) {
    if (drop.from.code == code && occurrence >= drop.from.occurrence &&
        occurrence - drop.from.occurrence < drop.count) {
      return true;
    }
  }
  return false;
}

hid::Report AddressedEmulator::MakeReply(std::uint16_t code, std::uint16_t status, const std::uint8_t* data,
                                        std::size_t n) const {
  hid::Report report{};
  std::uint8_t* bytes = report.data() + 1;
  bytes[0] = 0;
  bytes[1] = kMarker;
  bytes[2] = static_cast<std::uint8_t>(status);
  bytes[3] = static_cast<std::uint8_t>(status >> 8);
  bytes[4] = static_cast<std::uint8_t>(code);
  bytes[5] = static_cast<std::uint8_t>(code >> 8);
  if (data != nullptr) std::copy_n(data, std::min<std::size_t>(n, kMaxData), bytes + kReplyData);
  return report;
}

std::vector<std::uint8_t> AddressedEmulator::Bytes(std::uint32_t address, std::uint32_t n) const {
  std::vector<std::uint8_t> bytes(n, 0xFF);
  std::uint32_t offset = 0;
  const std::vector<std::uint8_t>* flash = FlashFor(address, &offset);
  if (flash == nullptr) return bytes;
  for (std::uint64_t i = 0; i < n && offset + i < flash->size(); ++i) {
    bytes[i] = (*flash)[offset + i];
  }
  return bytes;
}

std::vector<std::uint8_t> AddressedEmulator::MainImage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!lastMainErase_) return {};
  return Bytes(lastMainErase_->address, lastMainErase_->length);
}

std::vector<std::uint8_t> AddressedEmulator::BleImage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!lastRadioErase_) return {};
  return Bytes(lastRadioErase_->address, lastRadioErase_->length);
}

std::vector<std::uint8_t> AddressedEmulator::ReadFlash(std::uint32_t address, std::uint32_t n) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return Bytes(address, n);
}

std::uint32_t AddressedEmulator::VersionWord() const {
  const std::vector<std::uint8_t> bytes = ReadFlash(kVersionAddress, 4);
  return Load32(bytes.data());
}

std::uint16_t AddressedEmulator::RadioVersion() const {
  const std::vector<std::uint8_t> bytes = ReadFlash(kRadioVersionAddress, 2);
  return Load16(bytes.data());
}

std::uint16_t AddressedEmulator::RadioCheckWord() const {
  const std::vector<std::uint8_t> bytes = ReadFlash(kRadioCheckAddress, 2);
  return Load16(bytes.data());
}

std::vector<AddressedEmulator::Command> AddressedEmulator::Commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

std::uint32_t AddressedEmulator::CountOf(std::uint16_t code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = counts_.find(code);
  return found == counts_.end() ? 0 : found->second;
}

bool AddressedEmulator::Restarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return restarted_;
}

}  // namespace vantor::sim
