#pragma once
// A system whose files the diagnosis does not read: no udev rules, no device nodes with
// owners and modes, no /proc to name who holds a controller. Only what the HID backend
// tells counts (controllers present, opened by another program, in their normal mode).
// The browser's and macOS's view as it stands; Windows adds whether its HID services
// can be used.

#include "workflow/SystemView.h"

namespace vantor::workflow {

class SystemWithoutFiles : public SystemView {
 public:
  std::optional<std::string> ReadText(const std::string&) override { return std::nullopt; }
  std::vector<std::string> List(const std::string&) override { return {}; }
  std::optional<std::string> Resolve(const std::string&) override { return std::nullopt; }
  std::optional<NodeFacts> Node(const std::string&) override { return std::nullopt; }
  std::vector<Holder> HoldersOf(const std::string&) override { return {}; }
  bool SessionHasSeat() override { return true; }
  bool UsrReadOnly() override { return false; }
  bool HasUdevRules() override { return false; }
  std::optional<std::string> HidServicesProblem() override { return std::nullopt; }
};

}  // namespace vantor::workflow
