#pragma once
// `doctor`: why a controller is not found or cannot be opened, check by check.

#include <string>

#include "cli/CliOptions.h"

namespace vantor::cli {

int RunDoctor(const CommonOptions& options);

// Where a command ends for want of a controller (exit 3 or 4): the check that failed,
// in one line, and the pointer to `doctor`. Empty for emulated controllers.
std::string DiagnosisHint(const CommonOptions& options);

}  // namespace vantor::cli
