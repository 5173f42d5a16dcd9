// `flash FILE`: one update, exactly as a click on the dialog's button runs it, with the
// terminal standing in for the dialog; the command line reports from the update's
// stages, bytes and result.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/OfferLines.h"
#include "package/FirmwarePackage.h"
#include "session/ResultWords.h"
#include "workflow/UpdateJob.h"
#include "cli/CliTexts.h"
#include "cli/Colour.h"
#include "cli/Commands.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/FlashParts.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "cli/ProbeLines.h"
#include "cli/TerminalSize.h"
#include "cli/TerminalView.h"
#include "cli/Trace.h"
#include "cli/UpdateDocument.h"

namespace vantor::cli {
namespace {

// How long a y/N question waits for the user before it counts as "no".
constexpr int kAnswerTimeoutMs = 10 * 60 * 1000;
constexpr auto kTickInterval = std::chrono::milliseconds(250);

// Keeps the progress line moving while the update runs, on a thread of its own.
class Ticker {
 public:
  explicit Ticker(TerminalView& view) : thread_([this, &view] { Run(view); }) {}
  ~Ticker() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run(TerminalView& view) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kTickInterval, [this] { return stop_; })) {
      lock.unlock();
      view.Tick();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

nlohmann::json FlashJson(const CommonOptions& options, const std::string& file, const ControllerReport& report,
                         const UpdateResult& result, const std::optional<PackageOffer>& offer, const TerminalView& view,
                         const Verdict& verdict, int signal, int exitCode, std::uint64_t durationMs) {
  UpdateRecord record;
  record.report = report;
  record.result = result;
  record.offer = offer;
  record.bytesSent = view.bytesSent();
  record.bytesTotal = view.bytesTotal();
  record.stageBytes = view.stageBytes();
  record.messages = view.messages();
  for (const std::string& line : verdict.lines) record.message += (record.message.empty() ? "" : "\n") + line;
  record.hint = verdict.hint;
  record.signal = signal;
  record.exitCode = exitCode;
  record.durationMs = durationMs;
  return UpdateDocument(options, file, record);
}

// What the update would have written, from the offer it stopped at, before its first
// write.
int SayDryRun(const CommonOptions& options, const std::string& file, workflow::UpdateJob& job,
              const PackageOffer& offer, const TerminalView& view, std::uint64_t durationMs) {
  const auto version = static_cast<std::uint16_t>(offer.newVersionWord & 0xFFFF);
  const auto beta = static_cast<std::uint16_t>(offer.newVersionWord >> 16);
  const std::uint16_t radioVersion = offer.newRadioVersion.value_or(0);
  std::vector<std::string> lines;
  const std::vector<std::string> offered = OfferLines(offer);
  lines.insert(lines.end(), offered.begin(), offered.begin() + 2);  // the controller, what it holds
  lines.push_back(Format(LocalizedText(text::kDryRunMain).c_str(), SizeText(offer.mainBytes).c_str(),
                         VersionText(version, beta).c_str(), Hex32(offer.mainAddress).c_str()));
  lines.push_back(offer.writesRadio ? Format(LocalizedText(text::kDryRunRadio).c_str(),
                                              SizeText(offer.radioBytes).c_str(), VersionText(radioVersion, 0).c_str())
                                     : LocalizedText(text::kDryRunRadioKept));
  lines.push_back(LocalizedText(text::kDryRunReady));
  if (options.json) {
    UpdateRecord record;
    record.report = job.report();
    record.result = job.result();
    record.offer = offer;
    record.messages = view.messages();
    for (const std::string& line : lines) record.message += (record.message.empty() ? "" : "\n") + line;
    record.exitCode = kExitSuccess;
    record.durationMs = durationMs;
    nlohmann::json document = UpdateDocument(options, file, record);
    document["outcome"] = "dry-run";
    document["wouldWrite"] = {
        {"main", {{"bytes", offer.mainBytes}, {"address", Hex32(offer.mainAddress)},
                  {"version", VersionJson(version, beta)}}},
        {"radio", offer.writesRadio
                      ? nlohmann::json{{"bytes", offer.radioBytes}, {"address", Hex32(offer.radioAddress)},
                                       {"version", VersionJson(radioVersion, 0)}}
                      : nlohmann::json()}};
    EmitJson(document);
  } else {
    for (const std::string& line : lines) SayResult(options, line);
  }
  return kExitSuccess;
}

}  // namespace

int RunFlash(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    return Fail(options, kExitUsage, problem->code, problem->message);
  }
  int exitCode = kExitSuccess;
  std::unique_ptr<workflow::Environment> environment = OpenEnvironment(options, &exitCode);
  if (!environment) return exitCode;
  return RunFlashOn(options, file, interrupts, *environment);
}

