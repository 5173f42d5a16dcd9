#include "cli/Colour.h"

#include <cstdlib>
#include <cstring>

#include "cli/Output.h"
#include "cli/TerminalSize.h"

namespace vantor::cli {

bool ColourAllowed(bool terminal, bool json, const char* term, const char* noColor) {
  if (!terminal || json) return false;
  if (noColor != nullptr && *noColor != '\0') return false;
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

bool ColourWanted(std::FILE* stream, const CommonOptions& options) {
  return ColourAllowed(IsTerminal(stream), options.json, std::getenv("TERM"), std::getenv("NO_COLOR")) &&
         UnderstandsEscapes(stream);
}

std::string Paint(const std::string& line, bool success, bool colour) {
  if (!colour || line.empty()) return line;
  return (success ? "\x1b[32m" : "\x1b[31m") + line + "\x1b[0m";
}

}  // namespace vantor::cli
