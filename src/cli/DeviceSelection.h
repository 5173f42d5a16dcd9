#pragma once
// The workflow's choices in the command line's words: where the controllers come from
// (--simulate or USB), which of them --device names, and their locks.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/LocalizedText.h"
#include "cli/CliOptions.h"
#include "hid/CHid.h"
#include "workflow/AttachedControllers.h"
#include "workflow/ControllerLock.h"
#include "workflow/Environment.h"

namespace vantor::cli {

// The emulated controllers the options ask for (none: USB).
workflow::SimulationSettings SimulationOf(const CommonOptions& options);
// Why the emulation was refused: the environment's words, or the user's language where
// the fault named (`fault`) is what it lacks.
std::string SimulationProblemText(const workflow::Environment::Made& made, const std::string& fault);
// The environment, or null with the problem said and `exitCode` set: bad simulation
// options are usage (2), an unusable HID library 5.
std::unique_ptr<workflow::Environment> OpenEnvironment(const CommonOptions& options, int* exitCode);

// A string a device reports (serial number, location, path) as it may be printed: its
// control characters as \xNN (\u00NN for C1), so a controller cannot send the
// terminal an escape sequence.
std::string Printable(const std::string& text);

// How to tell the controller apart on a bench: its location and its serial number
// (the port it is on, and which unit it is), else whichever is known, else its path.
std::string ShortName(const hid::FoundController& controller);
// "sim-1  2dc8:3002  addressed  serial VTSIM0001  at 9-1"
std::string DescribeController(const hid::FoundController& controller);
// The same in its five cells (path, ids, protocol, serial number, location; a cell the
// controller does not tell is empty), for a table of controllers.
std::vector<std::string> ControllerCells(const hid::FoundController& controller);

struct Selection {
  std::vector<hid::FoundController> controllers;
  std::optional<int> exitCode;  // set (and said) when the command must not go on
};

// The controllers a command works on among `attached`. `several`: the command may
// take more than one (flash --all). Refuses, naming what is attached: a --device that
// matches nothing (exit 3), several without --device or --all (exit 2), none (exit 3).
Selection SelectControllers(const CommonOptions& options, const std::vector<hid::FoundController>& attached,
                            bool several);

// The controller's lock, or null with the refusal said and `exitCode` set. `busyText`:
// what to say when another process holds it.
std::unique_ptr<workflow::ControllerLock> LockOrSay(const CommonOptions& options, const hid::FoundController& controller,
                                                    TextSlot busyText, int* exitCode);

}  // namespace vantor::cli
