#include "cli/PackagePath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Platform.h"

namespace vantor::cli {

std::optional<FileProblem> CheckPackageFile(const std::string& path) {
  std::error_code error;
  // status() follows links but never opens the file, so a FIFO cannot block here.
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
  if (error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
      return FileProblem{"file-not-found", path + ": no such file"};
    }
    if (error == std::errc::permission_denied) return FileProblem{"permission-denied", path + ": permission denied"};
    return FileProblem{"cannot-read-file", path + ": " + error.message()};
  }
  if (std::filesystem::is_directory(status)) {
    return FileProblem{"is-a-directory", path + ": is a directory, not a firmware package"};
  }
  if (!std::filesystem::is_regular_file(status)) {
    return FileProblem{"not-a-regular-file", path + ": not a regular file (a FIFO, socket or device is not read)"};
  }
  errno = 0;
  std::FILE* file = platform::OpenForReading(path);
  if (file == nullptr) {
    const int cause = errno;
    if (cause == EACCES || cause == EPERM) return FileProblem{"permission-denied", path + ": permission denied"};
    return FileProblem{"cannot-read-file", path + ": cannot open" + (cause != 0 ? std::string(": ") + std::strerror(cause) : "")};
  }
  std::fclose(file);
  return std::nullopt;
}

}  // namespace vantor::cli
