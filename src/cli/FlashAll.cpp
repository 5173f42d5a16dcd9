#include "cli/FlashAll.h"

#include <list>
#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/BenchUnit.h"
#include "cli/CliTexts.h"
#include "cli/DeviceLock.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"

namespace vantor::cli {
namespace {

constexpr int kAnswerTimeoutMs = 10 * 60 * 1000;

}  // namespace

bool InspectBenchPackage(const CommonOptions& options, const std::string& file, package::PackageReport* report,
                         int* exitCode) {
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    *exitCode = Fail(options, kExitUsage, problem->code, problem->message);
    return false;
  }
  std::string error;
  if (!package::InspectPackage(file, report, &error)) {
    *exitCode = Fail(options, kExitUsage, "package-refused",
                     Format(LocalizedText(text::kBenchPackageUnusable).c_str(), file.c_str(), error.c_str()));
    return false;
  }
  if (report->sections.empty()) {
    *exitCode =
        Fail(options, kExitUsage, "package-refused", Format(LocalizedText(text::kBenchPackageEmpty).c_str(), file.c_str()));
    return false;
  }
  return true;
}

bool ConfirmBench(const CommonOptions& options, InterruptWatcher& interrupts, const std::string& question) {
  if (options.assumeYes) return true;
  std::FILE* out = HumanStream(options);
  WriteText(out, question + " " + LocalizedText(text::kContinuePrompt));
  const std::optional<bool> answer = ReadYesNoAnswer(interrupts.cancelFd(), kAnswerTimeoutMs);
  std::fputc('\n', out);
  return answer.value_or(false);
}

int RunFlashAll(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts,
                Environment& environment, const std::vector<hid::FoundController>& controllers) {
  package::PackageReport package;
  int exitCode = kExitSuccess;
  if (!InspectBenchPackage(options, file, &package, &exitCode)) return exitCode;

  // Every controller is locked before the first report goes to any of them.
  std::vector<std::string> names;
  for (const hid::FoundController& controller : controllers) names.push_back(ShortName(controller));
  ProgressBoard board(HumanStream(options), IsTerminal(HumanStream(options)), names);
  std::list<BenchUnit> units;
  for (std::size_t n = 0; n < controllers.size(); ++n) {
    BenchUnit& unit = units.emplace_back(environment, controllers[n], board, n, file);
    unit.session.verifyAfterWrite = options.verify;
    unit.session.verifyOnly = options.verifyOnly;
    bool busy = false;
    std::string error;
    unit.lock = DeviceLock::Acquire(controllers[n], &busy, &error);
    if (!unit.lock) {
      return Fail(options, kExitUpdateFailed, "controller-busy",
                  busy ? Format(LocalizedText(text::kInUseLeaveOut).c_str(), DescribeController(controllers[n]).c_str())
                       : error);
    }
  }
  // Each one's probe, then the package judged for each: all before any update.
  std::string refusals;
  for (BenchUnit& unit : units) {
    unit.Probe();
    if (const std::optional<std::string> why = unit.Unfit(file)) {
      refusals += "\n  " + DescribeController(unit.controller) + ": " + *why;
    }
  }
  if (interrupts.fired()) return Fail(options, kExitInterrupted, "interrupted", LocalizedText(text::kInterrupted));
  if (!refusals.empty()) {
    return Fail(options, kExitUsage, "package-refused",
                Format(LocalizedText(text::kBenchNothingUpdated).c_str(), refusals.c_str()));
  }
  if (!ConfirmBench(options, interrupts,
                    Format(LocalizedText(text::kBenchConfirmAll).c_str(), static_cast<unsigned>(units.size()),
                           file.c_str()))) {
    return Fail(options, interrupts.fired() ? kExitInterrupted : kExitUsage, interrupts.fired() ? "interrupted" : "declined",
                LocalizedText(text::kCancelled));
  }

  interrupts.OnInterrupt([&units] {
    for (BenchUnit& unit : units) unit.updater.RequestStop();
  });
  for (BenchUnit& unit : units) {
    if (!unit.updater.OnUpdateButton()) board.Finish(unit.row, LocalizedText(text::kBenchCouldNotOpen));
  }
  for (BenchUnit& unit : units) {
    unit.updater.WaitForWorker();
    unit.updater.OnWorkerFinished();
    if (unit.session.result().outcome != UpdateOutcome::kNone) board.Finish(unit.row, unit.ResultLine(interrupts.fired()));
  }
  interrupts.OnInterrupt(nullptr);

  const int signalExit = interrupts.fired() ? interrupts.exitCode() : 0;
  nlohmann::json results = nlohmann::json::array();
  for (BenchUnit& unit : units) {
    const bool started = unit.session.result().outcome != UpdateOutcome::kNone;
    exitCode = MostSevere(exitCode, started ? unit.ExitCode(signalExit) : kExitUpdateFailed);
    results.push_back(unit.Json(file, signalExit));
  }
  if (!options.simDump.empty()) environment.DumpSimulatedFlash(options.simDump);
  if (options.json) EmitJson(results);
  return exitCode;
}

}  // namespace vantor::cli
