#pragma once
// What `list` adds to each controller's identity: whether it answers the probe (boot
// mode, version). A controller another process is updating is not asked: its lock
// is held, and a version query would land in the middle of that update.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/ProbeLines.h"
#include "hid/CHid.h"
#include "workflow/Environment.h"

namespace vantor::cli {

struct ListedController {
  hid::FoundController controller;
  bool inUse = false;                     // another process holds its lock: not probed
  std::optional<ControllerReport> probe;  // when probed
};

ListedController ProbeForList(workflow::Environment& environment, const hid::FoundController& controller);
nlohmann::json ListedJson(const ListedController& listed);
// One line per controller, its identity and state in columns aligned by display width.
std::vector<std::string> ListedLines(const std::vector<ListedController>& listed);

}  // namespace vantor::cli
