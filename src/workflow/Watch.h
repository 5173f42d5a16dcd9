#pragma once
// The repair bench's loop: every supported controller that appears (and that `name`
// names, when given) is locked, probed, judged and updated with the package; a unit
// is updated again only after it was unplugged. Runs on the device watch until
// cancelled, then stops running updates at their safe points and waits for them.
//
// Threads: Run on the front end's thread, which the listener's arrival, refusal and
// end calls come on; the unit events come from each unit's worker.

#include <cstddef>
#include <list>
#include <mutex>
#include <set>
#include <string>

#include "workflow/BenchUnit.h"
#include "workflow/CancelToken.h"

namespace vantor::workflow {

class WatchListener : public UnitListener {
 public:
  // A unit appeared and will be judged (its number is new to this watch).
  virtual void OnUnitArrived(const BenchUnit& /*unit*/) {}
  // It will not be updated: its verdict says why.
  virtual void OnUnitRefused(const BenchUnit& /*unit*/) {}
  // Its update has ended: job().result() says how.
  virtual void OnUnitEnded(const BenchUnit& /*unit*/) {}
};

class Watch {
 public:
  Watch(Environment& environment, std::string packagePath, std::string name, JobSettings settings,
        WatchListener& listener);

  // Until `cancel`; what became of the units.
  UnitTally Run(CancelToken& cancel);

 private:
  void Arrive(const hid::FoundController& controller, const CancelToken& cancel);
  void StopAll();
  void ReapEnded();

  Environment& environment_;
  std::string packagePath_;
  std::string name_;
  JobSettings settings_;
  WatchListener& listener_;
  // Changed on Run's thread; the cancel's action walks it from another thread.
  std::mutex runningMutex_;
  std::list<BenchUnit> running_;
  std::set<std::string> handled_;  // units attached and already updated (or refused)
  std::size_t next_ = 0;
  UnitTally tally_;
};

}  // namespace vantor::workflow
