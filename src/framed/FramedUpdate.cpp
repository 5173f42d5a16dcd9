#include "framed/FramedUpdate.h"

#include "addressed/AddressedUpdate.h"

namespace vantor::framed {

void Usb_UpdateThread(UpdateSession& session) { RefreshUpdateButton(session); }

void ProbeDevice(UpdateSession& session) {
  session.deviceVersion = kVersionNotReported;
  if (session.hid.OpenDevice() == 0) return;
  if (session.hid.isAddressedDevice == 1) addressed::QueryAddressedDevice(session);
}

}  // namespace vantor::framed
