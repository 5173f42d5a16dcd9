#include "framed/FramedProbe.h"

#include "base/DebugOutput.h"
#include "framed/FramedBounds.h"
#include "framed/FramedDispatch.h"
#include "framed/FramedMessages.h"

namespace vantor::framed {

void ProbeFramedDevice(UpdateSession& session) {
  SendFirmwarePacket(session, kCommandVersionQuery, nullptr, 0);
  // Bounded: this runs on the dialog's thread, which must not hang on a mute controller.
  const std::uint64_t deadline = session.clock.NowMs() + kProbeWaitMs;
  int vanishedReads = 0;
  for (int reads = 0; session.deviceVersion == kVersionNotReported; ++reads) {
    if (reads >= kProbeMaxReads || session.clock.NowMs() >= deadline) {
      DebugLine("no version reported\n");
      return;
    }
    const Received received = ReceiveOnce(session);
    vanishedReads = IsVanishedRead(received.result) ? vanishedReads + 1 : 0;
    if (vanishedReads >= kGoneAfterFailedReads) return;
  }
}

}  // namespace vantor::framed
