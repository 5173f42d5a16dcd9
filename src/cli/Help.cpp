#include "cli/Help.h"

#include <algorithm>

#ifndef _WIN32
#include <dlfcn.h>

#include "hid/hidapi/HidapiBackend.h"
#endif

#include "VantorVersion.h"

namespace vantor::cli {
namespace {

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string HidapiVersion() {
#ifdef _WIN32
  return "Windows HID";
#else
  // The library the program would load for real controllers, asked for its version.
  void* library = dlopen(hid::HidapiLibraryName(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    return std::string("hidapi cannot be loaded") + (why != nullptr ? std::string(": ") + why : std::string());
  }
  using VersionFunction = const char* (*)();
  const auto version = reinterpret_cast<VersionFunction>(dlsym(library, "hid_version_str"));
  std::string text = version != nullptr ? std::string("hidapi ") + version() : std::string("hidapi (version unknown)");
  dlclose(library);
  return text;
#endif
}

std::string ProgramVersionLine() { return std::string("vantor-update ") + VANTOR_VERSION_STRING + " (" + HidapiVersion() + ")"; }

std::optional<std::string> NearestWord(const std::string& word, const std::vector<std::string>& known) {
  std::optional<std::string> best;
  std::size_t bestDistance = 4;
  for (const std::string& candidate : known) {
    std::size_t distance = Distance(word, candidate);
    if (!word.empty() && candidate.rfind(word, 0) == 0) distance = std::min<std::size_t>(distance, 1);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

std::optional<std::string> UnknownSubcommand(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& known,
                                             const std::vector<std::string>& valueOptions) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") return std::nullopt;
    if (!argument.empty() && argument[0] == '-') {
      const bool takesValue = std::find(valueOptions.begin(), valueOptions.end(), argument) != valueOptions.end();
      if (takesValue) ++i;
      continue;
    }
    if (std::find(known.begin(), known.end(), argument) != known.end()) return std::nullopt;
    return argument;
  }
  return std::nullopt;
}

}  // namespace vantor::cli
