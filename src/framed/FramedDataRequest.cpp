#include "framed/FramedDataRequest.h"

#include <algorithm>

#include "base/DebugOutput.h"
#include "framed/FramedEndings.h"
#include "framed/FramedMessages.h"

namespace vantor::framed {
namespace {

// Reads the next chunk into chunkBuffer. Chunks end at the end of the image, so bytes
// of the section behind it never reach the controller. -1 when the package no longer
// holds the bytes it held when it was checked (changed or unreadable since).
long ReadChunk(UpdateSession& session) {
  UpdateState& state = session.state;
  const std::uint32_t want = std::min(kChunkSize, state.imageLength() - state.imageSent());
  const long got = state.packageFile.Read(state.chunkBuffer().data(), want);
  if (got != static_cast<long>(want)) {
    DebugLinef("package read failed at 0x%x\n", state.imageSent());
    return -1;
  }
  return got;
}

void ShowProgress(UpdateSession& session) {
  UpdateState& state = session.state;
  session.ReportProgress(state.imageSent(), state.imageLength(), state.imageSent(), state.imageLength());
  session.view.SetProgressPos(ProgressPercent(state.imageSent(), state.imageLength()));
}

// False (the update failed) when the package changed while the image was read from it:
// the controller holds bytes of no one file, and must not be told the image is whole.
bool CompleteImage(UpdateSession& session) {
  const bool unchanged = session.state.packageFile.Unchanged();
  session.state.packageFile.Close();
  if (!unchanged) {
    DebugLine("package changed during the update\n");
    FailUpdate(session, FailureReason::kPackageUnreadable);
    return false;
  }
  DebugLine("update successful\n");
  session.framedPhase = FramedPhase::kFinish;
  session.SetUpdateButton(true);
  return true;
}

void SendFinish(UpdateSession& session) {
  UpdateState& state = session.state;
  // Only the image that this update has just completed may end in success: a request
  // after dialog start, after a stop, or a second one after the finish is left alone.
  if (!session.packageConfirmed || state.transferPhase != TransferPhase::kStreaming) {
    DebugLine("data request ignored: no image completed\n");
    return;
  }
  session.EnterStage(UpdateStage::kRestarting);
  if (SendFirmwarePacket(session, kCommandFinish, nullptr, 0) == 0) {
    // The controller never learnt that the image is whole: not a success.
    FailUpdate(session, FailureReason::kWriteFailed);
    return;
  }
  // The worker's loop ends here; whether the controller took the finish is settled
  // by the worker (AwaitFinishVerdict) before the update is called a success.
  state.transferPhase = TransferPhase::kFinished;
  session.view.KillTransferTimer();
  session.stopRequested = 1;
}

// Sends the chunk in chunkBuffer; a chunk the controller did not get would leave a
// hole in its flash, so it ends the update.
bool SendChunk(UpdateSession& session, long k) {
  if (SendDataMessage(session, session.state.chunkBuffer().data(), static_cast<int>(k)) != 0) return true;
  FailUpdate(session, FailureReason::kWriteFailed);
  return false;
}

void SendFirstChunk(UpdateSession& session) {
  UpdateState& state = session.state;
  // The package was read moments ago; if it cannot be opened now, waiting for the
  // controller to ask again would not bring it back.
  if (!state.packageFile.Open(state.packagePath)) {
    DebugLine("package could not be opened\n");
    FailUpdate(session, FailureReason::kPackageUnreadable);
    return;
  }
  session.framedPhase = FramedPhase::kNextChunk;
  if (!state.packageFile.Seek(state.imageDataOffset())) {
    FailUpdate(session, FailureReason::kPackageUnreadable);
    return;
  }
  state.transferPhase = TransferPhase::kStreaming;
  if (state.imageLength() == 0) {
    // Nothing to stream: this request is the one that the finish answers.
    ShowProgress(session);
    if (CompleteImage(session)) SendFinish(session);
    return;
  }
  const long k = ReadChunk(session);
  if (k < 0) return FailUpdate(session, FailureReason::kPackageUnreadable);
  if (!SendChunk(session, k)) return;
  DebugLinef("update file is 0x%x\n", state.imageLength());
  state.imageSent() += static_cast<std::uint32_t>(k);
  session.view.StartTransferTimer();
  session.ReportProgress(state.imageSent(), state.imageLength(), state.imageSent(), state.imageLength());
  if (state.imageSent() >= state.imageLength()) {
    ShowProgress(session);
    CompleteImage(session);
  }
}

void SendNextChunk(UpdateSession& session) {
  UpdateState& state = session.state;
  // The package is closed after a stop; there is nothing left to send.
  if (!state.packageFile.IsOpen()) {
    DebugLine("data request ignored: update stopped\n");
    return;
  }
  state.transferPhase = TransferPhase::kStreaming;
  const long k = ReadChunk(session);
  if (k < 0) return FailUpdate(session, FailureReason::kPackageUnreadable);
  if (!SendChunk(session, k)) return;
  state.imageSent() += static_cast<std::uint32_t>(k);
  DebugLinef("\nSET_FIRMWARE_DATA read_pos %d offset 0x%x\n\n", static_cast<int>(k), state.imageSent());
  ShowProgress(session);
  if (state.imageSent() >= state.imageLength()) CompleteImage(session);
}

}  // namespace

std::uint32_t ProgressPercent(std::uint32_t sent, std::uint32_t length) {
  if (length == 0) return 100;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(sent) * 100 / length);
}

void OnDataRequest(UpdateSession& session) {
  switch (session.framedPhase.load()) {
    case FramedPhase::kFirstChunk:
      SendFirstChunk(session);
      break;
    case FramedPhase::kNextChunk:
      SendNextChunk(session);
      break;
    case FramedPhase::kFinish:
      SendFinish(session);
      break;
    case FramedPhase::kStarting:
      break;  // dialog start has not finished
  }
}

}  // namespace vantor::framed
