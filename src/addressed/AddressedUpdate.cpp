#include "addressed/AddressedUpdate.h"

#include <algorithm>

#include "addressed/AddressedCommands.h"
#include "app/Format.h"
#include "app/LittleEndian.h"
#include "app/LocalizedText.h"
#include "package/SelectPackage.h"

namespace vantor::addressed {
namespace {

// Device types that the bootloader reports for builds of one controller; their
// packages carry the image under the first.
constexpr std::uint16_t kSharedDeviceType = 8194;
constexpr std::uint16_t kAliasDeviceTypes[] = {8195, 8198};

constexpr std::uint32_t kBleVersionReadPauseMs = 200;
// The radio's section starts with a header of its own that the radio is not given.
constexpr std::uint32_t kBleInnerHeaderSize = 28;
constexpr std::uint16_t kBleChunkAttempts = 10;
constexpr std::uint32_t kBleRetryPauseMs = 10;
// A main-image chunk is sent at most this often, back to back, before the main stage
// is given up as failed. Each attempt waits for up to 20 replies (about 200 ms at the
// update's 10 ms read time-out), so a controller that stopped answering costs about
// two seconds; a lost reply costs one extra attempt.
constexpr std::uint16_t kMainChunkAttempts = 10;

enum class Stage { kDone, kFailed, kInterrupted };

std::uint32_t Percent(std::uint64_t sent, std::uint64_t total) {
  return static_cast<std::uint32_t>(sent * 100 / total);
}

void ShowProgress(UpdateSession& session, std::uint64_t sent, std::uint64_t total) {
  session.view.ReportBytes(sent, total);
  session.view.SetProgressPos(Percent(sent, total));
}

std::string VersionTitle(std::uint32_t word) {
  const std::string product = ProductTitle();
  const std::uint32_t beta = word >> 16;
  if (beta == 0) return Format("%s(Fw v%0.1f)", product.c_str(), word / 100.0);
  return Format("%s(Fw v%0.1f beta%d)", product.c_str(), (word & 0xFFFF) / 100.0, static_cast<int>(beta));
}

// The image bytes of one stage: `size` bytes of the package from `fileOffset`, written
// from `address` on. Chunks never run past `size`, so nothing outside the section
// reaches the controller.
struct Stream {
  std::uint32_t fileOffset = 0;
  std::uint32_t size = 0;
  std::uint32_t address = 0;
};

// The main image: erase, stream with acknowledgement, stamp the version word.
Stage RunMainStage(UpdateSession& session, std::uint64_t total) {
  package::UpdateState& state = session.state;
  if (EraseRegion(session, kCommandErase, state.imageAddress(), state.imageLength()) == 0) {
    return session.interruptRequested ? Stage::kInterrupted : Stage::kFailed;
  }
  package::PackageFile& file = state.packageFile;
  if (!file.Open(state.packagePath)) return Stage::kFailed;
  if (!file.Seek(state.imageDataOffset())) {
    file.Close();
    return Stage::kFailed;
  }
  const std::uint32_t length = state.imageLength();
  std::uint8_t* chunk = state.chunkBuffer().data();
  ShowProgress(session, state.imageSent(), total);
  for (std::uint32_t offset = 0; offset < length;) {
    if (session.interruptRequested) {
      file.Close();
      return Stage::kInterrupted;
    }
    const std::uint32_t n = std::min(length - offset, kMaxCommandData);
    if (file.Read(chunk, n) != static_cast<long>(n)) {
      file.Close();
      return Stage::kFailed;
    }
    bool acknowledged = false;
    for (std::uint16_t attempt = 0; attempt < kMainChunkAttempts && !acknowledged; ++attempt) {
      acknowledged = WriteBlock(session, chunk, state.imageAddress() + offset, n, length, true) == 1;
    }
    if (!acknowledged) {
      file.Close();
      return Stage::kFailed;
    }
    offset += n;
    state.imageSent() += n;
    ShowProgress(session, state.imageSent(), total);
  }
  file.Close();
  return WriteFirmwareVersion(session) == 1 ? Stage::kDone : Stage::kFailed;
}

// Streams the radio image. kFailed with `sendRun` set: a chunk went unacknowledged
// after the main image was already in place, so the controller is still restarted.
Stage StreamBleImage(UpdateSession& session, const Stream& stream, std::uint64_t total, bool* sendRun) {
  package::UpdateState& state = session.state;
  package::PackageFile& file = state.packageFile;
  std::uint8_t* chunk = state.bleChunkBuffer().data();
  state.bleSent() = 0;
  for (std::uint32_t offset = 0; offset < stream.size;) {
    if (session.interruptRequested) return Stage::kInterrupted;
    const std::uint32_t n = std::min(stream.size - offset, kMaxCommandData);
    if (file.Read(chunk, n) != static_cast<long>(n)) return Stage::kFailed;
    // The extent counts from the section's length, as the radio's loader expects.
    const std::uint32_t extent = state.bleLength() - offset;
    std::uint16_t attempt = 0;
    while (WriteBlock(session, chunk, stream.address + offset, n, extent, true) == 0) {
      if (++attempt >= kBleChunkAttempts) {
        *sendRun = true;
        return Stage::kFailed;
      }
      session.clock.Pause(kBleRetryPauseMs);
    }
    state.bleSent() += n;
    offset += n;
    ShowProgress(session, static_cast<std::uint64_t>(state.imageLength()) + state.bleSent(), total);
  }
  return Stage::kDone;
}

// The radio image: erase, stream, stamp the check word and the version.
Stage RunBleStage(UpdateSession& session, std::uint64_t total, bool* sendRun) {
  package::UpdateState& state = session.state;
  const std::uint32_t eraseAddress = state.bleAddress() | kRadioAddressBit;
  if (EraseRegion(session, kCommandErase, eraseAddress, state.bleLength()) == 0) {
    if (session.interruptRequested) return Stage::kInterrupted;
    session.view.ShowMessage(Format("Boot erase ble flash error<address:0x%x len:0x%x>", eraseAddress,
                                    state.bleLength()),
                             "", MessageButtons::kOk);
    return Stage::kFailed;
  }
  package::PackageFile& file = state.packageFile;
  if (!file.Open(state.packagePath)) return Stage::kFailed;
  Stream stream;
  stream.fileOffset = state.bleDataOffset() + kBleInnerHeaderSize;
  stream.size = state.bleLength() > kBleInnerHeaderSize ? state.bleLength() - kBleInnerHeaderSize : 0;
  stream.address = eraseAddress;
  if (!file.Seek(stream.fileOffset)) {
    file.Close();
    return Stage::kFailed;
  }
  const Stage streamed = StreamBleImage(session, stream, total, sendRun);
  file.Close();
  if (streamed != Stage::kDone) return streamed;
  if (WriteBleCheckWord(session) == 0 || WriteBleVersion(session) == 0) return Stage::kFailed;
  *sendRun = true;
  return Stage::kDone;
}

void Interrupted(UpdateSession& session) { session.outcome = UpdateOutcome::kInterrupted; }

void RunStages(UpdateSession& session) {
  if (package::SelectPackage(session) == 0) return;
  package::UpdateState& state = session.state;
  const bool bleStage = session.hasBleImage != 0 && state.bleLength() > 0;
  const std::uint32_t bleImageSize =
      bleStage && state.bleLength() > kBleInnerHeaderSize ? state.bleLength() - kBleInnerHeaderSize : 0;
  // 64-bit, so that the percentage of a large image cannot wrap.
  const std::uint64_t total = static_cast<std::uint64_t>(state.imageLength()) + bleImageSize;
  if (total == 0) {
    session.outcome = UpdateOutcome::kPackageRefused;
    session.view.ShowMessage(LocalizedText(text::kPackageEmpty), ProductTitle(), MessageButtons::kOk);
    return;
  }

  // A package that only carries a radio image leaves the main flash and its version
  // word alone.
  const Stage main = state.imageLength() > 0 ? RunMainStage(session, total) : Stage::kDone;
  if (main == Stage::kInterrupted) return Interrupted(session);
  if (!bleStage) {
    if (main != Stage::kDone) return ReportUpdateFailure(session);
    RunFirmware(session);
    return ReportUpdateSuccess(session);
  }

  // The radio is programmed even when the main stage failed: its image is independent.
  bool sendRun = false;
  const Stage ble = RunBleStage(session, total, &sendRun);
  if (ble == Stage::kInterrupted) return Interrupted(session);
  if (sendRun) {
    session.stopRequested = 1;
    RunFirmware(session);
  }
  if (main == Stage::kDone && ble == Stage::kDone) return ReportUpdateSuccess(session);
  ReportUpdateFailure(session);
}

}  // namespace

void QueryAddressedDevice(UpdateSession& session) {
  // The running update owns the channel; the controller probes again once it ends.
  if (session.workerActive()) return;
  std::uint8_t bytes[kDeviceInfoSize] = {};
  if (QueryDeviceInfo(session, bytes, kDeviceInfoSize) == 0) {
    session.SetUpdateButton(false);
    session.view.ShowMessage("Get gamepad info error", "", MessageButtons::kOk);
    return;
  }
  const DeviceInfo info = ParseDeviceInfo(bytes);
  const bool alias = std::find(std::begin(kAliasDeviceTypes), std::end(kAliasDeviceTypes), info.type) !=
                     std::end(kAliasDeviceTypes);
  session.state.deviceType() = alias ? kSharedDeviceType : info.type;
  session.state.deviceVariant() = info.variant;
  session.deviceVersion = info.versionWord;

  if (info.versionWord == kNoFirmware) {
    session.view.ShowMessage(LocalizedText(text::kInstructions), ProductTitle(), MessageButtons::kOk);
  } else {
    session.titleShowsVersion = true;
    session.view.SetTitle(VersionTitle(info.versionWord));
  }

  if (session.hasBleImage != 0) {
    session.clock.Pause(kBleVersionReadPauseMs);
    std::uint8_t version[2] = {};
    if (ReadDeviceMemory(session, version, 2, kBleVersionAddress) == 1) {
      session.state.deviceBleVersion() = Load16(version);
    } else {
      session.view.ShowMessage("Get ble version failed\n", "", MessageButtons::kOk);
    }
  }
}

void RunAddressedUpdate(UpdateSession& session) {
  RunStages(session);
  RefreshUpdateButton(session);
}

void AddressedUpdateThread(UpdateSession& session) { RunAddressedUpdate(session); }

}  // namespace vantor::addressed
