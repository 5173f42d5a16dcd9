#pragma once
#include "session/UpdateSession.h"

namespace vantor {

// On the worker thread at the start of every update: the user picks a package, the
// section for the update's target controller (and, in a package of 0x10000 bytes or
// more, the Bluetooth LE section) is found, the record filled and the version
// confirmed. A truncated package, or one with nothing to write, is refused with a
// message before anything reaches the controller. 1 = confirmed (the protocol goes on
// from here); 0 otherwise, with the update concluded (session.result() says why).
int SelectPackage(UpdateSession& session);

// The confirmation question: text slot 5, the version (FirmwareVersionText) and "\n".
std::string ConfirmationText(std::uint16_t version, std::uint16_t beta);

}  // namespace vantor
