#include "cli/DeviceSelection.h"

#include "base/Format.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/ProbeLines.h"

namespace vantor::cli {
namespace {

std::string AttachedList(const std::vector<hid::FoundController>& attached) {
  if (attached.empty()) return LocalizedText(text::kSelectNoneAttached);
  std::string text = LocalizedText(text::kSelectAttached);
  for (const hid::FoundController& controller : attached) text += "\n  " + DescribeController(controller);
  return text;
}

}  // namespace

workflow::SimulationSettings SimulationOf(const CommonOptions& options) {
  workflow::SimulationSettings settings;
  settings.protocols = options.simulate;
  settings.virtualTime = options.virtualTime;
  settings.fault = options.simFault;
  settings.arrivals = options.simArrive;
  settings.leaveAfterUpdate = options.simLeaveAfterUpdate;
  return settings;
}

std::unique_ptr<workflow::Environment> OpenEnvironment(const CommonOptions& options, int* exitCode) {
  workflow::Environment::Made made = workflow::Environment::Create(SimulationOf(options));
  switch (made.problem) {
    case workflow::EnvironmentProblem::kNone:
      return std::move(made.environment);
    case workflow::EnvironmentProblem::kBadSimulation:
      *exitCode = Fail(options, kExitUsage, "usage", made.detail);
      return nullptr;
    case workflow::EnvironmentProblem::kHidUnavailable:
      break;
  }
  *exitCode = Fail(options, kExitNoHidLibrary, "hid-unavailable", made.detail);
  return nullptr;
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
  const workflow::Selection chosen = workflow::Select(attached, options.device, several);
  Selection selection;
  switch (chosen.problem) {
    case workflow::SelectionProblem::kNone:
      selection.controllers = chosen.controllers;
      break;
    case workflow::SelectionProblem::kNoneAttached:
      selection.exitCode =
          Fail(options, kExitNoController, "no-controller", WithHint(options, LocalizedText(text::kNoController)));
      break;
    case workflow::SelectionProblem::kNoMatch:
      selection.exitCode = Fail(options, kExitNoController, "no-controller",
                                LocalizedText(text::kNoController) + " " +
                                    Format(LocalizedText(text::kSelectNoMatch).c_str(), options.device.c_str()) +
                                    "; " + AttachedList(chosen.attached) + "\n" + LocalizedText(text::kSelectNameOne));
      break;
    case workflow::SelectionProblem::kSeveral:
      selection.exitCode = Fail(
          options, kExitUsage, "several-controllers",
          Format(LocalizedText(text::kSelectSeveral).c_str(), static_cast<unsigned>(chosen.attached.size())) + "; " +
              AttachedList(chosen.attached) + "\n" + LocalizedText(text::kSelectChooseOne));
      break;
  }
  return selection;
}

std::unique_ptr<workflow::ControllerLock> LockOrSay(const CommonOptions& options, const hid::FoundController& controller,
                                                    TextSlot busyText, int* exitCode) {
  workflow::ControllerLock::Taken taken = workflow::ControllerLock::Acquire(controller);
  if (taken.lock) return std::move(taken.lock);
  *exitCode = Fail(options, kExitUpdateFailed, "controller-busy",
                   taken.problem == workflow::LockProblem::kBusy
                       ? Format(LocalizedText(busyText).c_str(), DescribeController(controller).c_str())
                       : taken.detail);
  return nullptr;
}

}  // namespace vantor::cli
