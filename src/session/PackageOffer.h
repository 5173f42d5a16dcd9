#pragma once
// What an update offers before it writes anything: which package (and its SHA-256,
// taken before the first report is sent), which controller, what the controller holds,
// what it will get, and whether the radio's image is written too. The update hands it
// to the view with the confirmation; every front end shows it in its own words.

#include <cstdint>
#include <optional>
#include <string>

#include "hid/SupportedDevices.h"

namespace vantor {

// The new version against the installed one, as the controller orders them: version
// first, then beta number, where a release (beta 0) ranks above its betas.
enum class VersionOrder { kUnknown, kNewer, kSame, kOlder };

struct PackageOffer {
  std::string packagePath;
  std::string packageSha256;  // 64 lower-case hex digits
  std::string controllerPath;
  hid::Protocol protocol = hid::Protocol::kFramed;
  std::uint32_t newVersionWord = 0;            // version | beta << 16
  std::optional<std::uint32_t> installedWord;  // none: no firmware, or not reported
  VersionOrder order = VersionOrder::kUnknown;
  std::uint32_t mainAddress = 0;  // where the main image goes, as its section says
  std::uint32_t mainBytes = 0;
  bool writesRadio = false;
  std::optional<std::uint16_t> newRadioVersion;  // when the radio image is written
  std::uint32_t radioAddress = 0;                // the same for the radio image
  std::uint32_t radioBytes = 0;                  // its bytes after the section's own header
};

// kUnknown when nothing is installed (or not known).
VersionOrder CompareVersions(std::uint32_t newWord, std::optional<std::uint32_t> installedWord);

// "kNewer" -> "newer", for logs and JSON.
const char* VersionOrderName(VersionOrder order);

}  // namespace vantor
