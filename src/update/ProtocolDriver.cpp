#include "update/ProtocolDriver.h"

#include "addressed/AddressedUpdate.h"
#include "framed/FramedProbe.h"
#include "framed/FramedUpdate.h"

namespace vantor {

const ProtocolDriver& DriverFor(hid::Protocol protocol) {
  static constexpr ProtocolDriver kFramed{framed::ProbeFramedDevice, framed::Usb_UpdateThread};
  static constexpr ProtocolDriver kAddressed{addressed::QueryAddressedDevice, addressed::AddressedUpdateThread};
  switch (protocol) {
    case hid::Protocol::kAddressed:
      return kAddressed;
    case hid::Protocol::kFramed:
      break;
  }
  return kFramed;
}

void ProbeDevice(UpdateSession& session) {
  if (session.workerActive()) return;
  session.deviceVersion = kVersionNotReported;
  session.probe = ProbeFacts{};
  const std::optional<hid::FoundController> detected = session.hid.Detected();
  if (!detected || session.hid.OpenDevice(detected->path) == 0) return;
  session.EnterStage(UpdateStage::kProbing);
  DriverFor(detected->protocol).probe(session);
  session.EnterStage(UpdateStage::kIdle);
}

}  // namespace vantor
