#include "cli/FlashSelection.h"

#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/FlashAll.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "cli/PackagePath.h"
#include "workflow/DeviceWatch.h"
#include "workflow/WaitForController.h"

namespace vantor::cli {
// The rest of flash, once the package is the one expected.
int RunFlashChecked(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);

std::optional<ControllersAtHand> OpenAndWait(const CommonOptions& options, InterruptWatcher& interrupts,
                                             int* exitCode) {
  ControllersAtHand hand;
  hand.environment = OpenEnvironment(options, exitCode);
  if (!hand.environment) return std::nullopt;
  workflow::Environment& environment = *hand.environment;
  if (options.waitSeconds == -2) {
    hand.attached = workflow::AttachedControllers(environment.backend());
    return hand;
  }
  std::optional<std::uint64_t> timeoutMs;
  if (options.waitSeconds >= 0) timeoutMs = static_cast<std::uint64_t>(options.waitSeconds) * 1000;
  std::unique_ptr<workflow::DeviceWatch> watch = environment.Watch();
  if (workflow::NamedAmong(options.device, watch->attached()).empty()) {
    if (!options.quiet) WriteText(stderr, "vantor-update: " + LocalizedText(text::kWaitingForController) + "\n");
  }
  std::vector<hid::FoundController> found;
  switch (workflow::WaitForController(*watch, options.device, timeoutMs, interrupts.cancel(), environment.clock(),
                                      &found)) {
    case workflow::WaitEnd::kFound:
      hand.attached = watch->attached();
      return hand;
    case workflow::WaitEnd::kCancelled:
      *exitCode = Fail(options, interrupts.exitCode(), "interrupted", LocalizedText(text::kStoppedWaiting));
      return std::nullopt;
    case workflow::WaitEnd::kTimedOut:
      break;
  }
  *exitCode = Fail(options, kExitNoController, "no-controller",
                   Format(LocalizedText(text::kWaitTimedOut).c_str(), options.waitSeconds));
  return std::nullopt;
}

int RunFlashCommand(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  // Before anything is opened: a FIFO or a folder named as the package is refused, not
  // waited on.
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    return Fail(options, kExitUsage, problem->code, problem->message);
  }
  int exitCode = kExitSuccess;
  // Checked once, before any controller is opened; the update then reads the copy checked.
  const std::optional<workflow::PackageSnapshot> expected = ExpectedPackage(options, file, &exitCode);
  if (!expected) return exitCode;
  CommonOptions checked = options;
  checked.packageCopy = expected->path();
  return RunFlashChecked(checked, file, interrupts);
}

int RunFlashChecked(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts) {
  int exitCode = kExitSuccess;
  std::optional<ControllersAtHand> hand = OpenAndWait(options, interrupts, &exitCode);
  if (!hand) return exitCode;
  workflow::Environment* const environment = hand->environment.get();
  const Selection selection = SelectControllers(options, hand->attached, options.all);
  if (selection.exitCode) return *selection.exitCode;

  if (options.verify) {
    for (const hid::FoundController& controller : selection.controllers) {
      if (controller.protocol == hid::Protocol::kFramed) {
        // `verify` is the read-back itself; `flash --verify` could go on without it.
        const TextSlot why = options.verifyOnly ? text::kVerifyFramed : text::kVerifyUnavailable;
        return Fail(options, kExitUsage, "verify-unavailable",
                    Format(LocalizedText(why).c_str(), DescribeController(controller).c_str()));
      }
    }
  }
  if (options.all) return RunFlashAll(options, file, interrupts, *environment, selection.controllers);

  const hid::FoundController& chosen = selection.controllers.front();
  std::unique_ptr<workflow::ControllerLock> lock;
  if (environment->locksControllers()) {
    lock = LockOrSay(options, chosen, text::kInUseChooseAnother, &exitCode);
    if (!lock) return exitCode;
  }
  CommonOptions one = options;
  one.device = chosen.path;
  return RunFlashOn(one, file, interrupts, *environment);
}

}  // namespace vantor::cli
