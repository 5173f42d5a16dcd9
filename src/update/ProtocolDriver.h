#pragma once
// The one place where a controller's protocol chooses the code that talks to it: the
// probe after detection and the worker of an update.

#include "hid/SupportedDevices.h"
#include "session/UpdateSession.h"

namespace vantor {

struct ProtocolDriver {
  // After detection, with the channel open, on the UI thread: version into the title.
  void (*probe)(UpdateSession& session);
  // The worker of one update; ends with RefreshUpdateButton.
  void (*update)(UpdateSession& session);
};

const ProtocolDriver& DriverFor(hid::Protocol protocol);

// After a successful detection, on the UI thread: opens the channel on the detected
// controller and runs its protocol's probe. Bounded; does nothing while an update
// worker owns the channel (the controller probes again once it has ended).
void ProbeDevice(UpdateSession& session);

}  // namespace vantor
