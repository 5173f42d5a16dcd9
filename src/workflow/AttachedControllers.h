#pragma once
// The supported controllers attached, and which of them a front end works on: one is
// named by its path, serial number or USB location; with several attached and none
// named, nothing is chosen for the user.

#include <optional>
#include <string>
#include <vector>

#include "hid/CHid.h"

namespace vantor::workflow {

// Every supported controller attached, in detection order.
std::vector<hid::FoundController> AttachedControllers(hid::HidBackend& backend);

// True when `name` is the controller's path, serial number or location.
bool Names(const std::string& name, const hid::FoundController& controller);
// The controllers `name` names among `attached` (all of them when it is empty).
std::vector<hid::FoundController> NamedAmong(const std::string& name, const std::vector<hid::FoundController>& attached);

// What tells a controller apart on a bench: the port it is plugged into, else its
// serial number, else its path, with its ids ("2dc8:3002 at 1-2.3"). A unit is the
// same unit while its key is.
std::string UnitKey(const hid::FoundController& controller);

enum class SelectionProblem {
  kNone,
  kNoneAttached,  // no supported controller at all
  kNoMatch,       // `name` names none of those attached
  kSeveral,       // several attached (or named) and the front end takes one
};

struct Selection {
  std::vector<hid::FoundController> controllers;  // empty unless kNone
  SelectionProblem problem = SelectionProblem::kNone;
  std::vector<hid::FoundController> attached;  // what was there, for the front end to show
};

// The controllers to work on among `attached`. `several`: more than one may be taken
// (a bench updates them all).
Selection Select(const std::vector<hid::FoundController>& attached, const std::string& name, bool several);

}  // namespace vantor::workflow
