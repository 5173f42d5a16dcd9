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

// A fault the emulation refused is said in the user's language: it names what the
// emulated controller or bench lacks.
std::string SimulationProblemText(const workflow::Environment::Made& made, const std::string& fault) {
  switch (made.refusedFault) {
    case workflow::RefusedFault::kNone:
      break;
    case workflow::RefusedFault::kController:
      return Format(LocalizedText(text::kUnknownSimFault).c_str(), fault.c_str());
    case workflow::RefusedFault::kBench:
      return Format(LocalizedText(text::kUnknownBenchFault).c_str(), fault.c_str());
  }
  return made.detail;
}

std::string Printable(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // C0 controls, DEL, and the C1 controls (U+0080..U+009F, C2 80..C2 9F in UTF-8):
    // each may start a terminal's escape sequence.
    const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (byte < 0x20 || byte == 0x7F) {
      shown += Format("\\x%02x", byte);
    } else if (c1) {
      shown += Format("\\u%04x", static_cast<unsigned char>(text[++i]));
    } else {
      shown += text[i];
    }
  }
  return shown;
}

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
      *exitCode = Fail(options, kExitUsage, "usage", SimulationProblemText(made, options.simFault));
      return nullptr;
    case workflow::EnvironmentProblem::kHidUnavailable:
      break;
  }
  *exitCode = Fail(options, kExitNoHidLibrary, "hid-unavailable", made.detail);
  return nullptr;
}

std::string ShortName(const hid::FoundController& controller) {
  if (controller.location && controller.serialNumber) {
    return Printable(*controller.location) + " " + Printable(*controller.serialNumber);
  }
  if (controller.location) return Printable(*controller.location);
  if (controller.serialNumber) return Printable(*controller.serialNumber);
  return Printable(controller.path);
}

std::vector<std::string> ControllerCells(const hid::FoundController& controller) {
  std::vector<std::string> cells = {
      Printable(controller.path),
      Hex16(controller.vendorId).substr(2) + ":" + Hex16(controller.productId).substr(2),
      hid::ProtocolName(controller.protocol), std::string(), std::string()};
  if (controller.serialNumber) {
    cells[3] = Format(LocalizedText(text::kSerialNumber).c_str(), Printable(*controller.serialNumber).c_str());
  }
  if (controller.location) {
    cells[4] = Format(LocalizedText(text::kLocation).c_str(), Printable(*controller.location).c_str());
  }
  return cells;
}

std::string DescribeController(const hid::FoundController& controller) {
  std::string line;
  for (const std::string& cell : ControllerCells(controller)) {
    if (cell.empty()) continue;
    line += (line.empty() ? "" : "  ") + cell;
  }
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
    // Controllers are attached: the boot-mode hint for an empty bus would mislead. The
    // list goes on lines of its own, so no punctuation of one language joins another's.
    case workflow::SelectionProblem::kNoMatch:
      selection.exitCode = Fail(options, kExitNoController, "no-controller",
                                Format(LocalizedText(text::kSelectNoMatch).c_str(), options.device.c_str()) + "\n" +
                                    AttachedList(chosen.attached) + "\n" + LocalizedText(text::kSelectNameOne));
      break;
    case workflow::SelectionProblem::kSeveral:
      // Only flash can update them all.
      selection.exitCode = Fail(
          options, kExitUsage, "several-controllers",
          Format(LocalizedText(text::kSelectSeveral).c_str(), static_cast<unsigned>(chosen.attached.size())) + "\n" +
              AttachedList(chosen.attached) + "\n" +
              LocalizedText(options.command == "flash" ? text::kSelectChooseOne : text::kSelectChooseOneOnly));
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
