#pragma once
// A repair bench: several controllers updated with one package at once, each in its
// own update. Prepare locks every controller, probes it and judges the package for it,
// all before anything is written to any; the front end then asks its one question
// (or not) and Run updates them all.
//
// Threads: Prepare and Run on the front end's thread; the listener is called from
// each unit's worker.

#include <list>
#include <string>
#include <vector>

#include "workflow/BenchUnit.h"
#include "workflow/CancelToken.h"

namespace vantor::workflow {

class Bench {
 public:
  Bench(Environment& environment, std::string packagePath, JobSettings settings, UnitListener* listener = nullptr);

  // Locks every controller first (a busy one stops the rest from being probed), then
  // probes and judges each.
  void Prepare(const std::vector<hid::FoundController>& controllers);
  // Every unit can take the package.
  bool ready() const;
  // Updates every unit at once and waits until each has ended (bounded by the
  // updates' own waits); a cancel stops them at their safe points.
  void Run(CancelToken& cancel);

  std::list<BenchUnit>& units() { return units_; }
  UnitTally tally() const;
  const std::list<BenchUnit>& units() const { return units_; }

 private:
  Environment& environment_;
  std::string packagePath_;
  JobSettings settings_;
  UnitListener* listener_;
  std::list<BenchUnit> units_;
};

}  // namespace vantor::workflow
