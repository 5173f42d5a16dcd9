#pragma once
// What a mistake on the command line is called, in the user's language. The parser's
// own messages are English sentences; the ones users meet are said again here, with
// the parser's words kept only where they name an option or a value.

#include <string>
#include <vector>

namespace CLI {
class ParseError;
}

namespace vantor::cli {

std::string ArgumentErrorText(const CLI::ParseError& error);

// `--wait 5` as `--wait=5`: a number after the bare flag is its value, not a command.
std::vector<std::string> JoinWaitValues(const std::vector<std::string>& arguments);

}  // namespace vantor::cli
