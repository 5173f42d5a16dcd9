// `list` and `info`: which controllers are attached, and what the attached one says
// about itself, through the same detection and probe as the dialog's start.

#include <memory>

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/FlashSelection.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/UnitWords.h"
#include "cli/ProbeLines.h"
#include "workflow/UnattendedView.h"
#include "workflow/UpdateJob.h"
#include "hid/CHid.h"
#include "cli/ListWords.h"

namespace vantor::cli {

int RunList(const CommonOptions& options, InterruptWatcher& interrupts) {
  int waitExit = kExitSuccess;
  const std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &waitExit);
  if (!hand) return waitExit;
  workflow::Environment* const environment = hand->environment.get();
  std::vector<hid::FoundController> found = hand->attached;
  // --device lists the controllers it names, and ends as every command does when it
  // names none of those attached.
  if (!options.device.empty() && !found.empty()) {
    const Selection selection = SelectControllers(options, found, true);
    if (selection.exitCode) return *selection.exitCode;
    found = selection.controllers;
  }

  std::vector<ListedController> listed;
  for (const hid::FoundController& controller : found) listed.push_back(workflow::ProbeForList(*environment, controller));
  if (options.json) {
    nlohmann::json controllers = nlohmann::json::array();
    for (const ListedController& entry : listed) controllers.push_back(ListedJson(entry));
    nlohmann::json document = JsonDocument(options);
    document["controllers"] = controllers;
    document["exitCode"] = found.empty() ? kExitNoController : kExitSuccess;
    EmitJson(document);
  }
  if (found.empty()) {
    if (!options.json) WriteText(stderr, WithHint(options, LocalizedText(text::kNoController)) + "\n");
    return kExitNoController;
  }
  for (const std::string& line : ListedLines(listed)) SayResult(options, line);
  return kExitSuccess;
}

int RunInfo(const CommonOptions& options, InterruptWatcher& interrupts) {
  int exitCode = kExitSuccess;
  const std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &exitCode);
  if (!hand) return exitCode;
  workflow::Environment* const environment = hand->environment.get();
  // --device names the controller as `flash` takes it (path, serial number or
  // location); without it the first one detected is shown.
  std::optional<hid::FoundController> chosen;
  if (!options.device.empty()) {
    const Selection selection = SelectControllers(options, hand->attached, false);
    if (selection.exitCode) return *selection.exitCode;
    chosen = selection.controllers.front();
  } else if (!hand->attached.empty()) {
    chosen = hand->attached.front();
  }
  // A version query in the middle of another process's update would be taken for a
  // reply of that update.
  std::unique_ptr<workflow::ControllerLock> lock;
  if (chosen && environment->locksControllers()) {
    lock = LockOrSay(options, *chosen, text::kInUseChooseAnother, &exitCode);
    if (!lock) return exitCode;
  }

  workflow::UnattendedView view("");
  workflow::JobSettings settings;
  settings.readMode = true;
  workflow::UpdateJob job(*environment, chosen ? chosen->path : std::string(), view, settings);
  if (options.simSignalAt == "probe") InterruptSelf(interrupts);
  const ControllerReport report = job.Probe();
  if (interrupts.fired()) {
    WriteText(stderr, LocalizedText(text::kCancelledNothingSent) + "\n");
    if (options.json) {
      nlohmann::json document = JsonDocument(options);
      AddProbeJson(document, report);
      document["outcome"] = OutcomeName(UpdateOutcome::kInterrupted);
      document["signal"] = interrupts.signal();
      document["exitCode"] = interrupts.exitCode();
      EmitJson(document);
    }
    return interrupts.exitCode();
  }
  if (const std::optional<int> refusal = DeviceProblem(options, report)) return *refusal;

  // A controller that never answered the probe told us nothing to rely on.
  exitCode = report.versionReported ? kExitSuccess : kExitUpdateFailed;
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    AddProbeJson(document, report);
    // Which controller, as list names it: its serial number and USB location.
    if (chosen) document["controller"].update(IdentityJson(*chosen));
    document["outcome"] = report.versionReported ? "succeeded" : "failed";
    document["exitCode"] = exitCode;
    EmitJson(document);
  }
  for (const std::string& line : ProbeLines(report)) SayResult(options, line);
  // The dialog's instructions speak of its button; the command line says its own.
  if (report.noFirmware && !options.json) SayResult(options, LocalizedText(text::kNoFirmwareInstalled));
  return exitCode;
}

}  // namespace vantor::cli
