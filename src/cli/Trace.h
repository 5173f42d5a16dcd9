#pragma once
// What the program tells beyond its results: -v a readable trace (time since start,
// stages, the controller found, how it ended), -vv also the updater's raw debugger
// lines, --log FILE both of these into a file whatever the verbosity. Thread-safe.

#include <string>

namespace vantor::cli {

// False with `error` set when the log file cannot be created.
bool StartTrace(int verbosity, const std::string& logFile, std::string* error);
void StopTrace();
// One trace line, time-stamped: "[   1.234] stage writing-main".
void TraceLine(const std::string& line);

}  // namespace vantor::cli
