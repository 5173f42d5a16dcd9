#include "cli/PackagePath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Format.h"
#include "base/Platform.h"
#include "cli/CliTexts.h"

namespace vantor::cli {
namespace {

FileProblem Problem(const char* code, TextSlot slot, const std::string& path, const std::string& detail = "") {
  return FileProblem{code, Format(LocalizedText(slot).c_str(), path.c_str()) + detail};
}

}  // namespace

std::optional<FileProblem> CheckPackageFile(const std::string& path) {
  std::error_code error;
  // status() follows links but never opens the file, so a FIFO cannot block here.
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::u8path(path), error);
  if (error) {
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) {
      return Problem("file-not-found", text::kFileNotFound, path);
    }
    if (error == std::errc::permission_denied) return Problem("permission-denied", text::kFilePermissionDenied, path);
    return FileProblem{"cannot-read-file", path + ": " + error.message()};
  }
  if (std::filesystem::is_directory(status)) {
    return Problem("is-a-directory", text::kFileIsDirectory, path);
  }
  if (!std::filesystem::is_regular_file(status)) {
    return Problem("not-a-regular-file", text::kFileNotRegular, path);
  }
  errno = 0;
  std::FILE* file = platform::OpenRegularFileForReading(path);
  if (file == nullptr) {
    const int cause = errno;
    if (cause == EACCES || cause == EPERM) return Problem("permission-denied", text::kFilePermissionDenied, path);
    return Problem("cannot-read-file", text::kFileCannotOpen, path, cause != 0 ? std::string(": ") + std::strerror(cause) : "");
  }
  std::fclose(file);
  return std::nullopt;
}

}  // namespace vantor::cli
