#pragma once
// The framed update, driven by the controller: the worker's receive loop and its
// endings (stopped, controller gone, controller silent).

#include "session/UpdateSession.h"

namespace vantor::framed {

// The worker of one framed update (started by a click); ends with RefreshUpdateButton.
void Usb_UpdateThread(UpdateSession& session);

}  // namespace vantor::framed
