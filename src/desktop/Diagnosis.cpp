#include "desktop/Diagnosis.h"

#include <filesystem>
#include <system_error>

#include "base/Format.h"
#include "desktop/DesktopTexts.h"

namespace vantor::desktop {
namespace {


bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string ShellQuoted(const std::string& word) {
  if (word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+") ==
      std::string::npos) {
    return word;
  }
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

std::vector<std::string> UdevRuleFolders() {
  return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
          "/lib/udev/rules.d"};
}

RulePlaces FindRule(const std::vector<std::string>& udevFolders, const std::vector<std::string>& candidates) {
  RulePlaces places;
  for (const std::string& folder : udevFolders) {
    const std::string path = folder + "/" + kRuleFileName;
    if (IsFile(path)) {
      places.installed = path;
      break;
    }
  }
  for (const std::string& candidate : candidates) {
    if (IsFile(candidate)) {
      places.source = candidate;
      break;
    }
  }
  return places;
}

std::string UdevCommand(const RulePlaces& places) {
  // The trigger replays the add events of the nodes already there, so the rule's
  // access reaches a controller that is plugged in now.
  const std::string reload = "sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw";
  if (places.installed) return reload;
  return "sudo install -m 644 " + ShellQuoted(places.source) + " /etc/udev/rules.d/ && " + reload;
}

EmptyState NoHidLibrary(const std::string& detail) {
  return {EmptyKind::kNoHidLibrary, Format(LocalizedText(text::kHidLibraryMissing).c_str(), detail.c_str()), {}};
}

EmptyState Diagnose(const workflow::ControllerReport& report, const RulePlaces& places) {
  switch (workflow::ProblemOf(report)) {
    case workflow::ControllerProblem::kNone:
      return {};
    case workflow::ControllerProblem::kNotPresent:
      return {EmptyKind::kNoController, LocalizedText(text::kNoController), {}};
    case workflow::ControllerProblem::kNoPermission:
      return {EmptyKind::kNoAccess,
              LocalizedText(text::kNoPermission) + "\n\n" +
                  LocalizedText(places.installed ? text::kRunToApplyRule : text::kRunToInstallRule),
              UdevCommand(places)};
    case workflow::ControllerProblem::kBusy:
      return {EmptyKind::kBusy, LocalizedText(vantor::text::kDeviceBusy), {}};
    case workflow::ControllerProblem::kUnopenable:
      break;
  }
  return {EmptyKind::kUnopenable, Format(LocalizedText(text::kControllerUnopenable).c_str(), report.path.c_str()), {}};
}

}  // namespace vantor::desktop
