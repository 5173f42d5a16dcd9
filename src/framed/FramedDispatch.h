#pragma once
// The messages a framed controller sends, and what the update does with each: device
// information (boot mode or not, then the package choice), the version report, data
// requests, failures. One pass of reading and dispatching is shared by the worker's
// loop and the version probe.

#include <cstdint>

#include "session/UpdateSession.h"

namespace vantor::framed {

struct Received {
  std::uint32_t result = hid::kReadOk;
  bool actedOn = false;  // the message was one the update acts on
};

// Reads one report into receiveArea and dispatches its message; a read that brought
// nothing is answered with the no-report message, as the bootloader expects.
Received ReceiveOnce(UpdateSession& session);

// A read that says the controller is gone (refused at once, or the channel closed).
bool IsVanishedRead(std::uint32_t result);

void OnFramedMessage(UpdateSession& session, const std::uint8_t* message, std::uint8_t count);
void OnDeviceInfo(UpdateSession& session, const std::uint8_t* message);
void OnFramedCommand(UpdateSession& session, const std::uint8_t* body);

}  // namespace vantor::framed
