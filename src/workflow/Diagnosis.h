#pragma once
// Why a controller is not found or cannot be opened, as the product says it wherever a
// controller is missing (`doctor`, the command line's exit-3/4 messages, the desktop
// app's empty state). Each check says what it found and, when it fails, which one
// next step fixes it; front ends word them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "workflow/SystemView.h"

namespace vantor::workflow {

enum class Check {
  kHidLibrary,   // the system's HID library can be loaded (Windows: its HID services used)
  kUdevRule,     // a rule grants access to the supported controllers (where udev decides)
  kController,   // one supported controller: can this user open it?
  kNormalMode,   // a controller of the vendor attached in its normal mode
  kNoController, // no supported controller attached
  kRuleFolder,   // where a rule can be installed (read-only /usr; where udev decides)
};

enum class Finding {
  kOk,
  // kHidLibrary
  kLibraryMissing,
  kHidServicesUnusable,  // the library is there, the system's HID device class is not
  // kUdevRule
  kRuleMissing,
  kRuleShadowed,       // a file of the same name earlier in udev's order hides it
  kRuleLacksIds,       // the rule does not name every supported id
  // kController
  kHeldElsewhere,      // another process has the node open
  kNoAccessNoRule,     // no access, and no rule was applied to the node
  kNoAccessNoSeat,     // tagged uaccess, but this session has no seat
  kNoAccessNotInGroup, // the node's group may open it; this user is not in it
  kNoAccess,           // no access for another reason
  // kNormalMode
  kInNormalMode,
  // kNoController
  kNothingAttached,
  // kRuleFolder
  kUsrReadOnly,
};

struct CheckResult {
  Check check = Check::kHidLibrary;
  Finding finding = Finding::kOk;
  std::string subject;  // the library, the rule's path, the node, the controller's ids
  std::optional<NodeFacts> node;
  std::vector<Holder> holders;
  std::string detail;  // the loader's reason, a rule's path that shadows, ...
  bool problem() const { return finding != Finding::kOk && finding != Finding::kUsrReadOnly; }
};

struct Diagnosis {
  std::vector<CheckResult> checks;
  // A supported controller is attached and this user can open it.
  bool updatable = false;
  // The first check that failed, if any.
  const CheckResult* firstProblem() const;
};

// The supported controllers' rule file, and where udev looks for rules, first first.
inline constexpr const char* kRuleFileName = "70-vantor-update.rules";
const std::vector<std::string>& RuleFolders();

// `backend`: the HID backend, or null when the library could not be loaded
// (`libraryProblem` says why); `library`: its name and version when it was.
Diagnosis Diagnose(SystemView& system, hid::HidBackend* backend, const std::string& library,
                   const std::string& libraryProblem);

}  // namespace vantor::workflow
