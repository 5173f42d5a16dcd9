#include "addressed/AddressedVerify.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "addressed/AddressedCommands.h"
#include "base/DebugOutput.h"
#include "base/LittleEndian.h"
#include "session/SelectPackage.h"

namespace vantor::addressed {
namespace {

// The radio's section starts with a header of its own that the radio is not given.
using package::kBleInnerHeaderSize;

// One region to compare: `length` bytes of the package from `fileOffset`, expected
// in flash from `address` on.
struct Region {
  std::uint64_t fileOffset = 0;
  std::uint32_t address = 0;
  std::uint32_t length = 0;
};

// A stamped value: `n` bytes at `address`, written after the images, so that an image
// covering it no longer holds its own bytes there.
struct Stamp {
  std::uint32_t address = 0;
  std::uint32_t value = 0;
  std::uint32_t n = 0;
  bool Covers(std::uint32_t at) const { return at >= address && at - address < n; }
};

class Verifier {
 public:
  // `stamps`: every value the update stamps; image bytes under them are not compared
  // (each stamp is compared on its own).
  Verifier(UpdateSession& session, std::uint64_t total, std::vector<Stamp> stamps)
      : session_(session), total_(total), stamps_(std::move(stamps)) {}

  bool Compare(const Region& region) {
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
      if (!CompareBytes(region.address + offset, expected.data(), n, true)) {
        file.Close();
        return false;
      }
      offset += n;
    }
    file.Close();
    return true;
  }

  bool CompareStamps() {
    for (const Stamp& stamp : stamps_) {
      std::array<std::uint8_t, 4> expected{};
      Store32(expected.data(), stamp.value);
      if (!CompareBytes(stamp.address, expected.data(), stamp.n, false)) return false;
    }
    return true;
  }

  const VerifyEnd& end() const { return end_; }

 private:
  bool CompareBytes(std::uint32_t address, const std::uint8_t* expected, std::uint32_t n, bool image) {
    std::array<std::uint8_t, kMaxCommandData> flash{};
    ExchangeTrace trace;
    DrainStaleReplies(session_, &trace);
    if (ReadBackMemory(session_, flash.data(), n, address, &trace) == 0) return Fail(trace.Reason(), address);
    for (std::uint32_t i = 0; i < n; ++i) {
      if (flash[i] == expected[i] || (image && Stamped(address + i))) continue;
      DebugLinef("read back 0x%x: 0x%02x, expected 0x%02x\n", address + i, flash[i], expected[i]);
      return Fail(FailureReason::kReadBackMismatch, address + i);
    }
    read_ += n;
    session_.ReportProgress(read_, total_, read_, total_);
    return true;
  }

  bool Stamped(std::uint32_t address) const {
    return std::any_of(stamps_.begin(), stamps_.end(), [&](const Stamp& stamp) { return stamp.Covers(address); });
  }

  bool Fail(FailureReason reason, std::uint32_t address) {
    end_ = VerifyEnd{false, reason, address};
    return false;
  }

  UpdateSession& session_;
  std::uint64_t total_;
  std::vector<Stamp> stamps_;
  std::uint64_t read_ = 0;
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
  std::vector<Stamp> stamps;
  if (main.length > 0) stamps.push_back({kFirmwareVersionAddress, state.firmwareVersion(), 4});
  if (radio) {
    stamps.push_back({kBleVersionAddress, state.bleVersion() & 0xFFFF, 2});
    stamps.push_back({kBleCheckWordAddress, BleCheckWord(state.bleCheckBlock()), 2});
  }
  Verifier verifier(session, static_cast<std::uint64_t>(main.length) + ble.length, std::move(stamps));
  if (main.length > 0 && !verifier.Compare(main)) return verifier.end();
  if (radio && !verifier.Compare(ble)) return verifier.end();
  verifier.CompareStamps();
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
