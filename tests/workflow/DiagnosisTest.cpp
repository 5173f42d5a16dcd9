// The diagnosis on a made-up system: which rule udev would read, why a controller that
// is there cannot be opened by this user, and what is left to check where no udev
// decides (Windows).

#include <gtest/gtest.h>

#include <map>

#include "sim/AddressedEmulator.h"
#include "sim/SimHidBackend.h"
#include "workflow/Diagnosis.h"
#include "workflow/DiagnosisWords.h"

namespace vantor::workflow {
namespace {

class MadeUpSystem final : public SystemView {
 public:
  std::optional<std::string> ReadText(const std::string& path) override {
    const auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> names;
    for (const auto& [path, text] : files) {
      if (path.rfind(folder + "/", 0) == 0) names.push_back(path.substr(folder.size() + 1));
    }
    return names;
  }
  std::optional<std::string> Resolve(const std::string& path) override {
    const auto link = links.find(path);
    return link != links.end() ? link->second : path;
  }
  std::optional<NodeFacts> Node(const std::string& path) override {
    const auto found = nodes.find(path);
    if (found == nodes.end()) return std::nullopt;
    return found->second;
  }
  std::vector<Holder> HoldersOf(const std::string& path) override { return holders[path]; }
  bool SessionHasSeat() override { return seat; }
  bool UsrReadOnly() override { return usrReadOnly; }
  bool HasUdevRules() override { return udev; }
  std::optional<std::string> HidServicesProblem() override { return servicesProblem; }

