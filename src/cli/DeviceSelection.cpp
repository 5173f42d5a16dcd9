#include "cli/DeviceSelection.h"

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"

namespace vantor::cli {
namespace {

std::string AttachedList(const std::vector<hid::FoundController>& attached) {
  if (attached.empty()) return "no supported controller is attached";
  std::string text = "attached:";
  for (const hid::FoundController& controller : attached) text += "\n  " + DescribeController(controller);
  return text;
}

}  // namespace

std::vector<hid::FoundController> AttachedControllers(hid::HidBackend& backend) {
  hid::CHid hid(backend);
  return hid.ListControllers();
}

bool MatchesDevice(const hid::FoundController& controller, const std::string& device) {
  return controller.path == device || (controller.serialNumber && *controller.serialNumber == device) ||
         (controller.location && *controller.location == device);
}

std::vector<hid::FoundController> Named(const CommonOptions& options, const std::vector<hid::FoundController>& attached) {
  if (options.device.empty()) return attached;
  std::vector<hid::FoundController> named;
  for (const hid::FoundController& controller : attached) {
    if (MatchesDevice(controller, options.device)) named.push_back(controller);
  }
  return named;
}

std::string ShortName(const hid::FoundController& controller) {
  if (controller.location) return *controller.location;
  if (controller.serialNumber) return *controller.serialNumber;
  return controller.path;
}

std::string DescribeController(const hid::FoundController& controller) {
  std::string text = controller.path + "  " + Hex16(controller.vendorId).substr(2) + ":" +
                     Hex16(controller.productId).substr(2) + "  " + hid::ProtocolName(controller.protocol);
  if (controller.serialNumber) text += "  serial " + *controller.serialNumber;
  if (controller.location) text += "  at " + *controller.location;
  return text;
}

Selection SelectControllers(const CommonOptions& options, const std::vector<hid::FoundController>& attached,
                            bool several) {
  Selection selection;
  if (attached.empty()) {
    selection.exitCode = Fail(options, kExitNoController, "no-controller", LocalizedText(text::kNoController));
    return selection;
  }
  selection.controllers = Named(options, attached);
  if (selection.controllers.empty()) {
    selection.exitCode = Fail(options, kExitNoController, "no-controller",
                              LocalizedText(text::kNoController) + " (no controller matches --device " + options.device + "); " + AttachedList(attached) +
                                  "\nname one by its path, serial number or location (see `vantor-update list`)");
    return selection;
  }
  if (selection.controllers.size() > 1 && !several) {
    selection.exitCode =
        Fail(options, kExitUsage, "several-controllers",
             std::to_string(selection.controllers.size()) + " controllers are attached and none was chosen; " +
                 AttachedList(selection.controllers) +
                 "\nchoose one with --device PATH|SERIAL|LOCATION, or update them all with --all");
    selection.controllers.clear();
  }
  return selection;
}

}  // namespace vantor::cli
