#pragma once
// The app's one window, the dialog's flow on the workflow layer: it finds a controller,
// probes it (the version goes into the title), offers one "USB Update" button while a
// controller can be updated, asks for the package (or takes a dropped .dat), confirms
// the offer, shows the stage, bytes and time left, and ends with success or the reason
// and the next step. Hot-plug comes from the device watch on its own thread. When
// nothing can be updated it says why (no HID library, no controller, no access with the
// command that grants it). With several controllers attached it shows one row each and
// updates them all with one package.
//
// Threads. Everything here runs on the GUI thread, which never waits for a controller:
// probes and updates run on the controller thread (TaskThread), the update's own
// worker reaches the window through GuiThreadView, and the watch posts its changes.
// Closing during an update asks first (No is the default); Yes stops the update at its
// next safe point and the window closes once it has ended.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "desktop/BenchRows.h"
#include "desktop/Boxes.h"
#include "desktop/ControllerWork.h"
#include "desktop/Diagnosis.h"
#include "desktop/GuiThreadView.h"
#include "desktop/HotPlugThread.h"
#include "desktop/TaskThread.h"
#include "desktop/ViewSink.h"
#include "workflow/TransferPace.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantor::desktop {

struct WindowOptions {
  workflow::JobSettings job;
  // A real pause after each wait of the watch; for emulated controllers in virtual time.
  std::uint32_t watchRealPauseMs = 0;
};

class MainWindow final : public QWidget, private ViewSink {
  Q_OBJECT

 public:
  // `environment` null: the HID library could not be had, `unavailable` says why.
  MainWindow(workflow::Environment* environment, const std::string& unavailable, WindowOptions options);
  ~MainWindow() override;

  // What the window shows, for its tests and the benchmark.
  QPushButton* updateButton() const { return updateButton_; }
  QPushButton* updateAllButton() const { return updateAllButton_; }
  QLabel* successText() const { return successText_; }
  QLabel* statusText() const { return statusText_; }
  QLabel* diagnosisText() const { return diagnosisText_; }
  QLabel* commandText() const { return commandText_; }
  QProgressBar* progressBar() const { return progressBar_; }
  BenchRows* rows() const { return rows_; }
  // No probe, update or bench is in flight and none is due.
  bool idle() const;
  bool updating() const;

 signals:
  void probed();      // a probe's result is shown
  void updateEnded(); // an update's or the bench's end is shown
  void painted();     // the window was painted the first time

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  enum class Phase { kProbing, kIdle, kUpdating };

  // ViewSink, for the probe and the update.
  void SetTitle(const std::string& title) override;
  void SetSessionButton(bool enabled) override;
  void ShowSuccessText(bool shown) override;
  void SetProgressPos(std::uint32_t position) override;
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  void ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) override;
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) override;
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override;
  void OnStage(UpdateStage stage) override;
  void ReportBytes(const ByteProgress& progress) override;

  void BuildLayout();
  void StartProbe();
  void OnProbed(const workflow::ControllerReport& report, const EmptyState& state, std::size_t row, bool last);
  void OnAttachedChange(const workflow::AttachedChange& change);
  void OnUpdateClicked();
  void OnUpdateEnded(const UpdateEnd& end);
  void OnUpdateAllClicked();
  void OnBenchEnded(const BenchEnd& end);
  void ShowEmptyState(const EmptyState& state);
  void SetStatus(const std::string& text, const char* tone);
  void RefreshButtons();
  // An update has ended: close if the user asked to, else probe what changed.
  void AfterEnd();
  QString LastFolder() const;

  workflow::Environment* environment_;
  WindowOptions options_;
  Phase phase_ = Phase::kProbing;
  bool closing_ = false;        // the user chose to stop; close once the update ends
  bool probeDue_ = false;       // controllers came or went while busy
  bool sessionButton_ = false;  // what the procedures want of the button
  // The last probe could open the controller (or found it held by another program,
  // which may let go): a click can begin an update.
  bool openable_ = false;
  bool painted_ = false;
  std::vector<hid::FoundController> attached_;
  std::vector<std::string> rowPaths_;  // the controllers the rows show
  std::optional<std::string> droppedPackage_;
  workflow::TransferPace pace_;  // of the running update, for its time left
  CloseQuestion closeQuestion_;

  QProgressBar* progressBar_ = nullptr;
  QLabel* instructionText_ = nullptr;
  QLabel* diagnosisText_ = nullptr;
  QLabel* commandText_ = nullptr;
  QLabel* statusText_ = nullptr;
  QLabel* successText_ = nullptr;
  BenchRows* rows_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* updateAllButton_ = nullptr;

  // Destroyed in reverse: the watch first, then the controller thread (which ends its
  // task), the work (which ends the update's worker), and the view last.
  GuiThreadView view_;
  std::unique_ptr<ControllerWork> work_;  // none without an environment
  std::unique_ptr<RowListener> rowListener_;
  TaskThread tasks_;
  std::unique_ptr<HotPlugThread> hotPlug_;
};

}  // namespace vantor::desktop
