#include "framed/FramedUpdate.h"

#include "base/DebugOutput.h"
#include "base/Platform.h"
#include "framed/FramedBounds.h"
#include "framed/FramedDispatch.h"
#include "framed/FramedEndings.h"
#include "framed/FramedMessages.h"

namespace vantor::framed {
namespace {

enum class LoopEnd { kStopped, kVanished, kSilent };

// The finish has no answer. A controller that takes it starts its new firmware, and its
// boot-mode device leaves the bus; one that cannot take it (its image is not whole: a
// data request came twice and a chunk went missing) refuses it, queued behind any
// answer of its still on the way. Nothing else tells the two apart, silence least of
// all (a lost finish, a controller that hung): success waits this long for the
// controller to go, longer than a restart takes.
constexpr std::uint32_t kFinishRestartMs = 3000;

// Reads until an ending sets stopRequested, the controller has vanished, or it has
// been silent for too long. Each pass finishes its message before the test, so no
// report is ever left half-sent.
LoopEnd ReceiveLoop(UpdateSession& session) {
  std::uint64_t heardAt = session.clock.NowMs();
  int vanishedReads = 0;
  do {
    const Received received = ReceiveOnce(session);
    vanishedReads = IsVanishedRead(received.result) ? vanishedReads + 1 : 0;
    // Measured from the end of the handling: a file dialog open meanwhile is not silence.
    if (received.actedOn) heardAt = session.clock.NowMs();
    if (session.stopRequested != 0) break;
    if (vanishedReads >= kGoneAfterFailedReads) return LoopEnd::kVanished;
    if (session.clock.NowMs() - heardAt > kWorkerSilenceLimitMs) return LoopEnd::kSilent;
  } while (session.stopRequested == 0);
  return LoopEnd::kStopped;
}

// After the finish: the controller leaving (success), its refusal, or, when the bound
// passes with neither, a failure that says the update could not be confirmed.
void AwaitFinishVerdict(UpdateSession& session) {
  const std::uint64_t deadline = session.clock.NowMs() + kFinishRestartMs;
  std::uint8_t* area = session.receiveArea.data();
  int vanishedReads = 0;
  while (session.clock.NowMs() < deadline) {
    const std::uint32_t result = session.hid.ReadHid(area, static_cast<std::uint8_t>(hid::kReportDataSize));
    vanishedReads = IsVanishedRead(result) ? vanishedReads + 1 : 0;
    if (vanishedReads >= kGoneAfterFailedReads) {
      DebugLine("controller restarted\n");
      ReportUpdateSuccess(session);
      return;
    }
    if (result != hid::kReadOk) continue;
    const ReceivedMessage message{area + 1};
    if (message.wellFormed() && message.type() == kTypeCommand &&
        (message.command() == kCommandFailure || message.command() == kCommandFailureAlt)) {
      DebugLinef("finish refused with %d\n", message.command());
      FailUpdate(session, FailureReason::kControllerRefused, message.command());
      return;
    }
  }
  DebugLinef("no restart within %u ms of the finish\n", kFinishRestartMs);
  FailUpdate(session, FailureReason::kUnconfirmed);
}

void EndWorker(UpdateSession& session) {
  RefreshUpdateButton(session);
  DebugLine("Exit Usb_UpdateThread\n");
}

}  // namespace

void Usb_UpdateThread(UpdateSession& session) {
  // The framed bootloader has no read command: a read-back alone cannot be done, and
  // is never turned into an update. (Front ends refuse it before the click.)
  if (session.verifyOnly) {
    session.Conclude(UpdateOutcome::kFailed);
    EndWorker(session);
    return;
  }
  const int sent = SendControlMessage(session, kTypeStart, 0);
  if (sent == 0) {
    DebugLinef("send() failed with error code %d\n", platform::LastSystemError());
    // Without a start message the controller never answers: end now, and leave the
    // button as the presence check finds it rather than disabled by the click.
    FailUpdate(session, FailureReason::kWriteFailed);
    EndWorker(session);
    return;
  }
  DebugLine("send() is OK!\n");
  DebugLinef("Bytes Sent: %d\n", sent);

  switch (ReceiveLoop(session)) {
    case LoopEnd::kVanished:
      DebugLine("controller gone\n");
      FailUpdate(session, FailureReason::kUnplugged);
      break;
    case LoopEnd::kSilent:
      DebugLinef("controller silent for %u ms\n", kWorkerSilenceLimitMs);
      FailUpdate(session, FailureReason::kNoAnswer);
      break;
    case LoopEnd::kStopped:
      if (session.outcome != UpdateOutcome::kNone) break;
      if (session.state.transferPhase == TransferPhase::kFinished) {
        AwaitFinishVerdict(session);
      } else if (session.interruptRequested) {
        StopUpdate(session);
        session.Conclude(UpdateOutcome::kInterrupted);
      }
      break;
  }
  EndWorker(session);
}

}  // namespace vantor::framed
