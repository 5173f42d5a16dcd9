#include "cli/ListProbe.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/BenchUnit.h"
#include "cli/CliTexts.h"
#include "cli/DeviceLock.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/TerminalView.h"
#include "update/UpdateController.h"

namespace vantor::cli {

ListedController ProbeForList(Environment& environment, const hid::FoundController& controller) {
  ListedController listed;
  listed.controller = controller;
  bool busy = false;
  std::string error;
  std::unique_ptr<DeviceLock> lock;
  if (environment.simulated() == nullptr) {
    lock = DeviceLock::Acquire(controller, &busy, &error);
    if (!lock) {
      listed.inUse = busy;
      return listed;
    }
  }
  TerminalViewOptions viewOptions;
  viewOptions.out = stderr;
  TerminalView view(viewOptions);
  UpdateSession session(environment.backend(), view, environment.clock());
  session.hid.RestrictToPath(controller.path);
  UpdateController updater(session);
  updater.Start(nullptr);
  listed.probe = ReadProbe(session);
  return listed;
}

nlohmann::json ListedJson(const ListedController& listed) {
  nlohmann::json document = IdentityJson(listed.controller);
  document["inUse"] = listed.inUse;
  const bool answered = listed.probe && listed.probe->versionReported;
  document["answered"] = answered;
  document["version"] = answered && !listed.probe->noFirmware ? nlohmann::json(VersionDisplay(listed.probe->versionWord))
                                                              : nlohmann::json();
  document["noFirmware"] = answered && listed.probe->noFirmware;
  return document;
}

std::string ListedLine(const ListedController& listed) {
  std::string line = DescribeController(listed.controller);
  if (listed.inUse) return line + "  " + LocalizedText(text::kListInUse);
  if (!listed.probe || !listed.probe->versionReported) return line + "  " + LocalizedText(text::kListNoAnswer);
  if (listed.probe->noFirmware) return line + "  " + LocalizedText(text::kListNoFirmware);
  return line + "  " + Format(LocalizedText(text::kListFirmware).c_str(), VersionDisplay(listed.probe->versionWord).c_str());
}

}  // namespace vantor::cli
