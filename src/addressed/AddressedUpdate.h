#pragma once
// The addressed update, driven by the updater: the detection query and the update
// procedure (main image, then the Bluetooth LE image when the package carries one).

#include "app/UpdateSession.h"

namespace vantor::addressed {

// On the UI thread, after the channel was opened for the probe.
void QueryAddressedDevice(UpdateSession& session);
// The update procedure; ends with RefreshUpdateButton on every path.
void RunAddressedUpdate(UpdateSession& session);
// The worker entry started by a click.
void AddressedUpdateThread(UpdateSession& session);

}  // namespace vantor::addressed
