#include "package/PackageFile.h"

#include "base/Platform.h"

namespace vantor::package {

bool PackageFile::Open(const std::string& path) {
  Close();
  file_ = platform::OpenForReading(path);
  return file_ != nullptr;
}

void PackageFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

long PackageFile::Read(void* destination, std::size_t count) {
  if (file_ == nullptr) return -1;
  const std::size_t got = std::fread(destination, 1, count, file_);
  if (got < count && std::ferror(file_)) return -1;
  return static_cast<long>(got);
}

bool PackageFile::Seek(std::uint64_t offset) { return file_ != nullptr && platform::Seek(file_, offset); }

std::int64_t PackageFile::Length() { return file_ != nullptr ? platform::Length(file_) : -1; }

}  // namespace vantor::package
