#include "package/PackageFile.h"

#include <vector>

#include "package/Sha256.h"

namespace vantor::package {

bool PackageFile::Open(const std::string& path) {
  Close();
  file_ = platform::OpenRegularFileForReading(path);
  if (file_ != nullptr && !SameIdentity()) Close();
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

std::optional<platform::FileIdentity> PackageFile::Identity() const {
  platform::FileIdentity identity;
  if (file_ == nullptr || !platform::IdentityOf(file_, &identity)) return std::nullopt;
  return identity;
}

bool PackageFile::SameIdentity() const {
  if (!pinned_) return true;
  const std::optional<platform::FileIdentity> now = Identity();
  return now && *now == pinned_->identity;
}

bool PackageFile::Unchanged() {
  if (!pinned_) return true;
  if (!SameIdentity()) return false;
  const std::optional<PackageFingerprint> now = Fingerprint(*this);
  return now && now->sha256 == pinned_->sha256 && now->identity == pinned_->identity;
}

std::optional<PackageFingerprint> Fingerprint(PackageFile& file) {
  PackageFingerprint fingerprint;
  const std::optional<platform::FileIdentity> before = file.Identity();
  if (!before || !file.Seek(0)) return std::nullopt;
  Sha256 digest;
  std::vector<std::uint8_t> piece(64 * 1024);
  for (;;) {
    const long got = file.Read(piece.data(), piece.size());
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    digest.Update(piece.data(), static_cast<std::size_t>(got));
  }
  // Written while it was being read: the digest is of no one version of the file.
  const std::optional<platform::FileIdentity> after = file.Identity();
  if (!after || *after != *before) return std::nullopt;
  fingerprint.sha256 = digest.HexDigest();
  fingerprint.identity = *after;
  return fingerprint;
}

}  // namespace vantor::package
