#include "cli/FlashSelection.h"

#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/DeviceLock.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/FlashAll.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "cli/WaitForController.h"

namespace vantor::cli {

std::optional<std::vector<hid::FoundController>> AttachedAfterWait(const CommonOptions& options,
                                                                   Environment& environment,
                                                                   const InterruptWatcher& interrupts, int* exitCode) {
  if (options.waitSeconds == -2) return AttachedControllers(environment.backend());
  std::optional<std::uint64_t> timeoutMs;
  if (options.waitSeconds >= 0) timeoutMs = static_cast<std::uint64_t>(options.waitSeconds) * 1000;
  std::vector<hid::FoundController> found;
  const WaitEnd end = WaitForControllers(
      environment.backend(), environment.clock(), interrupts, timeoutMs,
      [&options](const std::vector<hid::FoundController>& attached) { return Named(options, attached); }, &found);
  if (end == WaitEnd::kInterrupted) {
    *exitCode = Fail(options, kExitInterrupted, "interrupted", LocalizedText(text::kInterrupted));
    return std::nullopt;
  }
  if (end == WaitEnd::kTimedOut) {
    *exitCode = Fail(options, kExitNoController, "no-controller",
                     Format(LocalizedText(text::kWaitTimedOut).c_str(), options.waitSeconds));
    return std::nullopt;
  }
  return AttachedControllers(environment.backend());
}

std::optional<ControllersAtHand> OpenAndWait(const CommonOptions& options, const InterruptWatcher& interrupts,
                                             int* exitCode) {
  std::string error;
  bool usage = false;
  ControllersAtHand hand;
  hand.environment = Environment::Create(options, &error, &usage);
  if (!hand.environment) {
    *exitCode = Fail(options, usage ? kExitUsage : kExitUpdateFailed, usage ? "usage" : "hid-unavailable", error);
    return std::nullopt;
  }
  std::optional<std::vector<hid::FoundController>> attached =
      AttachedAfterWait(options, *hand.environment, interrupts, exitCode);
  if (!attached) return std::nullopt;
  hand.attached = std::move(*attached);
  return hand;
}

int RunFlashCommand(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  // Before anything is opened: a FIFO or a folder named as the package is refused, not
  // waited on.
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    return Fail(options, kExitUsage, problem->code, problem->message);
  }
  int exitCode = kExitSuccess;
  std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &exitCode);
  if (!hand) return exitCode;
  Environment* const environment = hand->environment.get();
  const Selection selection = SelectControllers(options, hand->attached, options.all);
  if (selection.exitCode) return *selection.exitCode;

  if (options.verify) {
    for (const hid::FoundController& controller : selection.controllers) {
      if (controller.protocol == hid::Protocol::kFramed) {
        return Fail(options, kExitUsage, "verify-unavailable",
                    Format(LocalizedText(text::kVerifyUnavailable).c_str(), DescribeController(controller).c_str()));
      }
    }
  }
  if (options.all) return RunFlashAll(options, file, interrupts, *environment, selection.controllers);

  const hid::FoundController& chosen = selection.controllers.front();
  std::unique_ptr<DeviceLock> lock;
  // The plain simulated controller lives inside this process alone; a lock would
  // only make parallel runs of it refuse each other.
  if (environment->simulated() == nullptr) {
    bool busy = false;
    std::string error;
    lock = DeviceLock::Acquire(chosen, &busy, &error);
    if (!lock) {
      return Fail(options, kExitUpdateFailed, "controller-busy",
                  busy ? Format(LocalizedText(text::kInUseChooseAnother).c_str(), DescribeController(chosen).c_str())
                       : error);
    }
  }
  CommonOptions one = options;
  one.device = chosen.path;
  return RunFlashOn(one, file, interrupts, *environment);
}

}  // namespace vantor::cli
