#pragma once
// One row per attached controller (where it is plugged in, its serial number, its
// firmware, and its stage or result the moment it happens), and the listener that
// carries a bench's events from the units' workers to the rows.
//
// Threads: BenchRows on the GUI thread; RowListener's calls come from the units'
// workers and are posted through the view.

#include <string>
#include <vector>

#include <QTreeWidget>

#include "desktop/GuiThreadView.h"
#include "hid/CHid.h"
#include "workflow/UnattendedView.h"

namespace vantor::desktop {

class BenchRows final : public QTreeWidget {
  Q_OBJECT

 public:
  explicit BenchRows(QWidget* parent);

  void SetControllers(const std::vector<hid::FoundController>& controllers);
  void SetFirmware(std::size_t row, const std::string& text);
  void SetStatus(std::size_t row, const std::string& text);
  std::string StatusOf(std::size_t row) const;
  std::string FirmwareOf(std::size_t row) const;
};

// "location 9-1, serial VTSIM0001": how a row names its controller.
std::string ControllerName(const hid::FoundController& controller);

class RowListener final : public workflow::UnitListener {
 public:
  RowListener(GuiThreadView& view, BenchRows& rows) : view_(view), rows_(rows) {}
  void OnUnitStage(std::size_t unit, UpdateStage stage) override;
  void OnUnitBytes(std::size_t unit, const ByteProgress& progress) override;
  void OnUnitConcluded(std::size_t unit, const UpdateResult& result) override;

 private:
  GuiThreadView& view_;
  BenchRows& rows_;
};

}  // namespace vantor::desktop
