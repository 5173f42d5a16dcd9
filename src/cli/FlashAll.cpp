#include "cli/FlashAll.h"

#include <list>
#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/BoardRows.h"
#include "cli/CliTexts.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "cli/TerminalSize.h"
#include "cli/UnitWords.h"
#include "workflow/Bench.h"
#include "workflow/PackageInspection.h"

namespace vantor::cli {
namespace {

constexpr int kAnswerTimeoutMs = 10 * 60 * 1000;

}  // namespace

bool CheckBenchPackage(const CommonOptions& options, const std::string& file, int* exitCode) {
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    *exitCode = Fail(options, kExitUsage, problem->code, problem->message);
    return false;
  }
  std::string error;
  const std::optional<bool> isPackage = workflow::IsPackageFile(file, &error);
  if (!isPackage) {
    *exitCode = Fail(options, kExitUsage, "package-refused",
                     Format(LocalizedText(text::kBenchPackageUnusable).c_str(), file.c_str(), error.c_str()));
    return false;
  }
  if (!*isPackage) {
    *exitCode = Fail(options, kExitUsage, "package-refused",
                     Format(LocalizedText(text::kBenchNotAPackage).c_str(), file.c_str()));
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
                workflow::Environment& environment, const std::vector<hid::FoundController>& controllers) {
  int exitCode = kExitSuccess;
  if (!CheckBenchPackage(options, file, &exitCode)) return exitCode;

  std::vector<std::string> names;
  for (const hid::FoundController& controller : controllers) names.push_back(ShortName(controller));
  ProgressBoard board(
      HumanStream(options),
      ChooseBoardMode(options.quiet, IsTerminal(HumanStream(options)), !UnderstandsEscapes(HumanStream(options))),
      names);
  board.SetColumns([out = HumanStream(options)] { return TerminalColumns(out); });
  const bool colour = ColourWanted(HumanStream(options), options);
  BoardRows rows(board, colour);
  workflow::JobSettings settings;
  settings.verifyAfterWrite = options.verify;
  settings.verifyOnly = options.verifyOnly;
  workflow::Bench bench(environment, options.packageCopy.empty() ? file : options.packageCopy, settings, &rows);
  // Every controller locked, probed and judged before the first report goes to any.
  bench.Prepare(controllers);
  std::string refusals;
  for (const workflow::BenchUnit& unit : bench.units()) {
    const workflow::UnitVerdict& verdict = unit.verdict();
    if (verdict.problem == workflow::UnitProblem::kBusy) {
      return Fail(options, kExitUpdateFailed, "controller-busy",
                  Format(LocalizedText(text::kInUseLeaveOut).c_str(), DescribeController(unit.controller()).c_str()));
    }
    if (verdict.problem == workflow::UnitProblem::kLockFailed) {
      return Fail(options, kExitUpdateFailed, "controller-busy", verdict.detail);
    }
    if (const std::optional<std::string> why = UnfitText(verdict)) {
      refusals += "\n  " + DescribeController(unit.controller()) + ": " + *why;
    }
  }
  if (interrupts.fired()) return Fail(options, kExitInterrupted, "interrupted", LocalizedText(text::kInterrupted));
  if (!refusals.empty()) {
    return Fail(options, kExitUsage, "package-refused",
                Format(LocalizedText(text::kBenchNothingUpdated).c_str(), refusals.c_str()));
  }
  if (options.dryRun) {
    // Every unit locked, probed and judged; nothing goes to any.
    nlohmann::json units = nlohmann::json::array();
    for (const workflow::BenchUnit& unit : bench.units()) {
      SayResult(options, DescribeController(unit.controller()) + "  " + UnitVersions(unit));
      nlohmann::json document = IdentityJson(unit.controller());
      document["versions"] = UnitVersions(unit);
      units.push_back(document);
    }
    SayResult(options, LocalizedText(text::kDryRunReady));
    if (options.json) {
      nlohmann::json document = JsonDocument(options);
      document["outcome"] = "dry-run";
      document["units"] = units;
      document["exitCode"] = kExitSuccess;
      EmitJson(document);
    }
    return kExitSuccess;
  }
  if (!ConfirmBench(options, interrupts,
                    Format(LocalizedText(text::kBenchConfirmAll).c_str(), static_cast<unsigned>(bench.units().size()),
                           file.c_str()))) {
    return Fail(options, interrupts.fired() ? kExitInterrupted : kExitUsage,
                interrupts.fired() ? "interrupted" : "declined", LocalizedText(text::kCancelled));
  }

  for (const workflow::BenchUnit& unit : bench.units()) board.SetDetail(unit.index(), UnitVersions(unit));
  bench.Run(interrupts.cancel());
  const int signalExit = interrupts.fired() ? interrupts.exitCode() : 0;
  nlohmann::json results = nlohmann::json::array();
  for (const workflow::BenchUnit& unit : bench.units()) {
    // Units whose update ended have said so already; this is for the ones that never began.
    const bool succeeded = unit.started() && unit.job().result().outcome == UpdateOutcome::kSucceeded;
    board.Finish(unit.index(), Paint(UnitResultLine(unit), succeeded, colour));
    exitCode = MostSevere(exitCode, UnitExitCode(unit, signalExit));
    results.push_back(UnitJson(options, unit, file, signalExit));
  }
  if (!options.simDump.empty()) environment.DumpSimulatedFlash(options.simDump);
  if (options.json) EmitJson(results);
  const workflow::UnitTally tally = bench.tally();
  WriteText(stderr, "vantor-update: " +
                        Format(LocalizedText(text::kWatchSummary).c_str(), static_cast<unsigned>(tally.updated),
                               static_cast<unsigned>(tally.failed), static_cast<unsigned>(tally.refused)) +
                        "\n");
  return exitCode;
}

}  // namespace vantor::cli
