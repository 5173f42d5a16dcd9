#include "workflow/PackageSnapshot.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#include "package/Sha256.h"

namespace vantor::workflow {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return text;
}

// A folder of a fresh name, created here and readable by its owner only.
std::optional<std::filesystem::path> PrivateFolder() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return std::nullopt;
  std::mt19937_64 random(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                         std::random_device{}());
  for (int attempt = 0; attempt < 16; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "vantor-update-%016llx", static_cast<unsigned long long>(random()));
    const std::filesystem::path folder = base / name;
    if (std::filesystem::create_directory(folder, error)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
      return folder;
    }
  }
  return std::nullopt;
}

}  // namespace

bool IsSha256Hex(const std::string& text) {
  return text.size() == 64 &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::optional<PackageSnapshot> PackageSnapshot::Take(const std::string& source, std::string* error) {
  const std::optional<std::filesystem::path> folder = PrivateFolder();
  if (!folder) {
    *error = "cannot create a temporary folder";
    return std::nullopt;
  }
  PackageSnapshot snapshot;
  snapshot.folder_ = folder->u8string();
  snapshot.path_ = (*folder / "package.dat").u8string();
  std::ifstream in(std::filesystem::u8path(source), std::ios::binary);
  std::ofstream out(std::filesystem::u8path(snapshot.path_), std::ios::binary | std::ios::trunc);
  package::Sha256 digest;
  bool ok = in.is_open() && out.is_open();
  std::vector<char> buffer(64 * 1024);
  while (ok) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) {
      ok = in.eof() && !in.bad();
      break;
    }
    digest.Update(reinterpret_cast<const std::uint8_t*>(buffer.data()), got);
    ok = static_cast<bool>(out.write(buffer.data(), static_cast<std::streamsize>(got)));
  }
  out.close();
  ok = ok && !out.fail();
  if (!ok) {
    *error = "cannot copy " + source;
    return std::nullopt;  // the destructor of `snapshot` removes the folder
  }
  snapshot.sha256_ = digest.HexDigest();
  return snapshot;
}

PackageSnapshot::PackageSnapshot(PackageSnapshot&& other) noexcept
    : folder_(std::move(other.folder_)), path_(std::move(other.path_)), sha256_(std::move(other.sha256_)) {
  other.folder_.clear();
}

PackageSnapshot::~PackageSnapshot() {
  if (folder_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::u8path(folder_), ignored);
}

bool PackageSnapshot::Matches(const std::string& expectedHex) const { return Lower(expectedHex) == sha256_; }

}  // namespace vantor::workflow
