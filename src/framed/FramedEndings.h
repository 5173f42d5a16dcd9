#pragma once
// How a framed update stops: quietly (the user's choice, a refusal) or with the
// failure box. Shared by the receive loop and the answers to data requests.

#include <cstdint>

#include "session/UpdateSession.h"

namespace vantor::framed {

// Closes the package, forgets the transfer, ends the worker's loop.
void StopUpdate(UpdateSession& session);
// StopUpdate, then the failure box, concluding the update as failed for `reason`.
void FailUpdate(UpdateSession& session, FailureReason reason, std::uint32_t code = 0);

}  // namespace vantor::framed
