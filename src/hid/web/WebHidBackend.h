#pragma once
// The browser's HID services (WebHID, navigator.hid) behind the report channel's seam.
// A page reaches only the devices its user has chosen in the browser's chooser (or
// that a policy grants its origin): Enumerate lists those, by paths "webhid:N".
//
// Threads: the page has one. Open, Write and Read wait on the browser's promises under
// ASYNCIFY (the event loop runs meanwhile); a read waits for the device's next input
// report, its disconnection or its time-out, whichever comes first.

#include <memory>
#include <string>

#include "hid/HidBackend.h"

namespace vantor::hid {

// Null with `error` saying why when the browser has no WebHID (Firefox, Safari, or a
// page that is not a secure context).
std::unique_ptr<HidBackend> CreateWebHidBackend(std::string* error);

// Puts the browser's chooser up for the supported controllers; those the user picks
// join the devices Enumerate lists. Must run within a user's click on the page. How
// many were chosen: 0 when the chooser was dismissed or showed nothing, -1 without
// WebHID.
int RequestWebHidDevices();

// The supported controllers granted to the page before (chosen once, or by a policy)
// that are plugged in join the devices Enumerate lists, without the chooser: for the
// page's start and WebHID's connect events. How many: -1 without WebHID.
int AddGrantedWebHidDevices();

// Closes and forgets every chosen device. A controller that has restarted after its
// update is another device to the browser; holding the old one would only fail later.
void ForgetWebHidDevices();

}  // namespace vantor::hid
