#include "cli/WatchCommand.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <csignal>
#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "base/Platform.h"
#include "cli/BoardRows.h"
#include "cli/CliTexts.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/FlashAll.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "cli/TerminalSize.h"
#include "cli/UnitWords.h"
#include "workflow/Watch.h"

namespace vantor::cli {
namespace {

// watch --journal: each unit's document appended as one line, flushed at once, so a bench's
// record survives whatever ends the watch.
class UnitJournal {
 public:
  ~UnitJournal() {
    if (file_ != nullptr) std::fclose(file_);
  }
  // False with `error` set when `path` cannot be appended to.
  bool Open(const std::string& path, std::string* error) {
    file_ = platform::OpenForAppending(path);
    if (file_ == nullptr) *error = std::strerror(errno);
    return file_ != nullptr;
  }
  void Append(const nlohmann::json& document) {
    if (file_ == nullptr) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    std::fputs((document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n").c_str(), file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  std::mutex mutex_;
};

// "2026-12-09T15:44:02Z"
std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// Each unit's row and result line as the watch reports them; the exit code of all.
class WatchLines final : public BoardRows {
 public:
  WatchLines(const CommonOptions& options, const std::string& file, ProgressBoard& board,
             const std::atomic<int>& signalExit, UnitJournal& journal)
      : BoardRows(board, ColourWanted(HumanStream(options), options)), options_(options), file_(file), signalExit_(signalExit), journal_(journal) {}

  void OnUnitArrived(const workflow::BenchUnit& unit) override { board_.Add(ShortName(unit.controller())); }

  void OnUnitRefused(const workflow::BenchUnit& unit) override {
    const workflow::UnitVerdict& verdict = unit.verdict();
    std::string line;
    if (verdict.problem == workflow::UnitProblem::kBusy) {
      line = LocalizedText(text::kWatchInUse);
    } else if (verdict.problem == workflow::UnitProblem::kUpdateUnopenable) {
      line = LocalizedText(text::kWatchCouldNotOpen);
    } else {
      line = Format(LocalizedText(text::kWatchNotUpdated).c_str(), UnfitText(verdict).value_or("").c_str());
    }
    const int code = UnitExitCode(unit, 0);
    exitCode_ = MostSevere(exitCode_, code);
    nlohmann::json document = IdentityJson(unit.controller());
    document["time"] = UtcNow();
    document["outcome"] = "not-updated";
    document["error"] = line;
    document["exitCode"] = code;
    Emit(document);
    board_.Finish(unit.index(), Paint(line, false, colour_));
  }

  void OnUnitEnded(const workflow::BenchUnit& unit) override {
    const int code = UnitExitCode(unit, signalExit_);
    exitCode_ = MostSevere(exitCode_, code);
    nlohmann::json document = UnitJson(options_, unit, file_, signalExit_);
    document["time"] = UtcNow();
    Emit(document);
    board_.SetDetail(unit.index(), UnitVersions(unit));
    board_.Finish(unit.index(),
                  Paint(UnitResultLine(unit), unit.job().result().outcome == UpdateOutcome::kSucceeded, colour_));
  }

  // A watch's row says its result once the unit's versions can go beside it, at its end.
  void OnUnitConcluded(std::size_t /*unit*/, const UpdateResult& /*result*/) override {}

  int exitCode() const { return exitCode_; }

 private:
  void Emit(const nlohmann::json& document) {
    if (options_.json) EmitJsonLine(document);
    journal_.Append(document);
  }

  const CommonOptions& options_;
  const std::string& file_;
  const std::atomic<int>& signalExit_;
  UnitJournal& journal_;
  int exitCode_ = kExitSuccess;
};

}  // namespace

int RunWatch(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  int exitCode = kExitSuccess;
  if (!CheckBenchPackage(options, file, &exitCode)) return exitCode;
  // Checked once, before watching starts; every unit then gets the copy checked.
  const std::optional<workflow::PackageSnapshot> expected = ExpectedPackage(options, file, &exitCode);
  if (!expected) return exitCode;
  const std::string readFrom = expected->path().empty() ? file : expected->path();
  UnitJournal journal;
  std::string journalError;
  if (!options.watchLog.empty() && !journal.Open(options.watchLog, &journalError)) {
    return Fail(options, kExitUsage, "usage",
                Format(LocalizedText(text::kWatchLogUnwritable).c_str(), options.watchLog.c_str(),
                       journalError.c_str()));
  }
  std::unique_ptr<workflow::Environment> environment = OpenEnvironment(options, &exitCode);
  if (!environment) return exitCode;
  if (!ConfirmBench(options, interrupts, Format(LocalizedText(text::kWatchConfirm).c_str(), file.c_str()))) {
    return Fail(options, interrupts.fired() ? kExitInterrupted : kExitUsage,
                interrupts.fired() ? "interrupted" : "declined", LocalizedText(text::kCancelled));
  }
  WriteText(stderr, "vantor-update: " + LocalizedText(text::kWatchWatching) + "\n");

  // A watch never ends: one result line per controller. Only a live terminal shows the
  // running updates too, in rows that give way to their result lines.
  const BoardMode mode =
      ChooseBoardMode(options.quiet, IsTerminal(HumanStream(options)), !UnderstandsEscapes(HumanStream(options)));
  ProgressBoard board(HumanStream(options), mode == BoardMode::kLive ? BoardMode::kLive : BoardMode::kResultsOnly, {},
                      FinishedRows::kScrollAway);
  board.SetColumns([out = HumanStream(options)] { return TerminalColumns(out); });
  // The signal that stopped the watch is known once it has come; the lines read it then.
  std::atomic<int> signalExit{0};
  WatchLines lines(options, file, board, signalExit, journal);
  workflow::JobSettings settings;
  settings.verifyAfterWrite = options.verify;
  settings.verifyOnly = options.verifyOnly;
  workflow::Watch watch(*environment, readFrom, options.device, settings, lines);
  const workflow::CancelScope markSignal(interrupts.cancel(),
                                         [&signalExit, &interrupts] { signalExit = interrupts.exitCode(); });
  const workflow::UnitTally tally = watch.Run(interrupts.cancel());
  if (!options.simDump.empty()) environment->DumpSimulatedFlash(options.simDump);
  // Ctrl-C is how a watch ends: its code is then the units' results (130 only where it
  // cut an update short). Any other signal ended it from outside, or took its reader.
  WriteText(stderr, "vantor-update: " +
                        Format(LocalizedText(text::kWatchSummary).c_str(), static_cast<unsigned>(tally.updated),
                               static_cast<unsigned>(tally.failed), static_cast<unsigned>(tally.refused)) +
                        "\n");
  return interrupts.signal() == SIGINT ? lines.exitCode() : interrupts.exitCode();
}

}  // namespace vantor::cli