int RunFlashOn(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts,
               workflow::Environment& environment) {
  TerminalViewOptions viewOptions;
  viewOptions.out = HumanStream(options);
  viewOptions.prompt = stderr;
  viewOptions.terminal = IsTerminal(viewOptions.out) && !DumbTerminal();
  viewOptions.columns = [out = viewOptions.out] { return TerminalColumns(out); };
  viewOptions.quiet = options.quiet;
  viewOptions.assumeYes = options.assumeYes;
  viewOptions.dryRun = options.dryRun;
  viewOptions.packagePath = options.packageCopy.empty() ? file : options.packageCopy;
  viewOptions.clock = &environment.clock();
  const int cancelFd = interrupts.cancelFd();
  viewOptions.readAnswer = [cancelFd] { return ReadYesNoAnswer(cancelFd, kAnswerTimeoutMs); };
  viewOptions.onStage = [](UpdateStage stage) {
    if (stage != UpdateStage::kIdle) TraceLine(std::string("stage ") + StageName(stage));
  };
  viewOptions.traceOnScreen = options.verbosity >= 1;
  TerminalView view(viewOptions);

  workflow::JobSettings settings;
  settings.verifyAfterWrite = options.verify;
  settings.verifyOnly = options.verifyOnly;
  settings.readMode = true;
  workflow::UpdateJob job(environment, options.device, view, settings);
  const workflow::CancelScope stopOnInterrupt(interrupts.cancel(), [&job] { job.RequestStop(); });
  environment.OnPause([&view] { view.Tick(); });
  struct PauseObserverReset {
    workflow::Environment& environment;
    ~PauseObserverReset() { environment.OnPause(nullptr); }
  } pauseObserverReset{environment};

  const auto started = std::chrono::steady_clock::now();
  const auto duration = [&started] {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
  };
  if (options.simSignalAt == "probe") InterruptSelf(interrupts);
  ControllerReport report = job.Probe();
  if (interrupts.fired()) {
    UpdateResult result;
    result.outcome = UpdateOutcome::kInterrupted;
    result.stage = UpdateStage::kProbing;
    const Verdict verdict = options.verifyOnly ? VerifyVerdictFor(result, interrupts.signal(), file)
                                               : VerdictFor(result, interrupts.signal(), false);
    for (const std::string& line : verdict.lines) view.Say(line, stderr);
    if (options.json) {
      EmitJson(FlashJson(options, file, report, result, job.offer(), view, verdict, interrupts.signal(),
                         interrupts.exitCode(), duration()));
    }
    return interrupts.exitCode();
  }
  if (const std::optional<int> refusal = DeviceProblem(options, report)) return *refusal;
  TraceLine("controller " + report.path + " (" + hid::ProtocolName(report.protocol) + "), firmware " +
            (report.versionReported ? VersionDisplay(report.versionWord) : std::string("not reported")));
  bool began = false;
  {
    Ticker ticker(view);
    began = job.Run();
  }
  if (!began) {
    if (const std::optional<int> refusal = DeviceProblem(options, job.report())) return *refusal;
    return Fail(options, kExitUpdateFailed, "controller-unopenable", LocalizedText(vantor::text::kFailure));
  }

  const UpdateResult result = job.result();
  const std::optional<PackageOffer> offer = job.offer();
  if (options.dryRun && view.stoppedForDryRun() && offer && result.outcome == UpdateOutcome::kDeclined &&
      !interrupts.fired()) {
    if (!options.simDump.empty()) environment.DumpSimulatedFlash(options.simDump);
    return SayDryRun(options, file, job, *offer, view, duration());
  }
  const int signal = result.outcome == UpdateOutcome::kSucceeded ? 0 : interrupts.signal();
  const int exitCode = ExitCodeFor(result.outcome, signal != 0 ? interrupts.exitCode() : 0);
  const bool anySent = view.bytesSent().value_or(0) > 0;
  const Verdict verdict =
      options.verifyOnly ? VerifyVerdictFor(result, signal, file) : VerdictFor(result, signal, anySent);
  TraceLine(std::string("ended: ") + OutcomeName(result.outcome) +
            (result.outcome == UpdateOutcome::kFailed ? std::string(", ") + ReasonName(result.reason) : "") +
            " in " + StageName(result.stage));
  // The verdict's first line is the result: green or red on a terminal; the next step
  // after it stays plain.
  const bool colour = ColourWanted(verdict.isError ? stderr : HumanStream(options), options);
  for (std::size_t i = 0; i < verdict.lines.size(); ++i) {
    const std::string line = i == 0 ? Paint(verdict.lines[i], !verdict.isError, colour) : verdict.lines[i];
    if (verdict.isError) {
      view.Say(line, stderr);
    } else if (!options.json) {
      view.Say(line);
    }
  }

  if (!options.simDump.empty()) environment.DumpSimulatedFlash(options.simDump);
  if (options.json) {
    EmitJson(FlashJson(options, file, report, result, job.offer(), view, verdict, signal, exitCode, duration()));
  }
  return exitCode;
}

}  // namespace vantor::cli
