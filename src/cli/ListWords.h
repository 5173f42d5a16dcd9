#pragma once
// `list`'s words for the listed controllers: a line each, or a JSON document each.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "workflow/ControllerListing.h"

namespace vantor::cli {

using workflow::ListedController;

nlohmann::json ListedJson(const ListedController& listed);
// One line per controller, its identity and state in columns aligned by display width.
std::vector<std::string> ListedLines(const std::vector<ListedController>& listed);

}  // namespace vantor::cli
