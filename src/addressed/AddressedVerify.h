#pragma once
// Reading back what an addressed update wrote, before the controller is restarted: the
// main image and its version word, and with a radio image that image, its check word
// and its version, compared with the package 46 bytes at a time (the memory read
// command). The framed bootloader has no read command, so only addressed controllers
// can be verified.

#include <cstdint>

#include "session/UpdateSession.h"

namespace vantor::addressed {

struct VerifyEnd {
  bool matches = true;
  FailureReason reason = FailureReason::kNone;  // kReadBackMismatch, or why the reads failed
  std::uint32_t firstBadAddress = 0;            // kReadBackMismatch: the first address that differs
};

// Compares the controller's flash with the confirmed package in session.state, as the
// update wrote it. Reports bytes read as progress of the verifying stage.
VerifyEnd VerifyWrittenImage(UpdateSession& session);

// `verify FILE` on a controller in boot mode: SelectPackage, then the read-back alone.
// Concludes the session: kSucceeded when everything matches, else kFailed with the
// reason (kReadBackMismatch: result().code is the first differing address). Runs on
// the calling thread with the channel open; nothing is written to the controller.
void VerifyPackage(UpdateSession& session);

}  // namespace vantor::addressed
