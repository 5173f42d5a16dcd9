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

void EndWorker(UpdateSession& session) {
  RefreshUpdateButton(session);
  DebugLine("Exit Usb_UpdateThread\n");
}

}  // namespace

void Usb_UpdateThread(UpdateSession& session) {
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
      if (session.interruptRequested && session.outcome == UpdateOutcome::kNone) {
        StopUpdate(session);
        session.Conclude(UpdateOutcome::kInterrupted);
      }
      break;
  }
  EndWorker(session);
}

}  // namespace vantor::framed
