#pragma once
// An environment of emulated controllers in virtual time: `protocols` one unit each,
// plugged in at `arrivals` (ms), leaving after their update when asked.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "workflow/Environment.h"

namespace vantor::workflow {

inline std::unique_ptr<Environment> EmulatedEnvironment(const std::string& protocols, const std::string& arrivals = "",
                                                        bool leaveAfterUpdate = false) {
  SimulationSettings settings;
  settings.protocols = protocols;
  settings.virtualTime = true;
  settings.arrivals = arrivals;
  settings.leaveAfterUpdate = leaveAfterUpdate;
  Environment::Made made = Environment::Create(settings);
  EXPECT_EQ(made.problem, EnvironmentProblem::kNone) << made.detail;
  return std::move(made.environment);
}

}  // namespace vantor::workflow
