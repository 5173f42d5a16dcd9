#pragma once
// The framed update, driven by the controller: the worker's receive loop, the dispatch
// of received messages, the stop and failure paths, and the version probe.

#include <cstdint>

#include "app/UpdateSession.h"

namespace vantor::framed {

// The worker of one framed update (started by a click).
void Usb_UpdateThread(UpdateSession& session);
// After a successful detection, on the UI thread: opens the channel and learns the
// controller's version (addressed controllers: QueryAddressedDevice). Bounded.
void ProbeDevice(UpdateSession& session);

void OnFramedMessage(UpdateSession& session, const std::uint8_t* message, std::uint8_t count);
void OnDeviceInfo(UpdateSession& session, const std::uint8_t* message);
void OnFramedCommand(UpdateSession& session, const std::uint8_t* body);
void StopUpdate(UpdateSession& session);
void FailUpdate(UpdateSession& session);

}  // namespace vantor::framed
