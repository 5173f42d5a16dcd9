#include "workflow/AttachedControllers.h"

#include "base/Format.h"

namespace vantor::workflow {

std::vector<hid::FoundController> AttachedControllers(hid::HidBackend& backend) {
  hid::CHid hid(backend);
  return hid.ListControllers();
}

bool Names(const std::string& name, const hid::FoundController& controller) {
  return controller.path == name || (controller.serialNumber && *controller.serialNumber == name) ||
         (controller.location && *controller.location == name);
}

std::vector<hid::FoundController> NamedAmong(const std::string& name, const std::vector<hid::FoundController>& attached) {
  if (name.empty()) return attached;
  std::vector<hid::FoundController> named;
  for (const hid::FoundController& controller : attached) {
    if (Names(name, controller)) named.push_back(controller);
  }
  return named;
}

std::string UnitKey(const hid::FoundController& controller) {
  const std::string ids = Format("%04x:%04x", controller.vendorId, controller.productId);
  if (controller.location) return ids + " at " + *controller.location;
  if (controller.serialNumber) return ids + " serial " + *controller.serialNumber;
  return ids + " path " + controller.path;
}

Selection Select(const std::vector<hid::FoundController>& attached, const std::string& name, bool several) {
  Selection selection;
  selection.attached = attached;
  if (attached.empty()) {
    selection.problem = SelectionProblem::kNoneAttached;
    return selection;
  }
  std::vector<hid::FoundController> named = NamedAmong(name, attached);
  if (named.empty()) {
    selection.problem = SelectionProblem::kNoMatch;
  } else if (named.size() > 1 && !several) {
    selection.problem = SelectionProblem::kSeveral;
    selection.attached = std::move(named);
  } else {
    selection.controllers = std::move(named);
  }
  return selection;
}

}  // namespace vantor::workflow
