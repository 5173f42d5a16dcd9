#include "addressed/AddressedVerify.h"

#include <algorithm>
#include <array>

#include "addressed/AddressedCommands.h"
#include "base/DebugOutput.h"
#include "base/LittleEndian.h"
#include "session/SelectPackage.h"

namespace vantor::addressed {
namespace {

// The radio's section starts with a header of its own that the radio is not given.
constexpr std::uint32_t kBleInnerHeaderSize = 28;

// One region to compare: `length` bytes of the package from `fileOffset`, expected
// in flash from `address` on.
struct Region {
  std::uint64_t fileOffset = 0;
  std::uint32_t address = 0;
  std::uint32_t length = 0;
};

class Verifier {
 public:
  Verifier(UpdateSession& session, std::uint64_t total) : session_(session), total_(total) {}

  // `underStamp`: the region may cover the version word, whose bytes the stamp
  // replaced (the stamp is compared on its own).
  bool Compare(const Region& region, bool underStamp) {
    skipVersionWord_ = underStamp;
    package::PackageFile& file = session_.state.packageFile;
    if (!file.Open(session_.state.packagePath) || !file.Seek(region.fileOffset)) {
      file.Close();
      return Fail(FailureReason::kPackageUnreadable, region.address);
    }
    std::array<std::uint8_t, kMaxCommandData> expected{};
    for (std::uint32_t offset = 0; offset < region.length;) {
      const std::uint32_t n = std::min(region.length - offset, kMaxCommandData);
      if (file.Read(expected.data(), n) != static_cast<long>(n)) {
        file.Close();
        return Fail(FailureReason::kPackageUnreadable, region.address + offset);
      }
      if (!CompareBytes(region.address + offset, expected.data(), n)) {
        file.Close();
        return false;
      }
      offset += n;
    }
    file.Close();
    skipVersionWord_ = false;
    return true;
  }

  // A stamped value of `n` bytes (little-endian `value`) at `address`.
  bool CompareStamp(std::uint32_t address, std::uint32_t value, std::uint32_t n) {
    std::array<std::uint8_t, 4> expected{};
    Store32(expected.data(), value);
    return CompareBytes(address, expected.data(), n);
  }

  const VerifyEnd& end() const { return end_; }

 private:
  bool CompareBytes(std::uint32_t address, const std::uint8_t* expected, std::uint32_t n) {
    std::array<std::uint8_t, kMaxCommandData> flash{};
    ExchangeTrace trace;
    DrainStaleReplies(session_, &trace);
    if (ReadDeviceMemory(session_, flash.data(), n, address, &trace) == 0) return Fail(trace.Reason(), address);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (flash[i] == expected[i] || Stamped(address + i)) continue;
      DebugLinef("read back 0x%x: 0x%02x, expected 0x%02x\n", address + i, flash[i], expected[i]);
      return Fail(FailureReason::kReadBackMismatch, address + i);
    }
    read_ += n;
    session_.ReportProgress(read_, total_, read_, total_);
    return true;
  }

  bool Stamped(std::uint32_t address) const {
    return skipVersionWord_ && address >= kFirmwareVersionAddress && address < kFirmwareVersionAddress + 4;
  }

  bool Fail(FailureReason reason, std::uint32_t address) {
    end_ = VerifyEnd{false, reason, address};
    return false;
  }

  UpdateSession& session_;
  std::uint64_t total_;
  std::uint64_t read_ = 0;
  bool skipVersionWord_ = false;
  VerifyEnd end_;
};

}  // namespace

VerifyEnd VerifyWrittenImage(UpdateSession& session) {
  UpdateState& state = session.state;
  session.EnterStage(UpdateStage::kVerifying);
  const bool radio = session.hasBleImage != 0 && state.bleLength() > kBleInnerHeaderSize;
  const Region main{state.imageDataOffset(), state.imageAddress(), state.imageLength()};
  const Region ble{static_cast<std::uint64_t>(state.bleDataOffset()) + kBleInnerHeaderSize,
                   state.bleAddress() | kRadioAddressBit, radio ? state.bleLength() - kBleInnerHeaderSize : 0};
  Verifier verifier(session, static_cast<std::uint64_t>(main.length) + ble.length);
  if (main.length > 0) {
    if (!verifier.Compare(main, true)) return verifier.end();
    if (!verifier.CompareStamp(kFirmwareVersionAddress, state.firmwareVersion(), 4)) return verifier.end();
  }
  if (radio) {
    if (!verifier.Compare(ble, false)) return verifier.end();
    if (!verifier.CompareStamp(kBleVersionAddress, state.bleVersion() & 0xFFFF, 2) ||
        !verifier.CompareStamp(kBleCheckWordAddress, BleCheckWord(state.bleCheckBlock()), 2)) {
      return verifier.end();
    }
  }
  return verifier.end();
}

void VerifyPackage(UpdateSession& session) {
  if (SelectPackage(session) == 0) return;
  const VerifyEnd end = VerifyWrittenImage(session);
  if (end.matches) {
    session.Conclude(UpdateOutcome::kSucceeded);
  } else {
    session.Conclude(UpdateOutcome::kFailed, end.reason, end.firstBadAddress);
  }
}

}  // namespace vantor::addressed
