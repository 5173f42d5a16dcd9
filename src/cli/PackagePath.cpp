#include "cli/PackagePath.h"

#include <algorithm>
#include <cctype>

#include "base/Format.h"
#include "cli/CliOptions.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "workflow/PackageFileCheck.h"

namespace vantor::cli {
namespace {

FileProblem Problem(const char* code, TextSlot slot, const std::string& path, const std::string& detail = "") {
  return FileProblem{code, Format(LocalizedText(slot).c_str(), path.c_str()) + detail};
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return text;
}

}  // namespace

std::optional<FileProblem> CheckPackageFile(const std::string& path) {
  const workflow::PackageFileCheck check = workflow::CheckPackageFile(path);
  switch (check.problem) {
    case workflow::PackageFileProblem::kNone:
      return std::nullopt;
    case workflow::PackageFileProblem::kNotFound:
      return Problem("file-not-found", text::kFileNotFound, path);
    case workflow::PackageFileProblem::kPermissionDenied:
      return Problem("permission-denied", text::kFilePermissionDenied, path);
    case workflow::PackageFileProblem::kIsDirectory:
      return Problem("is-a-directory", text::kFileIsDirectory, path);
    case workflow::PackageFileProblem::kNotRegular:
      return Problem("not-a-regular-file", text::kFileNotRegular, path);
    case workflow::PackageFileProblem::kCannotOpen:
      return Problem("cannot-read-file", text::kFileCannotOpen, path, check.detail.empty() ? "" : ": " + check.detail);
    case workflow::PackageFileProblem::kUnreadable:
      break;
  }
  return FileProblem{"cannot-read-file", path + ": " + check.detail};
}

std::optional<workflow::PackageSnapshot> ExpectedPackage(const CommonOptions& options, const std::string& file,
                                                         int* exitCode) {
  if (options.expectSha256.empty()) return workflow::PackageSnapshot();
  std::string error;
  std::optional<workflow::PackageSnapshot> snapshot = workflow::PackageSnapshot::Take(file, &error);
  if (!snapshot) {
    *exitCode = Fail(options, kExitUsage, "cannot-read-file",
                     Format(LocalizedText(text::kSha256CannotCopy).c_str(), error.c_str()));
    return std::nullopt;
  }
  if (!snapshot->Matches(options.expectSha256)) {
    *exitCode = Fail(options, kExitPackageMismatch, "sha256-mismatch",
                     Format(LocalizedText(text::kSha256Mismatch).c_str(), file.c_str(), snapshot->sha256().c_str(),
                            Lower(options.expectSha256).c_str()));
    return std::nullopt;
  }
  return snapshot;
}

}  // namespace vantor::cli
