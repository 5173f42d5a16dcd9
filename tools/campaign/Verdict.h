#pragma once
// The campaign's judgement of one run, made from what the emulated controller holds and
// was told and from the outcome the updater recorded, never from the updater's boxes
// or its own checks.
//
// A run keeps the promises when it ends either
// - in success (UpdateOutcome::kSucceeded) with the flash holding the image byte for
//   byte, the version word (and the radio's check word and version) stamped, and the
//   controller told to run (addressed: the run command reached it; framed: the finish
//   after the whole image), or
// - in any other outcome with the controller still in boot mode (never told to run)
//   and no version (nor the radio's check word) stamped over an image the flash does
//   not hold; a failure that says it could not be confirmed (FailureReason::
//   kUnconfirmed) may have left the controller told to run or not;
// and in both cases nothing was written outside the image's own ranges and the stamp
// addresses, and a damaged package was refused before the first erase. An image that
// covers a stamp address holds the stamp there, not its own bytes.

#include <string>

#include "RunPlan.h"
#include "session/UpdateResult.h"
#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"

namespace vantor::campaign {

struct Verdict {
  bool succeeded = false;  // the updater recorded a success
  bool kept = true;        // every promise held
  std::string broken;      // which promise broke and how (empty when kept)
};

Verdict JudgeAddressed(const RunPlan& plan, const UpdateResult& result, const sim::AddressedEmulator& emulator);
Verdict JudgeFramed(const RunPlan& plan, const UpdateResult& result, const sim::FramedEmulator& emulator);

}  // namespace vantor::campaign
