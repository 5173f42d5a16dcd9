#pragma once
// The answer to a controller's data request (command 20), by framedPhase: 1 opens the
// package and sends the first chunk, 2 sends the next chunk, 3 sends the finish
// command once the image of this update is complete. Runs on whichever thread read
// the request (the worker, or the dialog's thread during a probe).

#include <cstdint>

#include "session/UpdateSession.h"

namespace vantor::framed {

inline constexpr std::uint32_t kChunkSize = 32;

void OnDataRequest(UpdateSession& session);

// imageSent as a percentage of imageLength; an empty image counts as complete.
std::uint32_t ProgressPercent(std::uint32_t sent, std::uint32_t length);

}  // namespace vantor::framed
