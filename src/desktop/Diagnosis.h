#pragma once
// What the window says instead of a bare disabled button: why no controller can be
// updated (the HID library is missing, none is attached, this user may not open it,
// another program holds it) and, for access, the exact command that fixes it. Pure
// functions of what the environment and the probe found; any thread.

#include <optional>
#include <string>
#include <vector>

#include "workflow/ControllerReport.h"

namespace vantor::desktop {

enum class EmptyKind {
  kNone,          // a controller is there and can be updated
  kNoHidLibrary,  // the system's HID library cannot be had
  kNoController,  // nothing supported attached
  kNoAccess,      // attached, but this user may not open it
  kBusy,          // another program holds it
  kUnopenable,    // attached, but it could not be opened
};

struct EmptyState {
  EmptyKind kind = EmptyKind::kNone;
  std::string text;
  std::string command;  // to copy into a terminal (kNoAccess); empty otherwise
};

// Where the access rule is: `installed`, a copy udev already reads (then only a reload
// is missing), and `source`, the file to install from when it is not.
struct RulePlaces {
  std::optional<std::string> installed;
  std::string source = "70-vantor-update.rules";
};

inline constexpr const char* kRuleFileName = "70-vantor-update.rules";

// The rule among udev's folders, and a copy to install from among `candidates` (the
// first that exists; else the bare file name).
RulePlaces FindRule(const std::vector<std::string>& udevFolders, const std::vector<std::string>& candidates);
// udev's rules folders, in the order it reads them.
std::vector<std::string> UdevRuleFolders();

// The shell command that installs (or only reloads) the rule; paths are quoted.
std::string UdevCommand(const RulePlaces& places);

EmptyState NoHidLibrary(const std::string& detail);
// The empty state for the probe's report (kNone when it can be updated).
EmptyState Diagnose(const workflow::ControllerReport& report, const RulePlaces& places);

}  // namespace vantor::desktop
