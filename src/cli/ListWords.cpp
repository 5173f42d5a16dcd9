#include "cli/ListWords.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/DeviceSelection.h"
#include "cli/TextColumns.h"
#include "cli/UnitWords.h"
#include "cli/ProbeLines.h"

namespace vantor::cli {

nlohmann::json ListedJson(const ListedController& listed) {
  nlohmann::json document = IdentityJson(listed.controller);
  document["inUse"] = listed.inUse;
  const bool answered = listed.probe && listed.probe->versionReported;
  document["answered"] = answered;
  document["version"] = answered && !listed.probe->noFirmware ? nlohmann::json(VersionDisplay(listed.probe->versionWord))
                                                              : nlohmann::json();
  // The version form of every other document; "version" stays the display string.
  document["firmware"] = answered ? FirmwareJson(*listed.probe) : nlohmann::json();
  document["noFirmware"] = answered && listed.probe->noFirmware;
  const char* const mode = listed.probe ? workflow::ModeName(listed.probe->mode) : nullptr;
  document["mode"] = mode != nullptr ? nlohmann::json(mode) : nlohmann::json();
  return document;
}

std::vector<std::string> ListedCells(const ListedController& listed) {
  std::vector<std::string> cells = ControllerCells(listed.controller);
  if (listed.inUse) {
    cells.push_back(LocalizedText(text::kListInUse));
  } else if (!listed.probe || !listed.probe->versionReported) {
    cells.push_back(LocalizedText(text::kListNoAnswer));
  } else if (listed.probe->noFirmware) {
    cells.push_back(LocalizedText(text::kListNoFirmware));
  } else {
    const TextSlot state = listed.probe->mode == workflow::ControllerMode::kBoot     ? text::kListFirmware
                           : listed.probe->mode == workflow::ControllerMode::kNormal ? text::kListNormalMode
                                                                                      : text::kListModeUnknown;
    cells.push_back(Format(LocalizedText(state).c_str(), VersionDisplay(listed.probe->versionWord).c_str()));
  }
  return cells;
}

std::vector<std::string> ListedLines(const std::vector<ListedController>& listed) {
  std::vector<std::vector<std::string>> rows;
  for (const ListedController& entry : listed) rows.push_back(ListedCells(entry));
  return AlignColumns(rows);
}

}  // namespace vantor::cli
