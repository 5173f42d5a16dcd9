#pragma once
// The package named on the command line: its file's problems in the terminal's words
// with their error codes, and --expect-sha256's checked copy.

#include <optional>
#include <string>

#include "workflow/PackageSnapshot.h"

namespace vantor::cli {

struct CommonOptions;

struct FileProblem {
  std::string code;     // a stable error code of docs/json.md ("file-not-found", ...)
  std::string message;  // for the user: "FILE: no such file"
};

std::optional<FileProblem> CheckPackageFile(const std::string& path);

// With --expect-sha256: the checked copy, or the refusal said (the exit code in
// `exitCode`: 6 for another package). Without it: an empty snapshot, nothing copied.
std::optional<workflow::PackageSnapshot> ExpectedPackage(const CommonOptions& options, const std::string& file,
                                                         int* exitCode);

}  // namespace vantor::cli
