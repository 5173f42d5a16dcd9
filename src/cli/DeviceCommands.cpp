// `list` and `info`: which controllers are attached, and what the attached one says
// about itself, through the same detection and probe as the dialog's start.

#include <memory>

#include "base/LocalizedText.h"
#include "update/UpdateController.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/ProbeReport.h"
#include "cli/TerminalView.h"
#include "hid/CHid.h"
#include "cli/ListProbe.h"

namespace vantor::cli {

int RunList(const CommonOptions& options) {
  std::string error;
  std::unique_ptr<Environment> environment = Environment::Create(options, &error);
  if (!environment) return Fail(options, kExitUpdateFailed, error);
  hid::CHid hid(environment->backend());
  const std::vector<hid::FoundController> found = hid.ListControllers();

  std::vector<ListedController> listed;
  for (const hid::FoundController& controller : found) listed.push_back(ProbeForList(*environment, controller));
  if (options.json) {
    nlohmann::json controllers = nlohmann::json::array();
    for (const ListedController& entry : listed) controllers.push_back(ListedJson(entry));
    EmitJson({{"controllers", controllers}, {"exitCode", found.empty() ? kExitNoController : kExitSuccess}});
  }
  if (found.empty()) {
    Say(options, LocalizedText(text::kNoController));
    return kExitNoController;
  }
  for (const ListedController& entry : listed) Say(options, ListedLine(entry));
  return kExitSuccess;
}

int RunInfo(const CommonOptions& options, InterruptWatcher& interrupts) {
  std::string error;
  std::unique_ptr<Environment> environment = Environment::Create(options, &error);
  if (!environment) return Fail(options, kExitUpdateFailed, error);

  TerminalViewOptions viewOptions;
  viewOptions.out = HumanStream(options);
  TerminalView view(viewOptions);
  UpdateSession session(environment->backend(), view, environment->clock());
  session.hid.RestrictToPath(options.device);
  // The dialog's probe reads the radio's version only after a package with a radio
  // image was chosen; `info` wants it whenever the controller has one.
  session.probeReadsRadioVersion = true;
  UpdateController controller(session);
  controller.Start(nullptr);

  const ProbeReport report = ReadProbe(session);
  if (interrupts.fired()) {
    return Fail(options, kExitInterrupted, LocalizedText(text::kInterrupted));
  }
  if (const std::optional<int> refusal = DeviceProblem(options, report)) return *refusal;

  // A controller that never answered the probe told us nothing to rely on.
  const int exitCode = report.versionReported ? kExitSuccess : kExitUpdateFailed;
  if (options.json) {
    nlohmann::json document = ProbeJson(report);
    document["messages"] = view.messages();
    document["exitCode"] = exitCode;
    EmitJson(document);
  }
  for (const std::string& line : ProbeLines(report)) Say(options, line);
  return exitCode;
}

}  // namespace vantor::cli
