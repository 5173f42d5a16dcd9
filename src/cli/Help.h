#pragma once
// The help around the subcommands: the program's version line, and the answer to a
// mistyped subcommand (the nearest known one).

#include <optional>
#include <string>
#include <vector>

namespace vantor::cli {

// The HID library in use and its version ("hidapi 0.13.1"), or why there is none.
std::string HidapiVersion();

// "vantor-update 2.0.0 (hidapi 0.13.1)"; the hidapi part says when the library is
// missing.
std::string ProgramVersionLine();

// The known word nearest to `word` (edit distance at most 3, or a known word it
// starts), if any.
std::optional<std::string> NearestWord(const std::string& word, const std::vector<std::string>& known);

// The first argument in the subcommand's place that names no subcommand, skipping the
// options before it (and the values of `valueOptions`). Nothing when there is none.
std::optional<std::string> UnknownSubcommand(const std::vector<std::string>& arguments,
                                             const std::vector<std::string>& known,
                                             const std::vector<std::string>& valueOptions);

}  // namespace vantor::cli
