#pragma once
// The package named on the command line, checked before anything opens it: only a
// regular file may be read (a FIFO would block the open for ever, a directory has no
// package), and a file that cannot be opened says why.

#include <optional>
#include <string>

namespace vantor::cli {

struct FileProblem {
  std::string code;     // a stable error code of docs/json.md ("file-not-found", ...)
  std::string message;  // for the user: "FILE: no such file"
};

std::optional<FileProblem> CheckPackageFile(const std::string& path);

}  // namespace vantor::cli
