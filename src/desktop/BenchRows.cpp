#include "desktop/BenchRows.h"

#include <QHeaderView>

#include "base/Format.h"
#include "desktop/Boxes.h"
#include "desktop/DesktopTexts.h"
#include "desktop/Words.h"

namespace vantor::desktop {
namespace {

enum Column { kController = 0, kFirmware = 1, kStatus = 2 };

}  // namespace

std::string ControllerName(const hid::FoundController& controller) {
  std::vector<std::string> parts;
  if (controller.location) parts.push_back(Format(LocalizedText(text::kLocation).c_str(), controller.location->c_str()));
  if (controller.serialNumber) {
    parts.push_back(Format(LocalizedText(text::kSerialNumber).c_str(), controller.serialNumber->c_str()));
  }
  if (parts.empty()) return controller.path;
  std::string name = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) name += ", " + parts[i];
  return name;
}

BenchRows::BenchRows(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(3);
  setHeaderLabels({Qt8(LocalizedText(text::kColumnController)), Qt8(LocalizedText(text::kColumnFirmware)),
                   Qt8(LocalizedText(text::kColumnStatus))});
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  header()->setSectionResizeMode(kController, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(kFirmware, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(true);
}

void BenchRows::SetControllers(const std::vector<hid::FoundController>& controllers) {
  clear();
  for (const hid::FoundController& controller : controllers) {
    auto* const item = new QTreeWidgetItem(this);
    item->setText(kController, Qt8(ControllerName(controller)));
    item->setToolTip(kController, Qt8(controller.path));
    item->setText(kStatus, Qt8(LocalizedText(text::kRowWaiting)));
  }
}

void BenchRows::SetFirmware(std::size_t row, const std::string& text) {
  if (QTreeWidgetItem* const item = topLevelItem(static_cast<int>(row))) item->setText(kFirmware, Qt8(text));
}

void BenchRows::SetStatus(std::size_t row, const std::string& text) {
  if (QTreeWidgetItem* const item = topLevelItem(static_cast<int>(row))) {
    item->setText(kStatus, Qt8(text));
    item->setToolTip(kStatus, Qt8(text));
  }
}

std::string BenchRows::StatusOf(std::size_t row) const {
  const QTreeWidgetItem* const item = topLevelItem(static_cast<int>(row));
  return item != nullptr ? Utf8(item->text(kStatus)) : std::string();
}

std::string BenchRows::FirmwareOf(std::size_t row) const {
  const QTreeWidgetItem* const item = topLevelItem(static_cast<int>(row));
  return item != nullptr ? Utf8(item->text(kFirmware)) : std::string();
}

void RowListener::OnUnitStage(std::size_t unit, UpdateStage stage) {
  const std::string label = StageLabel(stage);
  view_.Post([this, unit, label] { rows_.SetStatus(unit, label); });
}

void RowListener::OnUnitBytes(std::size_t unit, const ByteProgress& progress) {
  const std::string line = ProgressLine(progress, std::nullopt);
  view_.Post([this, unit, line] { rows_.SetStatus(unit, line); });
}

void RowListener::OnUnitConcluded(std::size_t unit, const UpdateResult& result) {
  const Ending ending = EndingOf(result);
  // The row has room for the result, not for the next step after it.
  const std::string first = ending.text.substr(0, ending.text.find('\n'));
  view_.Post([this, unit, first] { rows_.SetStatus(unit, first); });
}

}  // namespace vantor::desktop
