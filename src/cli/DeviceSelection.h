#pragma once
// Which of the attached controllers a command works on: `--device` names one by path,
// serial number or location; with several attached and neither `--device` nor `--all`
// nothing is chosen for the user.

#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "hid/CHid.h"

namespace vantor::cli {

// Every supported controller attached, in detection order.
std::vector<hid::FoundController> AttachedControllers(hid::HidBackend& backend);

// True when `device` is the controller's path, serial number or location.
bool MatchesDevice(const hid::FoundController& controller, const std::string& device);
// The controllers `options.device` names (all of them when it is empty).
std::vector<hid::FoundController> Named(const CommonOptions& options, const std::vector<hid::FoundController>& attached);

// How to tell the controller apart on a bench: its location, else its serial number,
// else its path.
std::string ShortName(const hid::FoundController& controller);
// "sim-1  2dc8:3002  addressed  serial VTSIM0001  at 9-1"
std::string DescribeController(const hid::FoundController& controller);

struct Selection {
  std::vector<hid::FoundController> controllers;
  std::optional<int> exitCode;  // set (and said) when the command must not go on
};

// The controllers a command works on among `attached`. `several`: the command may
// take more than one (flash --all). Refuses, naming what is attached: a --device that
// matches nothing (exit 3), several without --device or --all (exit 2), none (exit 3).
Selection SelectControllers(const CommonOptions& options, const std::vector<hid::FoundController>& attached,
                            bool several);

}  // namespace vantor::cli
