#include "package/PackageFile.h"

#ifdef _WIN32
#include "app/win32/Utf16.h"
#endif

namespace vantor::package {

bool PackageFile::Open(const std::string& path) {
  Close();
#ifdef _WIN32
  file_ = _wfopen(win32::ToUtf16(path).c_str(), L"rb");
#else
  file_ = std::fopen(path.c_str(), "rb");
#endif
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

bool PackageFile::Seek(std::uint64_t offset) {
  if (file_ == nullptr) return false;
#ifdef _WIN32
  return _fseeki64(file_, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::int64_t PackageFile::Length() {
  if (file_ == nullptr) return -1;
#ifdef _WIN32
  const long long here = _ftelli64(file_);
  if (here < 0 || _fseeki64(file_, 0, SEEK_END) != 0) return -1;
  const long long end = _ftelli64(file_);
  _fseeki64(file_, here, SEEK_SET);
#else
  const off_t here = ftello(file_);
  if (here < 0 || fseeko(file_, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file_);
  fseeko(file_, here, SEEK_SET);
#endif
  return end;
}

}  // namespace vantor::package
