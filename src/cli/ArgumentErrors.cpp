#include "cli/ArgumentErrors.h"

#include <CLI/Error.hpp>

#include <cctype>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"

namespace vantor::cli {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

}  // namespace

std::string ArgumentErrorText(const CLI::ParseError& error) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (what == "A subcommand is required") return LocalizedText(text::kCommandRequired);
    if (EndsWith(what, " is required")) {
      return Format(LocalizedText(text::kArgumentRequired).c_str(), what.substr(0, what.size() - 12).c_str());
    }
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::size_t colon = what.rfind(": ");
    if (colon != std::string::npos) {
      return Format(LocalizedText(text::kUnexpectedArguments).c_str(), what.substr(colon + 2).c_str());
    }
  }
  // A bad value, a missing one: the parser's sentence names the option and the value.
  return Format(LocalizedText(text::kBadArgument).c_str(), what.c_str());
}

std::vector<std::string> JoinWaitValues(const std::vector<std::string>& arguments) {
  std::vector<std::string> joined;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--wait" && i + 1 < arguments.size() && AllDigits(arguments[i + 1])) {
      joined.push_back("--wait=" + arguments[++i]);
      continue;
    }
    joined.push_back(arguments[i]);
  }
  return joined;
}

}  // namespace vantor::cli
