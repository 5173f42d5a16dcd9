#include "framed/FramedDispatch.h"

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/LittleEndian.h"
#include "base/LocalizedText.h"
#include "framed/FramedDataRequest.h"
#include "framed/FramedEndings.h"
#include "framed/FramedMessages.h"
#include "session/SelectPackage.h"

namespace vantor::framed {
namespace {

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

// The package is confirmed: announce the image; the controller erases, then asks for
// the first chunk.
void SendImageHeader(UpdateSession& session) {
  UpdateState& state = session.state;
  session.framedPhase = FramedPhase::kFirstChunk;
  session.EnterStage(UpdateStage::kWritingMain);
  SendHeaderMessage(session, state.firmwareVersion(), state.imageAddress(), state.imageLength());
  DebugLinef("desVersion is %d\n", static_cast<int>(state.firmwareVersion()));
}

}  // namespace

bool IsVanishedRead(std::uint32_t result) { return result == hid::kReadFailed || result == hid::kReadAbandoned; }

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

void OnFramedMessage(UpdateSession& session, const std::uint8_t* message, std::uint8_t /*count*/) {
  Dispatch(session, message);
}

void OnDeviceInfo(UpdateSession& session, const std::uint8_t* message) {
  const std::uint32_t type = ReceivedMessage{message}.firmwareType();
  session.firmwareType = static_cast<int>(type);
  DebugLinef("firmware type %d\n", static_cast<int>(type));
  if (IsBootMode(type)) {
    if (SelectPackage(session) == 1) {
      SendImageHeader(session);
    } else {
      StopUpdate(session);
    }
    return;
  }
  StopUpdate(session);
  session.Conclude(UpdateOutcome::kNotInBootMode);
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
      FailUpdate(session, FailureReason::kControllerRefused, body[0]);
      break;
    default:
      break;
  }
}

}  // namespace vantor::framed
