#pragma once
// The window's controller work, run on its controller thread (TaskThread): the probe
// of the controller the window shows, its update under the per-controller lock, and
// "update all" on a bench of every attached controller. Results come back as values.
//
// Threads: Probe, Update, UpdateAll and Release on the controller thread, one at a
// time; RequestStop from any thread (the GUI thread when the window closes).

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "workflow/Bench.h"
#include "workflow/CancelToken.h"
#include "workflow/ControllerLock.h"
#include "workflow/Environment.h"
#include "workflow/UpdateJob.h"

namespace vantor::desktop {

struct UpdateEnd {
  bool began = false;
  workflow::LockProblem lockProblem = workflow::LockProblem::kNone;
  hid::OpenError openError = hid::OpenError::kNone;  // when it could not begin
  UpdateResult result;
};

struct BenchEnd {
  bool ready = false;     // every unit could take the package
  bool confirmed = false;  // the user said yes
  std::vector<workflow::UnitVerdict> verdicts;  // in the order of the controllers given
  workflow::UnitTally tally;
};

class ControllerWork {
 public:
  ControllerWork(workflow::Environment& environment, UpdateView& view, workflow::JobSettings settings);
  ~ControllerWork();

  // Detection, open and the version probe of `path` (empty: whichever is found first).
  workflow::ControllerReport Probe(const std::string& path);
  // The update of the controller the last probe found, holding its lock throughout.
  UpdateEnd Update();
  // Every controller in `controllers` with `packagePath`: judged first, then one
  // question (`question`, asked through the view), then all at once.
  BenchEnd UpdateAll(const std::string& packagePath, const std::vector<hid::FoundController>& controllers,
                     const std::string& question, workflow::UnitListener* listener);
  // Ends what the controller thread holds (before the view goes).
  void Release();

  // Stops a running update or bench at its next safe point.
  void RequestStop();

 private:
  workflow::Environment& environment_;
  UpdateView& view_;
  workflow::JobSettings settings_;
  std::mutex mutex_;  // guards the two below against RequestStop
  std::unique_ptr<workflow::UpdateJob> job_;
  std::shared_ptr<workflow::CancelToken> benchCancel_;
};

}  // namespace vantor::desktop
