#pragma once
// Results in colour on a terminal: green for success, red for failure. Never with
// NO_COLOR set (to anything but empty), TERM=dumb, output that is no terminal, or --json.

#include <cstdio>
#include <string>

#include "cli/CliOptions.h"

namespace vantor::cli {

// The rule itself: `noColor` and `term` are the variables' values (null: unset).
bool ColourAllowed(bool terminal, bool json, const char* term, const char* noColor);
// The rule for `stream` as this process sees it.
bool ColourWanted(std::FILE* stream, const CommonOptions& options);
// `line` in green (success) or red, when `colour`; else unchanged.
std::string Paint(const std::string& line, bool success, bool colour);

}  // namespace vantor::cli
