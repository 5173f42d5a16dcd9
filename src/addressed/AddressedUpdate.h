#pragma once
// The addressed update, driven by the updater: the detection query and the update
// procedure (main image, then the Bluetooth LE image when the package carries one).
//
// Outcomes. An update ends in exactly one of: the success box (kSucceeded), the
// failure box (kFailed, with the reason of the first stage that did not complete),
// no box after an interruption at a safe point (kInterrupted: between chunks or erase
// polls), or what SelectPackage decided.

#include "session/UpdateSession.h"

namespace vantor::addressed {

// On the UI thread, after the channel was opened for the probe: type, variant and
// version into the record, the title and session.probe; the radio's version after a
// package with a radio image (or when session.probeReadsRadioVersion). Does nothing
// while an update worker owns the channel.
void QueryAddressedDevice(UpdateSession& session);
// The update procedure; ends with RefreshUpdateButton on every path.
void RunAddressedUpdate(UpdateSession& session);
// The worker entry started by a click.
void AddressedUpdateThread(UpdateSession& session);

}  // namespace vantor::addressed