  std::map<std::string, std::string> files;
  std::map<std::string, std::string> links;
  std::map<std::string, NodeFacts> nodes;
  std::map<std::string, std::vector<Holder>> holders;
  bool seat = true;
  bool usrReadOnly = false;
  bool udev = true;
  std::optional<std::string> servicesProblem;
};

const std::string kRule =
    "SUBSYSTEM==\"hidraw\", KERNELS==\"0003:0483:5750.*\", TAG+=\"uaccess\"\n"
    "SUBSYSTEM==\"hidraw\", KERNELS==\"0003:2DC8:5750.*\", TAG+=\"uaccess\"\n"
    "SUBSYSTEM==\"hidraw\", KERNELS==\"0003:2DC8:3002.*\", TAG+=\"uaccess\"\n";

Finding RuleFinding(MadeUpSystem& system) {
  for (const CheckResult& result : Diagnose(system, nullptr, "", "missing").checks) {
    if (result.check == Check::kUdevRule) return result.finding;
  }
  return Finding::kOk;
}

TEST(Diagnosis, TheRuleIsTheOneUdevReads) {
  MadeUpSystem system;
  EXPECT_EQ(RuleFinding(system), Finding::kRuleMissing);
  system.files["/usr/lib/udev/rules.d/70-vantor-update.rules"] = kRule;
  EXPECT_EQ(RuleFinding(system), Finding::kOk) << "the packaged rule, outside /etc";
  // A file of the same name earlier in udev's order hides it, and a link to
  // /dev/null masks it.
  system.files["/etc/udev/rules.d/70-vantor-update.rules"] = "# emptied by hand\n";
  EXPECT_EQ(RuleFinding(system), Finding::kRuleShadowed);
  system.files["/etc/udev/rules.d/70-vantor-update.rules"] = "";
  system.links["/etc/udev/rules.d/70-vantor-update.rules"] = "/dev/null";
  EXPECT_EQ(RuleFinding(system), Finding::kRuleShadowed);
  system.files.clear();
  system.links.clear();
  system.files["/etc/udev/rules.d/70-vantor-update.rules"] = kRule.substr(0, kRule.find('\n') + 1);
  EXPECT_EQ(RuleFinding(system), Finding::kRuleLacksIds);
  system.files.clear();
  system.files["/etc/udev/rules.d/99-mine.rules"] = kRule;
  EXPECT_EQ(RuleFinding(system), Finding::kOk) << "a rule of another name that grants all three ids";
}

class ControllerDiagnosis : public ::testing::Test {
 protected:
  ControllerDiagnosis() {
    system.files["/usr/lib/udev/rules.d/70-vantor-update.rules"] = kRule;
    sim::AddressedEmulator::Attach(backend, clock, {}, "/dev/hidraw3");
  }
  const CheckResult& Controller(const Diagnosis& diagnosis) {
    for (const CheckResult& result : diagnosis.checks) {
      if (result.check == Check::kController) return result;
    }
    static const CheckResult none;
    ADD_FAILURE() << "no controller check";
    return none;
  }
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  MadeUpSystem system;
};

TEST_F(ControllerDiagnosis, SaysWhyThisUserCannotOpenIt) {
  const Diagnosis fine = Diagnose(system, &backend, "hidapi", "");
  EXPECT_TRUE(fine.updatable);
  EXPECT_EQ(fine.firstProblem(), nullptr);

  backend.FailOpensWith(hid::OpenError::kAccessDenied);
  NodeFacts node;
  node.owner = "root";
  node.group = "root";
  node.mode = 0600;
  system.nodes["/dev/hidraw3"] = node;
  Diagnosis denied = Diagnose(system, &backend, "hidapi", "");
  EXPECT_FALSE(denied.updatable);
  EXPECT_EQ(Controller(denied).finding, Finding::kNoAccessNoRule) << "udev applied no rule to the node";
  ASSERT_NE(denied.firstProblem(), nullptr);
  EXPECT_EQ(denied.firstProblem()->check, Check::kController);

  system.nodes["/dev/hidraw3"].uaccessTag = true;
  system.seat = false;
  EXPECT_EQ(Controller(Diagnose(system, &backend, "hidapi", "")).finding, Finding::kNoAccessNoSeat)
      << "uaccess grants nothing to a session without a seat (SSH, a service)";

  system.nodes["/dev/hidraw3"].groupGid = 46;
  system.nodes["/dev/hidraw3"].mode = 0660;
  system.nodes["/dev/hidraw3"].uaccessTag = false;
  EXPECT_EQ(Controller(Diagnose(system, &backend, "hidapi", "")).finding, Finding::kNoAccessNotInGroup);
}

TEST_F(ControllerDiagnosis, NamesWhatElseIsThereOrHoldsIt) {
  system.holders["/dev/hidraw3"] = {{4242, "other-flasher"}};
  const Diagnosis held = Diagnose(system, &backend, "hidapi", "");
  EXPECT_EQ(Controller(held).finding, Finding::kHeldElsewhere);
  ASSERT_EQ(Controller(held).holders.size(), 1u);
  EXPECT_EQ(Controller(held).holders.front().program, "other-flasher");

  VirtualClock otherClock;
  sim::SimHidBackend normal{otherClock};
  normal.AddDevice("/dev/hidraw5", 0x2DC8, 0x6012, nullptr);
  const Diagnosis nothing = Diagnose(system, &normal, "hidapi", "");
  ASSERT_NE(nothing.firstProblem(), nullptr);
  EXPECT_EQ(nothing.firstProblem()->finding, Finding::kInNormalMode);
  EXPECT_EQ(nothing.firstProblem()->subject, "2dc8:6012");

  const Diagnosis noLibrary = Diagnose(system, nullptr, "", "cannot load libhidapi-hidraw.so.0");
  ASSERT_NE(noLibrary.firstProblem(), nullptr);
  EXPECT_EQ(noLibrary.firstProblem()->finding, Finding::kLibraryMissing);
  EXPECT_EQ(noLibrary.firstProblem()->detail, "cannot load libhidapi-hidraw.so.0");
}

// Without udev no rule can keep a controller out: neither the rule nor its folder is
// checked, and a bus with nothing of ours on it is just that.
TEST_F(ControllerDiagnosis, WithoutUdevOnlyTheControllersAreChecked) {
  MadeUpSystem windows;
  windows.udev = false;
  windows.usrReadOnly = true;
  VirtualClock otherClock;
  sim::SimHidBackend empty{otherClock};
  const Diagnosis nothing = Diagnose(windows, &empty, "hid.dll", "");
  for (const CheckResult& result : nothing.checks) {
    EXPECT_NE(result.check, Check::kUdevRule);
    EXPECT_NE(result.check, Check::kRuleFolder);
  }
  ASSERT_NE(nothing.firstProblem(), nullptr);
  EXPECT_EQ(nothing.firstProblem()->finding, Finding::kNothingAttached);

  // Another program has it open, and the system does not say which.
  backend.FailOpensWith(hid::OpenError::kBusy);
  const Diagnosis held = Diagnose(windows, &backend, "hid.dll", "");
  ASSERT_NE(held.firstProblem(), nullptr);
  EXPECT_EQ(held.firstProblem()->finding, Finding::kHeldElsewhere);
  const std::string line = WordsFor(*held.firstProblem()).line;
  EXPECT_EQ(line.find('?'), std::string::npos) << line;
  EXPECT_NE(line.find("/dev/hidraw3"), std::string::npos) << line;
  // Where no rule decides, a refused open is another program's exclusive hold, and no
  // rule is offered as the next step.
  backend.FailOpensWith(hid::OpenError::kAccessDenied);
  const Diagnosis denied = Diagnose(windows, &backend, "hid.dll", "");
  ASSERT_NE(denied.firstProblem(), nullptr);
  EXPECT_EQ(denied.firstProblem()->finding, Finding::kHeldElsewhere);
  EXPECT_EQ(WordsFor(*denied.firstProblem()).nextStep.find("udev"), std::string::npos);
  backend.FailOpensWith(hid::OpenError::kBusy);

  // HID services that cannot list their devices would pass for an empty bus.
  windows.servicesProblem = "SetupDiGetClassDevs: error 5";
  const Diagnosis unusable = Diagnose(windows, &backend, "hid.dll", "");
  ASSERT_NE(unusable.firstProblem(), nullptr);
  EXPECT_EQ(unusable.firstProblem()->finding, Finding::kHidServicesUnusable);
  EXPECT_EQ(unusable.firstProblem()->detail, "SetupDiGetClassDevs: error 5");
  EXPECT_FALSE(WordsFor(*unusable.firstProblem()).nextStep.empty());
  for (const CheckResult& result : unusable.checks) EXPECT_NE(result.check, Check::kNoController);
}

}  // namespace
}  // namespace vantor::workflow
