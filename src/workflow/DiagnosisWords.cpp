#include "workflow/DiagnosisWords.h"

#include "base/Format.h"
#include "base/LocalizedText.h"

namespace vantor::workflow {
namespace {

// The diagnosis's texts (src/res/texts.inc).
constexpr TextSlot kLibraryLoaded = 128;
constexpr TextSlot kLibraryUnusable = 129;
constexpr TextSlot kInstallLibrary = 130;
constexpr TextSlot kRuleGrants = 131;
constexpr TextSlot kNoRule = 132;
constexpr TextSlot kInstallRule = 133;
constexpr TextSlot kRuleHidden = 134;
constexpr TextSlot kMendHidingRule = 135;
constexpr TextSlot kRuleLacksIds = 136;
constexpr TextSlot kUsrReadOnlyText = 137;
constexpr TextSlot kCanOpen = 138;
constexpr TextSlot kHeldBy = 139;
constexpr TextSlot kCloseHolder = 140;
constexpr TextSlot kNoAccessNoRuleText = 141;
constexpr TextSlot kNoSeat = 142;
constexpr TextSlot kJoinPlugdev = 143;
constexpr TextSlot kGroupMayOpen = 144;
constexpr TextSlot kJoinGroup = 145;
constexpr TextSlot kMayNotOpen = 146;
constexpr TextSlot kNormalModeText = 147;
constexpr TextSlot kNothingAttachedText = 148;
constexpr TextSlot kEnterBootMode = 149;
constexpr TextSlot kHeldByAnother = 181;  // the system does not say which program
constexpr TextSlot kHidServicesUnusableText = 182;
constexpr TextSlot kRestartSystem = 183;

std::string Text(TextSlot slot) { return LocalizedText(slot); }

std::string HolderNames(const CheckResult& result) {
  std::string names;
  for (const Holder& holder : result.holders) {
    names += (names.empty() ? "" : ", ") + holder.program + Format(" (%d)", holder.pid);
  }
  return names;
}

}  // namespace

CheckWords WordsFor(const CheckResult& result) {
  const char* subject = result.subject.c_str();
  switch (result.finding) {
    case Finding::kOk:
      switch (result.check) {
        case Check::kHidLibrary:
          return {Format(Text(kLibraryLoaded).c_str(), subject), ""};
        case Check::kUdevRule:
          return {Format(Text(kRuleGrants).c_str(), subject), ""};
        default:
          return {Format(Text(kCanOpen).c_str(), subject), ""};
      }
    case Finding::kLibraryMissing:
      return {Format(Text(kLibraryUnusable).c_str(), result.detail.c_str()), Text(kInstallLibrary)};
    case Finding::kHidServicesUnusable:
      return {Format(Text(kHidServicesUnusableText).c_str(), result.detail.c_str()), Text(kRestartSystem)};
    case Finding::kRuleMissing:
      return {Text(kNoRule), Text(kInstallRule)};
    case Finding::kRuleShadowed:
      return {Format(Text(kRuleHidden).c_str(), subject, result.detail.c_str()), Format(Text(kMendHidingRule).c_str(), subject)};
    case Finding::kRuleLacksIds:
      return {Format(Text(kRuleLacksIds).c_str(), subject), Text(kInstallRule)};
    case Finding::kUsrReadOnly:
      return {Text(kUsrReadOnlyText), ""};
    case Finding::kHeldElsewhere:
      if (result.holders.empty()) return {Format(Text(kHeldByAnother).c_str(), subject), Text(kCloseHolder)};
      return {Format(Text(kHeldBy).c_str(), subject, HolderNames(result).c_str()), Text(kCloseHolder)};
    case Finding::kNoAccessNoRule: {
      const NodeFacts node = result.node.value_or(NodeFacts{});
      return {Format(Text(kNoAccessNoRuleText).c_str(), subject, node.owner.c_str(), node.group.c_str(), node.mode), Text(kInstallRule)};
    }
    case Finding::kNoAccessNoSeat:
      return {Format(Text(kNoSeat).c_str(), subject), Text(kJoinPlugdev)};
    case Finding::kNoAccessNotInGroup: {
      const std::string group = result.node ? result.node->group : std::string("?");
      return {Format(Text(kGroupMayOpen).c_str(), subject, group.c_str()), Format(Text(kJoinGroup).c_str(), group.c_str())};
    }
    case Finding::kNoAccess:
      return {Format(Text(kMayNotOpen).c_str(), subject), Text(kInstallRule)};
    case Finding::kInNormalMode:
      return {Format(Text(kNormalModeText).c_str(), subject, result.detail.c_str()), Text(kEnterBootMode)};
    case Finding::kNothingAttached:
      return {Text(kNothingAttachedText), Text(kEnterBootMode)};
  }
  return {"", ""};
}

const char* CheckName(Check check) {
  switch (check) {
    case Check::kHidLibrary:
      return "hid-library";
    case Check::kUdevRule:
      return "udev-rule";
    case Check::kController:
      return "controller";
    case Check::kNormalMode:
      return "normal-mode";
    case Check::kNoController:
      return "no-controller";
    case Check::kRuleFolder:
      return "rule-folder";
  }
  return "unknown";
}

const char* FindingName(Finding finding) {
  switch (finding) {
    case Finding::kOk:
      return "ok";
    case Finding::kLibraryMissing:
      return "library-missing";
    case Finding::kHidServicesUnusable:
      return "hid-services-unusable";
    case Finding::kRuleMissing:
      return "rule-missing";
    case Finding::kRuleShadowed:
      return "rule-shadowed";
    case Finding::kRuleLacksIds:
      return "rule-lacks-ids";
    case Finding::kHeldElsewhere:
      return "held-elsewhere";
    case Finding::kNoAccessNoRule:
      return "no-access-no-rule";
    case Finding::kNoAccessNoSeat:
      return "no-access-no-seat";
    case Finding::kNoAccessNotInGroup:
      return "no-access-not-in-group";
    case Finding::kNoAccess:
      return "no-access";
    case Finding::kInNormalMode:
      return "normal-mode";
    case Finding::kNothingAttached:
      return "nothing-attached";
    case Finding::kUsrReadOnly:
      return "usr-read-only";
  }
  return "unknown";
}

}  // namespace vantor::workflow
