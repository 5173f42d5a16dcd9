#pragma once
// What the dialog says, composed from the update's facts (never from another text):
// the failure box, the instruction text of a stage, the box for a controller that
// could not be opened. Pure functions in the user's language; callable from any thread.

#include <optional>
#include <string>

#include "hid/HidBackend.h"
#include "session/PackageOffer.h"
#include "session/UpdateResult.h"
#include "workflow/Diagnosis.h"

namespace vantor::win32 {

// The failure box: the procedures' own text first (`seedText`, its blank lines
// dropped), then the reason and the next step, each a paragraph of its own.
std::string FailureBoxText(const UpdateResult& result, const std::string& seedText);

// The confirmation: the procedures' question first (`seedQuestion`, with whether the
// new version is older than or the same as the installed one), then the installed
// version when the controller reported one, and for the addressed controller whether
// its radio image is written too.
std::string ConfirmationBoxText(const PackageOffer& offer, const std::string& seedQuestion);

// The instruction text while an update is in `stage`; nothing for the stages that keep
// the boot-mode instructions (no update, probing, choosing the package).
std::optional<std::string> StageInstruction(UpdateStage stage);

// The instruction text while no update runs: the boot-mode instructions, unless the
// checks found why no controller can be updated and the user can do something the
// instructions do not say (a controller in its normal mode, one that another program
// has open, HID services that cannot be used).
std::string IdleInstruction(const workflow::Diagnosis& diagnosis);

// Why a click could not open the controller; nothing when no open failed.
std::optional<std::string> OpenFailureText(hid::OpenError error);

// A box's text without the blank lines and spaces the procedures put around it.
std::string WithoutSurroundingBlanks(const std::string& text);

}  // namespace vantor::win32
