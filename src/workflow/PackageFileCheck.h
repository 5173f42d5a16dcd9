#pragma once
// The package a user names, checked before anything opens it: only a regular file may
// be read (a FIFO would block the open for ever, a folder holds no package), and a file
// that cannot be opened says why.

#include <string>

namespace vantor::workflow {

enum class PackageFileProblem {
  kNone,
  kNotFound,
  kPermissionDenied,
  kIsDirectory,
  kNotRegular,  // a FIFO, a device, a socket
  kCannotOpen,  // `detail`: the system's words, when it gave any
  kUnreadable,  // its status cannot be read; `detail`: the system's words
};

struct PackageFileCheck {
  PackageFileProblem problem = PackageFileProblem::kNone;
  std::string detail;
};

PackageFileCheck CheckPackageFile(const std::string& path);

}  // namespace vantor::workflow
