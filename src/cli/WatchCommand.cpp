#include "cli/WatchCommand.h"

#include <list>
#include <memory>
#include <set>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/BenchUnit.h"
#include "cli/CliTexts.h"
#include "cli/DeviceLock.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/FlashAll.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/WaitForController.h"

namespace vantor::cli {
namespace {

// A unit is the same unit while its lock key is: the port it is plugged into, else
// its serial number, else its path.
std::set<std::string> KeysOf(const std::vector<hid::FoundController>& controllers) {
  std::set<std::string> keys;
  for (const hid::FoundController& controller : controllers) keys.insert(LockKey(controller));
  return keys;
}

class Watch {
 public:
  Watch(const CommonOptions& options, const std::string& file, Environment& environment,
        const package::PackageReport& package)
      : options_(options),
        file_(file),
        environment_(environment),
        package_(package),
        board_(HumanStream(options), false, {}) {}

  // One round: start updates for new units, report ended ones, forget unplugged ones.
  void Poll() {
    const std::vector<hid::FoundController> attached = Named(options_, AttachedControllers(environment_.backend()));
    const std::set<std::string> present = KeysOf(attached);
    for (auto key = handled_.begin(); key != handled_.end();) {
      key = present.count(*key) == 0 ? handled_.erase(key) : std::next(key);
    }
    for (const hid::FoundController& controller : attached) {
      const std::string key = LockKey(controller);
      if (handled_.count(key) != 0) continue;
      handled_.insert(key);
      Begin(controller);
    }
    ReportEnded(0);
  }

  void StopAll() {
    for (BenchUnit& unit : running_) unit.updater.RequestStop();
  }

  // Waits (bounded by each update's own time-outs) for every running update, which
  // `signalExit` (see BenchUnit::ExitCode) stopped.
  void Drain(int signalExit) {
    for (BenchUnit& unit : running_) unit.updater.WaitForWorker();
    ReportEnded(signalExit);
  }

  int exitCode() const { return exitCode_; }

 private:
  void Begin(const hid::FoundController& controller) {
    const std::size_t row = board_.Add(ShortName(controller));
    BenchUnit& unit = running_.emplace_back(environment_, controller, board_, row, file_);
    bool busy = false;
    std::string error;
    unit.lock = DeviceLock::Acquire(controller, &busy, &error);
    if (!unit.lock) {
      Finish(unit, busy ? LocalizedText(text::kWatchInUse) : error, kExitUpdateFailed);
      running_.pop_back();
      return;
    }
    unit.Probe();
    if (const std::optional<std::string> why = unit.Unfit(file_)) {
      Finish(unit, Format(LocalizedText(text::kWatchNotUpdated).c_str(), why->c_str()), kExitUsage);
      running_.pop_back();
      return;
    }
    if (!unit.updater.OnUpdateButton()) {
      Finish(unit, LocalizedText(text::kWatchCouldNotOpen), kExitUpdateFailed);
      running_.pop_back();
    }
  }

  void ReportEnded(int signalExit) {
    for (auto unit = running_.begin(); unit != running_.end();) {
      if (unit->session.workerActive()) {
        ++unit;
        continue;
      }
      unit->updater.WaitForWorker();
      unit->updater.OnWorkerFinished();
      const int code = unit->ExitCode(signalExit);
      if (options_.json) {
        EmitJsonLine(unit->Json(file_, signalExit));
      }
      Finish(*unit, unit->ResultLine(signalExit != 0), code);
      unit = running_.erase(unit);
    }
  }

  void Finish(BenchUnit& unit, const std::string& line, int code) {
    exitCode_ = MostSevere(exitCode_, code);
    if (options_.json && unit.session.result().outcome == UpdateOutcome::kNone) {
      nlohmann::json document = IdentityJson(unit.controller);
      document["outcome"] = "not-updated";
      document["error"] = line;
      document["exitCode"] = code;
      EmitJsonLine(document);
    }
    board_.Finish(unit.row, line);
  }

  const CommonOptions& options_;
  const std::string& file_;
  Environment& environment_;
  const package::PackageReport& package_;
  ProgressBoard board_;
  std::list<BenchUnit> running_;
  std::set<std::string> handled_;  // attached units already updated (or refused)
  int exitCode_ = kExitSuccess;
};

}  // namespace

int RunWatch(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  package::PackageReport package;
  int exitCode = kExitSuccess;
  if (!InspectBenchPackage(options, file, &package, &exitCode)) return exitCode;
  std::string error;
  std::unique_ptr<Environment> environment = Environment::Create(options, &error);
  if (!environment) return Fail(options, kExitUpdateFailed, "hid-unavailable", error);
  if (!ConfirmBench(options, interrupts, Format(LocalizedText(text::kWatchConfirm).c_str(), file.c_str()))) {
    return Fail(options, interrupts.fired() ? kExitInterrupted : kExitUsage, interrupts.fired() ? "interrupted" : "declined",
                LocalizedText(text::kCancelled));
  }
  WriteText(stderr, "vantor-update: " + LocalizedText(text::kWatchWatching) + "\n");

  Watch watch(options, file, *environment, package);
  // Ctrl-C: the loop sees it within one poll and stops the running updates there.
  while (!interrupts.fired()) {
    watch.Poll();
    environment->clock().Pause(kPollIntervalMs);
  }
  watch.StopAll();
  watch.Drain(interrupts.exitCode());
  if (!options.simDump.empty()) environment->DumpSimulatedFlash(options.simDump);
  WriteText(stderr, "vantor-update: " + LocalizedText(text::kInterrupted) + "\n");
  return interrupts.exitCode();
}

}  // namespace vantor::cli
