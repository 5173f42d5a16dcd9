#include "addressed/AddressedUpdate.h"

namespace vantor::addressed {

void QueryAddressedDevice(UpdateSession&) {}
void RunAddressedUpdate(UpdateSession& session) { RefreshUpdateButton(session); }
void AddressedUpdateThread(UpdateSession& session) { RunAddressedUpdate(session); }

}  // namespace vantor::addressed
