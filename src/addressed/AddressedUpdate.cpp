#include "addressed/AddressedUpdate.h"

#include <algorithm>

#include "addressed/AddressedCommands.h"
#include "addressed/AddressedVerify.h"
#include "addressed/ChunkWriter.h"
#include "base/Format.h"
#include "base/LittleEndian.h"
#include "base/LocalizedText.h"
#include "session/SelectPackage.h"
#include "session/VersionText.h"

namespace vantor::addressed {
namespace {

// Device types that the bootloader reports for builds of one controller; their
// packages carry the image under the first.
constexpr std::uint16_t kSharedDeviceType = 8194;
constexpr std::uint16_t kAliasDeviceTypes[] = {8195, 8198};

constexpr std::uint32_t kBleVersionReadPauseMs = 200;
// The radio's section starts with a header of its own that the radio is not given.
using package::kBleInnerHeaderSize;
constexpr std::uint16_t kBleChunkAttempts = 10;
constexpr std::uint32_t kBleRetryPauseMs = 10;
// A main-image chunk is sent at most this often, back to back, before the main stage
// is given up as failed (a radio chunk as often, 10 ms apart). Each attempt waits for up to 20 replies (about 200 ms at
// the update's 10 ms read time-out), so a controller that stopped answering costs about two seconds; a lost reply costs
// one extra attempt.
constexpr std::uint16_t kMainChunkAttempts = 10;

enum class Stage { kDone, kFailed, kInterrupted };

// How a stage ended, and for a failure what the controller did.
struct StageEnd {
  Stage how = Stage::kDone;
  FailureReason reason = FailureReason::kNone;
  std::uint32_t code = 0;
};

StageEnd Done() { return {}; }
StageEnd Interrupted() { return {Stage::kInterrupted}; }
StageEnd Failed(FailureReason reason) { return {Stage::kFailed, reason}; }
StageEnd Failed(const ExchangeTrace& trace) { return {Stage::kFailed, trace.Reason(), trace.refusal.value_or(0)}; }

std::uint32_t Percent(std::uint64_t sent, std::uint64_t total) {
  return static_cast<std::uint32_t>(sent * 100 / total);
}

// `stageSent` of `stageTotal` in the running stage; `sent` of `total` in the update.
void ShowProgress(UpdateSession& session, std::uint64_t stageSent, std::uint64_t stageTotal, std::uint64_t sent,
                  std::uint64_t total) {
  session.ReportProgress(stageSent, stageTotal, sent, total);
  session.view.SetProgressPos(Percent(sent, total));
}

// The version as the confirmation shows it: "%0.1f" turned 1.56 into 1.6.
std::string VersionTitle(std::uint32_t word) {
  return Format("%s(Fw v%s)", ProductTitle().c_str(), FirmwareVersionText(word).c_str());
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
StageEnd RunMainStage(UpdateSession& session, std::uint64_t total) {
  UpdateState& state = session.state;
  ExchangeTrace trace;
  session.EnterStage(UpdateStage::kErasingMain);
  if (EraseRegion(session, kCommandErase, state.imageAddress(), state.imageLength(), &trace) == 0) {
    return session.interruptRequested ? Interrupted() : Failed(trace);
  }
  package::PackageFile& file = state.packageFile;
  if (!file.Open(state.packagePath)) return Failed(FailureReason::kPackageUnreadable);
  if (!file.Seek(state.imageDataOffset())) {
    file.Close();
    return Failed(FailureReason::kPackageUnreadable);
  }
  const std::uint32_t length = state.imageLength();
  std::uint8_t* chunk = state.chunkBuffer().data();
  session.EnterStage(UpdateStage::kWritingMain);
  ShowProgress(session, 0, length, state.imageSent(), total);
  ChunkWriter writer(session, {kMainChunkAttempts, 0});
  for (std::uint32_t offset = 0; offset < length;) {
    if (session.interruptRequested) {
      file.Close();
      return Interrupted();
    }
    const std::uint32_t n = std::min(length - offset, kMaxCommandData);
    if (file.Read(chunk, n) != static_cast<long>(n)) {
      file.Close();
      return Failed(FailureReason::kPackageUnreadable);
    }
    if (!writer.Write(chunk, state.imageAddress() + offset, n, length)) {
      file.Close();
      return {Stage::kFailed, writer.failure(), writer.failureCode()};
    }
    offset += n;
    state.imageSent() += n;
    ShowProgress(session, offset, length, state.imageSent(), total);
  }
  // Changed while it was read: the flash holds bytes of no one file; no stamp on them.
  const bool unchanged = file.Unchanged();
  file.Close();
  if (!unchanged) return Failed(FailureReason::kPackageUnreadable);
  session.EnterStage(UpdateStage::kStamping);
  trace = ExchangeTrace{};
  return WriteFirmwareVersion(session, &trace) == 1 ? Done() : Failed(trace);
}

// Streams the radio image, each chunk acknowledged (or read back in doubt).
StageEnd StreamBleImage(UpdateSession& session, const Stream& stream, std::uint64_t total) {
  UpdateState& state = session.state;
  package::PackageFile& file = state.packageFile;
  std::uint8_t* chunk = state.bleChunkBuffer().data();
  state.bleSent() = 0;
  session.EnterStage(UpdateStage::kWritingRadio);
  ChunkWriter writer(session, {kBleChunkAttempts, kBleRetryPauseMs});
  for (std::uint32_t offset = 0; offset < stream.size;) {
    if (session.interruptRequested) return Interrupted();
    const std::uint32_t n = std::min(stream.size - offset, kMaxCommandData);
    if (file.Read(chunk, n) != static_cast<long>(n)) return Failed(FailureReason::kPackageUnreadable);
    // The extent counts from the section's length, as the radio's loader expects.
    if (!writer.Write(chunk, stream.address + offset, n, state.bleLength() - offset)) {
      return {Stage::kFailed, writer.failure(), writer.failureCode()};
    }
    state.bleSent() += n;
    offset += n;
    ShowProgress(session, state.bleSent(), stream.size,
                 static_cast<std::uint64_t>(state.imageLength()) + state.bleSent(), total);
  }
  return Done();
}

// The radio image: erase, stream, stamp the check word and the version.
StageEnd RunBleStage(UpdateSession& session, std::uint64_t total) {
  UpdateState& state = session.state;
  const std::uint32_t eraseAddress = state.bleAddress() | kRadioAddressBit;
  ExchangeTrace trace;
  session.EnterStage(UpdateStage::kErasingRadio);
  if (EraseRegion(session, kCommandErase, eraseAddress, state.bleLength(), &trace) == 0) {
    if (session.interruptRequested) return Interrupted();
    session.view.ShowMessage(
        Format("Boot erase ble flash error<address:0x%x len:0x%x>", eraseAddress, state.bleLength()), "",
        MessageButtons::kOk);
    return Failed(trace);
  }
  package::PackageFile& file = state.packageFile;
  if (!file.Open(state.packagePath)) return Failed(FailureReason::kPackageUnreadable);
  Stream stream;
  stream.fileOffset = state.bleDataOffset() + kBleInnerHeaderSize;
  stream.size = state.bleLength() > kBleInnerHeaderSize ? state.bleLength() - kBleInnerHeaderSize : 0;
  stream.address = eraseAddress;
  if (!file.Seek(stream.fileOffset)) {
    file.Close();
    return Failed(FailureReason::kPackageUnreadable);
  }
  const StageEnd streamed = StreamBleImage(session, stream, total);
  const bool unchanged = file.Unchanged();
  file.Close();
  if (streamed.how != Stage::kDone) return streamed;
  if (!unchanged) return Failed(FailureReason::kPackageUnreadable);
  session.EnterStage(UpdateStage::kStamping);
  trace = ExchangeTrace{};
  if (WriteBleCheckWord(session, &trace) == 0 || WriteBleVersion(session, &trace) == 0) return Failed(trace);
  return Done();
}

// The run command. Success needs evidence that the controller took it: its answer, or
// its boot-mode device leaving the bus in answer to it (a controller that restarts at
// once). A run command that was never written, or refused, is a failure. An answer
// that went missing is told apart from a command that did by asking the bootloader
// whether it is still there: if it answers, it gets the run command once more. Any
// other ending after a run command went out is unconfirmed: the controller may run
// the new firmware or still wait in its boot mode.
StageEnd Restart(UpdateSession& session) {
  session.EnterStage(UpdateStage::kRestarting);
  ExchangeTrace trace;
  if (RunFirmware(session, &trace) == 1 || trace.leftAfterCommand) return Done();
  // Not written, refused, or the controller was gone before it: still in boot mode.
  if (trace.writeFailed || trace.refusal || trace.vanishedReads > 0) return Failed(trace);
  // Each query waits about half a second; two outlast a controller's slowest answer,
  // which may still be queued ahead of the query's.
  std::uint8_t info[kDeviceInfoSize] = {};
  for (int query = 0; query < 2; ++query) {
    if (QueryDeviceInfo(session, info, kDeviceInfoSize) == 0) continue;
    trace = ExchangeTrace{};
    if (RunFirmware(session, &trace) == 1 || trace.leftAfterCommand) return Done();
    if (trace.refusal) return Failed(trace);
    break;
  }
  return Failed(FailureReason::kUnconfirmed);
}

void Fail(UpdateSession& session, const StageEnd& end) { ReportUpdateFailure(session, end.reason, end.code); }

void RunStages(UpdateSession& session) {
  if (SelectPackage(session) == 0) return;
  UpdateState& state = session.state;
  const bool bleStage = session.hasBleImage != 0 && state.bleLength() > 0;
  const std::uint32_t bleImageSize =
      bleStage && state.bleLength() > kBleInnerHeaderSize ? state.bleLength() - kBleInnerHeaderSize : 0;
  // 64-bit, so that the percentage of a large image cannot wrap.
  const std::uint64_t total = static_cast<std::uint64_t>(state.imageLength()) + bleImageSize;
  if (total == 0) {
    session.Conclude(UpdateOutcome::kPackageRefused, FailureReason::kNone, 0, package::PackageProblem::kNothingToWrite);
    session.view.ShowMessage(LocalizedText(text::kPackageEmpty), ProductTitle(), MessageButtons::kOk);
    return;
  }

  // A package that only carries a radio image leaves the main flash and its version
  // word alone.
  const StageEnd main = state.imageLength() > 0 ? RunMainStage(session, total) : Done();
  if (main.how == Stage::kInterrupted) return session.Conclude(UpdateOutcome::kInterrupted);
  // After a failed stage nothing more is written and the controller is not restarted:
  // it keeps its boot mode, so the update can simply be run again.
  if (main.how != Stage::kDone) return Fail(session, main);
  if (bleStage) {
    const StageEnd ble = RunBleStage(session, total);
    if (ble.how == Stage::kInterrupted) return session.Conclude(UpdateOutcome::kInterrupted);
    if (ble.how != Stage::kDone) return Fail(session, ble);
  }
  if (session.verifyAfterWrite) {
    const VerifyEnd verified = VerifyWrittenImage(session);
    // The controller is not restarted into an image that differs from the package.
    if (!verified.matches) return Fail(session, {Stage::kFailed, verified.reason, verified.firstBadAddress});
  }
  const StageEnd restarted = Restart(session);
  if (restarted.how != Stage::kDone) return Fail(session, restarted);
  ReportUpdateSuccess(session);
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
  const bool alias =
      std::find(std::begin(kAliasDeviceTypes), std::end(kAliasDeviceTypes), info.type) != std::end(kAliasDeviceTypes);
  session.state.deviceType() = alias ? kSharedDeviceType : info.type;
  session.state.deviceVariant() = info.variant;
  session.deviceVersion = info.versionWord;
  session.probe.deviceType = session.state.deviceType();
  session.probe.deviceVariant = info.variant;

  if (info.versionWord == kNoFirmware) {
    session.view.ShowMessage(LocalizedText(text::kInstructions), ProductTitle(), MessageButtons::kOk);
  } else {
    session.titleShowsVersion = true;
    session.view.SetTitle(VersionTitle(info.versionWord));
  }

  if (session.hasBleImage != 0 || session.probeReadsRadioVersion) {
    session.clock.Pause(kBleVersionReadPauseMs);
    std::uint8_t version[2] = {};
    if (ReadDeviceMemory(session, version, 2, kBleVersionAddress) == 1) {
      session.state.deviceBleVersion() = Load16(version);
      session.probe.radioVersion = Load16(version);
    } else {
      session.probe.radioVersionUnreadable = true;
      session.view.ShowMessage("Get ble version failed\n", "", MessageButtons::kOk);
    }
  }
}

void RunAddressedUpdate(UpdateSession& session) {
  if (session.verifyOnly) {
    VerifyPackage(session);
  } else {
    RunStages(session);
  }
  RefreshUpdateButton(session);
}

void AddressedUpdateThread(UpdateSession& session) { RunAddressedUpdate(session); }

}  // namespace vantor::addressed
