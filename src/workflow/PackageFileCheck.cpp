#include "workflow/PackageFileCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Platform.h"

namespace vantor::workflow {

PackageFileCheck CheckPackageFile(const std::string& path) {
  std::error_code error;
  // status() follows links but never opens the file, so a FIFO cannot block here.
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
  if (error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
      return {PackageFileProblem::kNotFound, ""};
    }
    if (error == std::errc::permission_denied) return {PackageFileProblem::kPermissionDenied, ""};
    return {PackageFileProblem::kUnreadable, error.message()};
  }
  if (std::filesystem::is_directory(status)) return {PackageFileProblem::kIsDirectory, ""};
  if (!std::filesystem::is_regular_file(status)) return {PackageFileProblem::kNotRegular, ""};
  errno = 0;
  std::FILE* file = platform::OpenRegularFileForReading(path);
  if (file == nullptr) {
    const int cause = errno;
    if (cause == EACCES || cause == EPERM) return {PackageFileProblem::kPermissionDenied, ""};
    return {PackageFileProblem::kCannotOpen, cause != 0 ? std::strerror(cause) : ""};
  }
  std::fclose(file);
  return {};
}

}  // namespace vantor::workflow
