#include "workflow/Diagnosis.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "base/Format.h"
#include "hid/SupportedDevices.h"
#include "workflow/AttachedControllers.h"

namespace vantor::workflow {
namespace {

constexpr std::uint16_t kVendor = 0x2DC8;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return text;
}

// How many of the supported ids a rule's text names ("0003:2DC8:3002", any case).
std::size_t IdsNamed(const std::string& text) {
  const std::string lower = Lower(text);
  std::size_t named = 0;
  for (const char* id : {"0483:5750", "2dc8:5750", "2dc8:3002"}) {
    if (lower.find(id) != std::string::npos) ++named;
  }
  return named;
}

CheckResult RuleCheck(SystemView& system) {
  CheckResult result;
  result.check = Check::kUdevRule;
  // udev reads each file name once, from the first folder that has it: a file of the
  // same name in an earlier folder (or a link to /dev/null) hides the packaged rule.
  std::optional<std::string> effective;
  std::optional<std::string> hidden;
  std::set<std::string> seen;
  std::optional<std::string> otherRule;  // another file that grants the ids
  for (const std::string& folder : RuleFolders()) {
    for (const std::string& name : system.List(folder)) {
      if (name.size() < 6 || name.compare(name.size() - 6, 6, ".rules") != 0) continue;
      const std::string path = folder + "/" + name;
      if (!seen.insert(name).second) {
        if (name == kRuleFileName && !hidden) hidden = path;
        continue;
      }
      if (name == kRuleFileName) {
        effective = path;
      } else if (!otherRule) {
        const std::optional<std::string> text = system.ReadText(path);
        if (text && IdsNamed(*text) == 3) otherRule = path;
      }
    }
  }
  if (effective) {
    const std::optional<std::string> target = system.Resolve(*effective);
    const std::optional<std::string> text =
        target && *target != "/dev/null" ? system.ReadText(*effective) : std::nullopt;
    const std::size_t ids = text ? IdsNamed(*text) : 0;
    result.subject = *effective;
    if (ids == 3) return result;
    if (ids == 0 && hidden) {
      result.finding = Finding::kRuleShadowed;
      result.detail = *hidden;
      return result;
    }
    result.finding = ids == 0 ? Finding::kRuleMissing : Finding::kRuleLacksIds;
    return result;
  }
  if (otherRule) {
    result.subject = *otherRule;
    return result;
  }
  result.finding = Finding::kRuleMissing;
  return result;
}

CheckResult ControllerCheck(SystemView& system, hid::HidBackend& backend, const hid::FoundController& controller) {
  CheckResult result;
  result.check = Check::kController;
  result.subject = controller.path;
  result.node = system.Node(controller.path);
  result.holders = system.HoldersOf(controller.path);
  hid::OpenError error = hid::OpenError::kNone;
  const bool opened = backend.Open(controller.path, &error) != nullptr;
  // Where no rule decides who may open it (Windows), a refused open is another
  // program's exclusive hold on the controller.
  const bool held = error == hid::OpenError::kBusy || (error == hid::OpenError::kAccessDenied && !system.HasUdevRules());
  if (opened || held) {
    if (!result.holders.empty() || held) result.finding = Finding::kHeldElsewhere;
    return result;
  }
  if (error != hid::OpenError::kAccessDenied) {
    result.finding = Finding::kNoAccess;
    return result;
  }
  if (!result.node) {
    result.finding = Finding::kNoAccess;
  } else if (result.node->uaccessTag && !result.node->aclGrantsUser && !system.SessionHasSeat()) {
    result.finding = Finding::kNoAccessNoSeat;
  } else if ((result.node->mode & 0060) == 0060 && result.node->groupGid != 0 && !result.node->userInGroup) {
    result.finding = Finding::kNoAccessNotInGroup;
  } else if (!result.node->uaccessTag) {
    result.finding = Finding::kNoAccessNoRule;
  } else {
    result.finding = Finding::kNoAccess;
  }
  return result;
}

// The order in which problems are named when no controller can be updated: what stops
// everything first, what the user meets at the controller next, the rule last.
int Rank(const CheckResult& result) {
  switch (result.check) {
    case Check::kHidLibrary:
      return 0;
    case Check::kController:
      return 1;
    case Check::kNormalMode:
      return 2;
    case Check::kNoController:
      return 3;
    case Check::kUdevRule:
      return 4;
    case Check::kRuleFolder:
      return 5;
  }
  return 6;
}

}  // namespace

const std::vector<std::string>& RuleFolders() {
  static const std::vector<std::string> folders = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                                   "/lib/udev/rules.d"};
  return folders;
}

const CheckResult* Diagnosis::firstProblem() const {
  if (updatable) return nullptr;
  const CheckResult* first = nullptr;
  for (const CheckResult& result : checks) {
    if (result.problem() && (first == nullptr || Rank(result) < Rank(*first))) first = &result;
  }
  return first;
}

Diagnosis Diagnose(SystemView& system, hid::HidBackend* backend, const std::string& library,
                   const std::string& libraryProblem) {
  Diagnosis diagnosis;
  CheckResult hid;
  hid.check = Check::kHidLibrary;
  hid.subject = library;
  std::optional<std::string> servicesProblem;
  if (backend == nullptr) {
    hid.finding = Finding::kLibraryMissing;
    hid.detail = libraryProblem;
  } else if ((servicesProblem = system.HidServicesProblem())) {
    hid.finding = Finding::kHidServicesUnusable;
    hid.detail = *servicesProblem;
  }
  diagnosis.checks.push_back(hid);
  // Without udev there is no rule that could keep a controller out, nor one to install.
  if (system.HasUdevRules()) {
    diagnosis.checks.push_back(RuleCheck(system));
    if (system.UsrReadOnly()) {
      CheckResult folder;
      folder.check = Check::kRuleFolder;
      folder.finding = Finding::kUsrReadOnly;
      folder.subject = "/etc/udev/rules.d";
      diagnosis.checks.push_back(folder);
    }
  }
  // Enumeration would find nothing, which is no news about controllers.
  if (hid.problem()) return diagnosis;

  const std::vector<hid::FoundController> supported = AttachedControllers(*backend);
  for (const hid::FoundController& controller : supported) {
    diagnosis.checks.push_back(ControllerCheck(system, *backend, controller));
    if (!diagnosis.checks.back().problem()) diagnosis.updatable = true;
  }
  std::set<std::string> normal;
  for (const hid::HidInterface& found : backend->Enumerate()) {
    if (found.vendorId != kVendor || !found.productId || hid::ProtocolOf(kVendor, *found.productId)) continue;
    if (!normal.insert(found.path).second) continue;
    CheckResult result;
    result.check = Check::kNormalMode;
    result.finding = Finding::kInNormalMode;
    result.subject = Format("%04x:%04x", kVendor, *found.productId);
    result.detail = found.path;
    diagnosis.checks.push_back(result);
  }
  if (supported.empty()) {
    CheckResult none;
    none.check = Check::kNoController;
    none.finding = Finding::kNothingAttached;
    diagnosis.checks.push_back(none);
  }
  return diagnosis;
}

}  // namespace vantor::workflow
