#include "framed/FramedProbe.h"

#include "base/DebugOutput.h"
#include "framed/FramedBounds.h"
#include "framed/FramedDispatch.h"
#include "framed/FramedMessages.h"

namespace vantor::framed {
namespace {

// The version report reads the same from the bootloader and from the normal firmware;
// only the device information that a start message draws tells them apart. A start
// message is where every update begins, and a controller that gets no header after it
// just waits, as it does when the user declines the offer. The answer is read here
// rather than dispatched: dispatching it would start choosing a package.
void ProbeFramedMode(UpdateSession& session) {
  if (SendControlMessage(session, kTypeStart, 0) == 0) return;
  const std::uint64_t deadline = session.clock.NowMs() + kProbeWaitMs;
  std::uint8_t* area = session.receiveArea.data();
  int vanishedReads = 0;
  for (int reads = 0; reads < kProbeMaxReads && session.clock.NowMs() < deadline; ++reads) {
    const std::uint32_t result = session.hid.ReadHid(area, static_cast<std::uint8_t>(hid::kReportDataSize));
    if (result != hid::kReadOk) {
      vanishedReads = IsVanishedRead(result) ? vanishedReads + 1 : 0;
      if (vanishedReads >= kGoneAfterFailedReads) return;
      SendControlMessage(session, kTypeNoReport, 0);
      continue;
    }
    vanishedReads = 0;
    const ReceivedMessage message{area + 1};
    if (message.wellFormed() && message.type() == kTypeDeviceInfo) {
      session.probe.inBootMode = IsBootMode(message.firmwareType());
      DebugLinef("probe: firmware type %d\n", static_cast<int>(message.firmwareType()));
      return;
    }
  }
  DebugLine("no device information reported\n");
}

}  // namespace

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
  if (session.probeReadsMode) ProbeFramedMode(session);
}

}  // namespace vantor::framed
