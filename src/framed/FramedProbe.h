#pragma once
#include "session/UpdateSession.h"

namespace vantor::framed {

// After detection, on the UI thread, with the channel open: asks the controller for
// its version and waits, bounded, for the report (title, or the boot-mode
// instructions for a controller without firmware). With probeReadsMode it then asks
// for the device information too, into probe.inBootMode; that answer is only
// recorded, never acted on.
void ProbeFramedDevice(UpdateSession& session);

}  // namespace vantor::framed
