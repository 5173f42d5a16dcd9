#include "CampaignOptions.h"

#include <cerrno>
#include <cstdlib>

namespace vantor::campaign {
namespace {

// Decimal only: a seed or a count is never read as octal or hexadecimal.
bool ParseNumber(const std::string& text, std::uint64_t* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  *value = std::strtoull(text.c_str(), nullptr, 10);
  return errno == 0;
}

}  // namespace

const char* Usage() {
  return "usage: fault-campaign --protocol framed|addressed --runs N --seed S [--jobs J]\n"
         "                      [--bound-ms MS] [--watchdog SECONDS] [--in-process] [--verbose]\n";
}

bool ParseOptions(int argc, char** argv, CampaignOptions* options, std::string* error) {
  bool protocolGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--in-process") {
      options->inProcess = true;
      continue;
    }
    if (name == "--verbose") {
      options->verbose = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = name + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    std::uint64_t number = 0;
    if (name == "--protocol") {
      if (value == "framed") {
        options->protocol = Protocol::kFramed;
      } else if (value == "addressed") {
        options->protocol = Protocol::kAddressed;
      } else {
        *error = "unknown protocol " + value;
        return false;
      }
      protocolGiven = true;
    } else if (!ParseNumber(value, &number)) {
      *error = name + " takes a decimal number, not " + value;
      return false;
    } else if (name == "--runs") {
      options->runs = number;
    } else if (name == "--seed") {
      options->seed = number;
    } else if (name == "--jobs" && number >= 1 && number <= 64) {
      options->jobs = static_cast<unsigned>(number);
    } else if (name == "--bound-ms" && number > 0) {
      options->boundMs = number;
    } else if (name == "--watchdog" && number > 0 && number < 100000) {
      options->watchdogSeconds = static_cast<unsigned>(number);
    } else {
      *error = "unknown option or value out of range: " + name + " " + value;
      return false;
    }
  }
  if (!protocolGiven) {
    *error = "--protocol is required";
    return false;
  }
  return true;
}

}  // namespace vantor::campaign
