#include "cli/DeviceSelection.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"

namespace vantor::cli {
namespace {

std::string AttachedList(const std::vector<hid::FoundController>& attached) {
  if (attached.empty()) return LocalizedText(text::kSelectNoneAttached);
  std::string text = LocalizedText(text::kSelectAttached);
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
  std::string line = controller.path + "  " + Hex16(controller.vendorId).substr(2) + ":" +
                     Hex16(controller.productId).substr(2) + "  " + hid::ProtocolName(controller.protocol);
  if (controller.serialNumber) {
    line += "  " + Format(LocalizedText(text::kSerialNumber).c_str(), controller.serialNumber->c_str());
  }
  if (controller.location) line += "  " + Format(LocalizedText(text::kLocation).c_str(), controller.location->c_str());
  return line;
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
                              LocalizedText(text::kNoController) + " " +
                                  Format(LocalizedText(text::kSelectNoMatch).c_str(), options.device.c_str()) + "; " +
                                  AttachedList(attached) + "\n" + LocalizedText(text::kSelectNameOne));
    return selection;
  }
  if (selection.controllers.size() > 1 && !several) {
    selection.exitCode =
        Fail(options, kExitUsage, "several-controllers",
             Format(LocalizedText(text::kSelectSeveral).c_str(), static_cast<unsigned>(selection.controllers.size())) +
                 "; " + AttachedList(selection.controllers) + "\n" + LocalizedText(text::kSelectChooseOne));
    selection.controllers.clear();
  }
  return selection;
}

}  // namespace vantor::cli
