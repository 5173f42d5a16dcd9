// `flash FILE`: one update, exactly as a click on the dialog's button runs it, with the
// terminal standing in for the dialog.

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
#include "package/PackageFile.h"

namespace vantor::cli {
namespace {

// How long a y/N question waits for the user before it counts as "no".
constexpr int kAnswerTimeoutMs = 10 * 60 * 1000;

// The verdict the run ends with, in the user's language.
std::string ClosingText(const UpdateResult& result, bool interrupted) {
  if (result.outcome == UpdateOutcome::kSucceeded) return LocalizedText(vantor::text::kSuccess);
  if (interrupted || result.outcome == UpdateOutcome::kInterrupted) return LocalizedText(text::kInterrupted);
  switch (result.outcome) {
    case UpdateOutcome::kDeclined:
      return LocalizedText(text::kCancelled);
    case UpdateOutcome::kNoPackage:
    case UpdateOutcome::kNothingMatched:
      return LocalizedText(text::kNoMatchingFirmware);
    case UpdateOutcome::kPackageRefused:
      return LocalizedText(result.problem == package::PackageProblem::kNothingToWrite ? vantor::text::kPackageEmpty
                                                                                      : vantor::text::kPackageDamaged);
    case UpdateOutcome::kNotInBootMode:
      return LocalizedText(vantor::text::kNotInBootMode);
    default:
      return LocalizedText(vantor::text::kFailure);
  }
}

}  // namespace

int RunFlash(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  {
    package::PackageFile probe;
    if (!probe.Open(file)) return Fail(options, kExitUsage, "cannot open " + file);
  }
  std::string error;
  std::unique_ptr<Environment> environment = Environment::Create(options, &error);
  if (!environment) return Fail(options, kExitUpdateFailed, error);
  return RunFlashOn(options, file, interrupts, *environment);
}

int RunFlashOn(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts,
               Environment& env) {
  Environment* environment = &env;
  TerminalViewOptions viewOptions;
  viewOptions.out = HumanStream(options);
  viewOptions.terminal = IsTerminal(viewOptions.out);
  viewOptions.assumeYes = options.assumeYes;
  viewOptions.packagePath = file;
  viewOptions.clock = &environment->clock();
  const int cancelFd = interrupts.cancelFd();
  viewOptions.readAnswer = [cancelFd] { return ReadYesNoAnswer(cancelFd, kAnswerTimeoutMs); };
  TerminalView view(viewOptions);

  UpdateSession session(environment->backend(), view, environment->clock());
  session.hid.RestrictToPath(options.device);
  UpdateController controller(session);
  interrupts.OnInterrupt([&controller] { controller.RequestStop(); });

  controller.Start(nullptr);
  ProbeReport report = ReadProbe(session);
  if (interrupts.fired()) {
    interrupts.OnInterrupt(nullptr);
    return Fail(options, kExitInterrupted, LocalizedText(text::kInterrupted));
  }
  if (const std::optional<int> refusal = DeviceProblem(options, report)) {
    interrupts.OnInterrupt(nullptr);
    return *refusal;
  }
  if (!controller.OnUpdateButton()) {
    interrupts.OnInterrupt(nullptr);
    report.openError = session.hid.LastOpenError();
    if (const std::optional<int> refusal = DeviceProblem(options, report)) return *refusal;
    return Fail(options, kExitUpdateFailed, LocalizedText(vantor::text::kFailure));
  }
  controller.WaitForWorker();
  controller.OnWorkerFinished();
  interrupts.OnInterrupt(nullptr);

  const UpdateResult result = session.result();
  const UpdateOutcome outcome = result.outcome;
  const bool interrupted = interrupts.fired();
  const int exitCode = ExitCodeFor(outcome, interrupted);
  const std::string closing = ClosingText(result, interrupted);
  // The dialog's boxes already said most verdicts; say it once more only when not.
  if (!view.MessageShown(closing)) view.Say(closing);

  if (!options.simDump.empty()) environment->DumpSimulatedFlash(options.simDump);
  if (options.json) {
    nlohmann::json document = ProbeJson(report);
    document["package"] = file;
    document["outcome"] = interrupted && outcome != UpdateOutcome::kSucceeded ? OutcomeName(UpdateOutcome::kInterrupted)
                                                                               : OutcomeName(outcome);
    if (outcome == UpdateOutcome::kFailed) document["reason"] = ReasonName(result.reason);
    document["stage"] = StageName(result.stage);
    document["exitCode"] = exitCode;
    const std::optional<std::string> question = view.question();
    document["question"] = question ? nlohmann::json(*question) : nlohmann::json();
    document["messages"] = view.messages();
    const std::optional<std::uint64_t> sent = view.bytesSent();
    const std::optional<std::uint64_t> total = view.bytesTotal();
    document["bytesSent"] = sent ? nlohmann::json(*sent) : nlohmann::json();
    document["bytesTotal"] = total ? nlohmann::json(*total) : nlohmann::json();
    document["closing"] = closing;
    EmitJson(document);
  }
  return exitCode;
}

}  // namespace vantor::cli
