// `list` and `info`: which controllers are attached, and what the attached one says
// about itself, through the same detection and probe as the dialog's start.

#include <memory>

#include "base/LocalizedText.h"
#include "update/UpdateController.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/FlashSelection.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/ProbeReport.h"
#include "cli/TerminalView.h"
#include "hid/CHid.h"
#include "cli/ListProbe.h"

namespace vantor::cli {

int RunList(const CommonOptions& options, const InterruptWatcher& interrupts) {
  int waitExit = kExitSuccess;
  const std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &waitExit);
  if (!hand) return waitExit;
  Environment* const environment = hand->environment.get();
  const std::vector<hid::FoundController>& found = hand->attached;

  std::vector<ListedController> listed;
  for (const hid::FoundController& controller : found) listed.push_back(ProbeForList(*environment, controller));
  if (options.json) {
    nlohmann::json controllers = nlohmann::json::array();
    for (const ListedController& entry : listed) controllers.push_back(ListedJson(entry));
    nlohmann::json document = JsonDocument(options);
    document["controllers"] = controllers;
    document["exitCode"] = found.empty() ? kExitNoController : kExitSuccess;
    EmitJson(document);
  }
  if (found.empty()) {
    if (!options.json) WriteText(stderr, LocalizedText(text::kNoController) + "\n");
    return kExitNoController;
  }
  for (const ListedController& entry : listed) SayResult(options, ListedLine(entry));
  return kExitSuccess;
}

int RunInfo(const CommonOptions& options, InterruptWatcher& interrupts) {
  int waitExit = kExitSuccess;
  const std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &waitExit);
  if (!hand) return waitExit;
  Environment* const environment = hand->environment.get();
  // --device names the controller as `flash` takes it (path, serial number or
  // location); without it the first one detected is shown.
  std::string path;
  if (!options.device.empty()) {
    const Selection selection = SelectControllers(options, hand->attached, false);
    if (selection.exitCode) return *selection.exitCode;
    path = selection.controllers.front().path;
  }

  TerminalViewOptions viewOptions;
  viewOptions.out = HumanStream(options);
  viewOptions.quiet = true;  // the probe draws nothing
  TerminalView view(viewOptions);
  UpdateSession session(environment->backend(), view, environment->clock());
  session.hid.RestrictToPath(path);
  // The dialog's probe reads the radio's version only after a package with a radio
  // image was chosen; `info` wants it whenever the controller has one.
  session.probeReadsRadioVersion = true;
  UpdateController controller(session);
  if (options.simSignalAt == "probe") InterruptSelf(interrupts);
  controller.Start(nullptr);

  const ProbeReport report = ReadProbe(session);
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
  const int exitCode = report.versionReported ? kExitSuccess : kExitUpdateFailed;
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    AddProbeJson(document, report);
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
