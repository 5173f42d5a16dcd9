// Systems whose files the diagnosis does not read (the browser, macOS): only what the
// HID backend tells (controllers present, opened by another program, in their normal
// mode).

#include "workflow/SystemView.h"

namespace vantor::workflow {
namespace {

class NoSystemView final : public SystemView {
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

}  // namespace

std::unique_ptr<SystemView> RunningSystem() { return std::make_unique<NoSystemView>(); }

}  // namespace vantor::workflow
