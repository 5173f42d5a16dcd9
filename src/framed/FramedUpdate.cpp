#include "framed/FramedUpdate.h"

#include "addressed/AddressedUpdate.h"
#include "app/DebugOutput.h"
#include "app/Format.h"
#include "app/LittleEndian.h"
#include "app/LocalizedText.h"
#include "framed/FramedBounds.h"
#include "framed/FramedDataRequest.h"
#include "framed/FramedMessages.h"
#include "framed/LastSystemError.h"
#include "package/SelectPackage.h"

namespace vantor::framed {
namespace {

struct Received {
  std::uint32_t result = hid::kReadOk;
  bool actedOn = false;  // the message was one the update acts on
};

bool IsVanishedRead(std::uint32_t result) { return result == hid::kReadFailed || result == hid::kReadAbandoned; }

// Dispatches one message; true when it was one of the messages the update acts on
// (whatever the action was), false when it was ignored.
bool Dispatch(UpdateSession& session, const std::uint8_t* message) {
  const ReceivedMessage received{message};
  if (!received.wellFormed()) return false;
  if (received.type() == kTypeDeviceInfo) {
    OnDeviceInfo(session, message);
    return true;
  }
  if (received.type() != kTypeCommand) return false;
  switch (received.command()) {
    case kCommandVersionReport:
    case kCommandDataRequest:
    case kCommandFailure:
    case kCommandFailureAlt:
      OnFramedCommand(session, message + 4);
      return true;
    default:
      return false;
  }
}

// One pass of the receive loop, shared by the worker and the probe.
Received ReceiveOnce(UpdateSession& session) {
  std::uint8_t* area = session.receiveArea.data();
  Received received;
  received.result = session.hid.ReadHid(area, static_cast<std::uint8_t>(hid::kReportDataSize));
  if (received.result == hid::kReadOk) {
    DebugLinef(" %d Bytes received from sender\n", area[0]);
    received.actedOn = Dispatch(session, area + 1);
  } else {
    DebugLinef("recv() failed with error code 0x%x\n", received.result);
    SendControlMessage(session, kTypeNoReport, 0);
  }
  return received;
}

std::string VersionTitle(std::uint32_t word) {
  const std::string product = ProductTitle();
  const std::uint32_t beta = word >> 16;
  if (beta != 0) {
    return Format("%s(GamePad V%0.2f beta%d)", product.c_str(), (word & 0xFFFF) / 100.0, static_cast<int>(beta));
  }
  return Format("%s(GamePad V%0.2f)", product.c_str(), word / 100.0);
}

void OnVersionReport(UpdateSession& session, const std::uint8_t* body) {
  const std::uint32_t word = Load32(body + 3);  // message offsets 7..10
  session.deviceVersion = word;
  DebugLinef("cur_devVersion 0x%x\n", word);
  if (word == kNoFirmware) {
    session.view.ShowMessage(LocalizedText(text::kInstructions), ProductTitle(), MessageButtons::kOk);
    return;
  }
  session.view.SetTitle(VersionTitle(word));
}

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
    DebugLinef("send() failed with error code %d\n", LastSystemError());
    // Without a start message the controller never answers: end now, and leave the
    // button as the presence check finds it rather than disabled by the click.
    FailUpdate(session);
    EndWorker(session);
    return;
  }
  DebugLine("send() is OK!\n");
  DebugLinef("Bytes Sent: %d\n", sent);

  switch (ReceiveLoop(session)) {
    case LoopEnd::kVanished:
      DebugLine("controller gone\n");
      FailUpdate(session);
      break;
    case LoopEnd::kSilent:
      DebugLinef("controller silent for %u ms\n", kWorkerSilenceLimitMs);
      FailUpdate(session);
      break;
    case LoopEnd::kStopped:
      if (session.interruptRequested && session.outcome == UpdateOutcome::kNone) {
        StopUpdate(session);
        session.outcome = UpdateOutcome::kInterrupted;
      }
      break;
  }
  EndWorker(session);
}

void ProbeDevice(UpdateSession& session) {
  // The running update owns the channel; the controller probes again once it ends.
  if (session.workerActive()) return;
  session.deviceVersion = kVersionNotReported;
  if (session.hid.OpenDevice() == 0) return;
  if (session.hid.isAddressedDevice == 1) {
    addressed::QueryAddressedDevice(session);
    return;
  }
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

void OnFramedMessage(UpdateSession& session, const std::uint8_t* message, std::uint8_t /*count*/) {
  Dispatch(session, message);
}

void OnDeviceInfo(UpdateSession& session, const std::uint8_t* message) {
  const std::uint32_t type = ReceivedMessage{message}.firmwareType();
  session.firmwareType = static_cast<int>(type);
  DebugLinef("firmware type %d\n", static_cast<int>(type));
  if (IsBootMode(type)) {
    // A confirmed package has sent the header; the controller's data requests follow.
    if (package::SelectPackage(session) == 0) StopUpdate(session);
    return;
  }
  StopUpdate(session);
  session.outcome = UpdateOutcome::kNotInBootMode;
  const std::string text = Format("%s\n", LocalizedText(text::kNotInBootMode).c_str());
  DebugLine(text);
  session.view.ShowMessage(text, ProductTitle(), MessageButtons::kOk);
}

void OnFramedCommand(UpdateSession& session, const std::uint8_t* body) {
  switch (body[0]) {
    case kCommandVersionReport:
      OnVersionReport(session, body);
      break;
    case kCommandDataRequest:
      OnDataRequest(session);
      break;
    case kCommandFailure:
    case kCommandFailureAlt:
      FailUpdate(session);
      break;
    default:
      break;
  }
}

void StopUpdate(UpdateSession& session) {
  session.state.packageFile.Close();
  session.state.transferPhase = 0;
  session.view.KillTransferTimer();
  session.stopRequested = 1;
}

void FailUpdate(UpdateSession& session) {
  StopUpdate(session);
  ReportUpdateFailure(session);
  // While the worker runs the gate keeps the button off; its presence check follows.
  if (session.hid.m_bDevicePresent == 1) session.SetUpdateButton(true);
}

}  // namespace vantor::framed
