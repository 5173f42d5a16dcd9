#pragma once
// One controller among several updated with one package (a bench, watch): its lock,
// its unattended view and its update job, and the judgement made before anything is
// written to any controller: can this unit take the package?

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "package/FirmwarePackage.h"
#include "workflow/ControllerLock.h"
#include "workflow/UnattendedView.h"
#include "workflow/UpdateJob.h"

namespace vantor::workflow {

enum class UnitProblem {
  kNone,
  kBusy,                // another process updates it
  kLockFailed,          // its lock could not be taken (detail)
  kGone,                // no longer attached
  kCannotOpen,          // attached, but it could not be opened for the probe
  kUpdateUnopenable,    // it answered the probe, but could not be opened for the update
  kNoAnswer,            // it did not answer the probe: not in boot mode?
  kNothingForIt,        // the package holds no section for its type and variant
  kPackageRefused,      // the package is refused for it (packageProblem)
  kPackageUnreadable,   // the package could not be read
};

struct UnitVerdict {
  UnitProblem problem = UnitProblem::kNone;
  std::uint16_t deviceType = 0;  // what the package was judged for
  std::uint8_t deviceVariant = 0;
  package::PackageProblem packageProblem = package::PackageProblem::kNone;
  std::string detail;
  // The version word of the section the package offers it, once found.
  std::optional<std::uint32_t> offeredVersionWord;
};

class BenchUnit {
 public:
  BenchUnit(Environment& environment, hid::FoundController controller, std::string packagePath,
            JobSettings settings, UnitListener* listener, std::size_t index);

  // Takes the controller's lock (when the environment locks controllers); false with
  // the verdict set when it cannot be had.
  bool Lock(bool locks);
  // The probe and the package's judgement for this unit; the verdict says.
  void ProbeAndJudge();
  // Starts the update (false: it could not be opened, said in the verdict).
  bool Begin();

  const hid::FoundController& controller() const { return controller_; }
  std::size_t index() const { return index_; }
  const UnitVerdict& verdict() const { return verdict_; }
  bool started() const { return started_; }
  UpdateJob& job() { return job_; }
  const UpdateJob& job() const { return job_; }
  const UnattendedView& view() const { return view_; }

 private:
  hid::FoundController controller_;
  std::size_t index_;
  std::string packagePath_;
  std::unique_ptr<ControllerLock> lock_;
  UnitVerdict verdict_;
  bool started_ = false;
  UnattendedView view_;
  UpdateJob job_;  // last: its end stops and joins the worker first
};

// What became of a bench's or a watch's units, as every front end sums them up.
struct UnitTally {
  std::size_t updated = 0;
  std::size_t failed = 0;   // an update that began and did not succeed
  std::size_t refused = 0;  // never began: busy, silent, declined, or not for this package
  void Count(const BenchUnit& unit);
};

}  // namespace vantor::workflow
