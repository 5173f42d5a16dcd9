#include "desktop/MainWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "desktop/DesktopTexts.h"
#include "desktop/Words.h"
#include "session/UpdateSession.h"
#include "session/VersionText.h"
#include "workflow/DeviceWatch.h"

namespace vantor::desktop {
namespace {

constexpr const char* kLastFolderKey = "lastFolder";

// The one local .dat file a drag carries, if it carries exactly that.
std::optional<QString> DroppedPackage(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
  const QUrl& url = data->urls().front();
  if (!url.isLocalFile()) return std::nullopt;
  const QString path = url.toLocalFile();
  if (!path.endsWith(QStringLiteral(".dat"), Qt::CaseInsensitive)) return std::nullopt;
  return path;
}

std::string FirmwareCell(const workflow::ControllerReport& report) {
  if (!report.versionReported) return {};
  if (report.noFirmware) return LocalizedText(text::kFirmwareNone);
  return FirmwareVersionText(report.versionWord);
}

}  // namespace

MainWindow::MainWindow(workflow::Environment* environment, const std::string& unavailable, WindowOptions options)
    : environment_(environment), options_(std::move(options)), view_(*this) {
  BuildLayout();
  setWindowTitle(Qt8(ProductTitle()));
  if (environment_ == nullptr) {
    RefreshButtons();
    tasks_.Post([this, unavailable] {
      const EmptyState state = EmptyStateOf(DiagnoseHere(nullptr, unavailable));
      view_.Post([this, state] {
        phase_ = Phase::kIdle;
        ShowEmptyState(state);
        emit probed();
      });
    });
    return;
  }
  work_ = std::make_unique<ControllerWork>(*environment_, view_, options_.job);
  rowListener_ = std::make_unique<RowListener>(view_, *rows_);
  std::unique_ptr<workflow::DeviceWatch> watch = environment_->Watch();
  attached_ = watch->attached();
  hotPlug_ = std::make_unique<HotPlugThread>(
      std::move(watch),
      [this](const workflow::AttachedChange& change) { view_.Post([this, change] { OnAttachedChange(change); }); },
      options_.watchRealPauseMs);
  StartProbe();
}

MainWindow::~MainWindow() {
  // A question in flight answers "no" and nothing more reaches the window; what runs
  // stops at its next safe point before the threads are joined.
  view_.Detach();
  if (work_) work_->RequestStop();
  hotPlug_.reset();
}

void MainWindow::BuildLayout() {
  setAcceptDrops(true);
  auto* const layout = new QVBoxLayout(this);
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  layout->addWidget(progressBar_);

  instructionText_ = new QLabel(Qt8(workflow::TrimMessage(LocalizedText(vantor::text::kInstructions))), this);
  instructionText_->setWordWrap(true);
  layout->addWidget(instructionText_);

  diagnosisText_ = new QLabel(this);
  diagnosisText_->setWordWrap(true);
  diagnosisText_->setFrameShape(QFrame::StyledPanel);
  diagnosisText_->setMargin(6);
  diagnosisText_->hide();
  layout->addWidget(diagnosisText_);
  commandText_ = new QLabel(this);
  commandText_->setWordWrap(true);
  commandText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  commandText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  commandText_->hide();
  layout->addWidget(commandText_);

  rows_ = new BenchRows(this);
  rows_->hide();
  layout->addWidget(rows_);

  statusText_ = new QLabel(this);
  statusText_->setWordWrap(true);
  statusText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(statusText_);

  successText_ = new QLabel(Qt8(LocalizedText(vantor::text::kSuccess)), this);
  successText_->setAlignment(Qt::AlignCenter);
  successText_->hide();
  layout->addWidget(successText_);

  layout->addStretch(1);
  updateButton_ = new QPushButton(Qt8(LocalizedText(vantor::text::kUsbUpdate)), this);
  updateButton_->setDefault(true);
  updateButton_->setMinimumHeight(updateButton_->sizeHint().height() * 3 / 2);
  layout->addWidget(updateButton_);
  updateAllButton_ = new QPushButton(Qt8(LocalizedText(text::kUpdateAll)), this);
  updateAllButton_->hide();
  layout->addWidget(updateAllButton_);
  connect(updateButton_, &QPushButton::clicked, this, &MainWindow::OnUpdateClicked);
  connect(updateAllButton_, &QPushButton::clicked, this, &MainWindow::OnUpdateAllClicked);
  setMinimumWidth(fontMetrics().averageCharWidth() * 72);
}

bool MainWindow::idle() const { return phase_ == Phase::kIdle && !probeDue_ && !tasks_.busy(); }

bool MainWindow::updating() const { return phase_ == Phase::kUpdating; }

// --- Probing

void MainWindow::StartProbe() {
  phase_ = Phase::kProbing;
  probeDue_ = false;
  RefreshButtons();
  const bool several = attached_.size() > 1;
  rows_->setVisible(several);
  updateAllButton_->setVisible(several);
  // The rows (and a bench's results in them) stay while the same controllers do.
  std::vector<std::string> shown;
  for (const hid::FoundController& controller : attached_) shown.push_back(controller.path);
  if (several && shown != rowPaths_) {
    rows_->SetControllers(attached_);
    SetStatus({}, "");
  }
  rowPaths_ = several ? shown : std::vector<std::string>();
  // One controller (or none): the dialog's probe of whichever detection takes. Several:
  // each in turn, for its row.
  std::vector<std::string> paths;
  if (several) {
    for (const hid::FoundController& controller : attached_) paths.push_back(controller.path);
  } else {
    paths.push_back(attached_.empty() ? std::string() : attached_.front().path);
  }
  for (std::size_t row = 0; row < paths.size(); ++row) {
    const bool last = row + 1 == paths.size();
    tasks_.Post([this, path = paths[row], row, last, several] {
      const workflow::ControllerReport report = work_->Probe(path);
      // What is wrong, as the checks of `doctor` find it; the report's own word when
      // they blame nothing.
      EmptyState state;
      if (!several && workflow::ProblemOf(report) != workflow::ControllerProblem::kNone) {
        state = EmptyStateOf(DiagnoseHere(environment_, {}));
        if (!state.shown) state = {true, ProblemText(report), {}};
      }
      view_.Post([this, report, state, row, last] { OnProbed(report, state, row, last); });
    });
  }
}

void MainWindow::OnProbed(const workflow::ControllerReport& report, const EmptyState& state, std::size_t row,
                          bool last) {
  const bool several = attached_.size() > 1;
  if (several) rows_->SetFirmware(row, FirmwareCell(report));
  if (!last) return;
  phase_ = Phase::kIdle;
  if (several) {
    SetTitle(ProductTitle());
    ShowEmptyState({});
    if (statusText_->text().isEmpty()) {
      SetStatus(Format(LocalizedText(text::kSeveralAttached).c_str(), static_cast<unsigned>(attached_.size())), "");
    }
  } else {
    ShowEmptyState(state);
    const workflow::ControllerProblem problem = workflow::ProblemOf(report);
    openable_ = problem == workflow::ControllerProblem::kNone || problem == workflow::ControllerProblem::kBusy;
  }
  RefreshButtons();
  if (probeDue_) StartProbe();
  emit probed();
}

void MainWindow::OnAttachedChange(const workflow::AttachedChange& change) {
  for (const hid::FoundController& gone : change.removed) {
    attached_.erase(std::remove_if(attached_.begin(), attached_.end(),
                                   [&gone](const hid::FoundController& controller) {
                                     return controller.path == gone.path;
                                   }),
                    attached_.end());
  }
  attached_.insert(attached_.end(), change.arrived.begin(), change.arrived.end());
  // A running update is never disturbed: what changed is looked at once it has ended.
  if (phase_ == Phase::kIdle && !closing_) {
    StartProbe();
  } else {
    probeDue_ = true;
  }
}

// --- The update

void MainWindow::OnUpdateClicked() {
  if (phase_ != Phase::kIdle || closing_ || !updateButton_->isEnabled()) return;
  phase_ = Phase::kUpdating;
  successText_->hide();
  progressBar_->setValue(0);
  SetStatus({}, "");
  pace_ = workflow::TransferPace();
  RefreshButtons();
  tasks_.Post([this] {
    const UpdateEnd end = work_->Update();
    view_.Post([this, end] { OnUpdateEnded(end); });
  });
}

void MainWindow::OnUpdateEnded(const UpdateEnd& end) {
  phase_ = Phase::kIdle;
  droppedPackage_.reset();
  closeQuestion_.Dismiss();
  if (!end.began) {
    const bool busy = end.lockProblem == workflow::LockProblem::kBusy || end.openError == hid::OpenError::kBusy;
    if (busy) {
      SetStatus(LocalizedText(vantor::text::kDeviceBusy), "warning");
    } else if (end.openError != hid::OpenError::kNone || end.lockProblem != workflow::LockProblem::kNone) {
      workflow::ControllerReport report;
      report.present = true;
      report.openError = end.openError == hid::OpenError::kNone ? hid::OpenError::kOther : end.openError;
      SetStatus(ProblemText(report), "warning");
    }
  } else {
    const Ending ending = EndingOf(end.result);
    SetStatus(ending.text, ending.succeeded ? "ok" : (ending.wroteNothing ? "" : "error"));
    // The controller runs what was just written (or whatever the failure left): what
    // the title says of it is read anew.
    if (!ending.wroteNothing) probeDue_ = true;
    // The window is about to go: what the stop left is said where it stays in sight.
    if (closing_ && end.result.outcome == UpdateOutcome::kInterrupted) {
      ShowBox(this, ending.text, ProductTitle(), MessageButtons::kOk);
    }
  }
  RefreshButtons();
  AfterEnd();
}

void MainWindow::AfterEnd() {
  emit updateEnded();
  if (closing_) {
    closing_ = false;
    close();
    return;
  }
  if (probeDue_) StartProbe();
}

// --- Several controllers

void MainWindow::OnUpdateAllClicked() {
  if (phase_ != Phase::kIdle || closing_ || attached_.size() < 2) return;
  const std::string filter = LocalizedText(vantor::text::kFileType) + "(*.dat)|*.dat||";
  const std::optional<std::string> package = ChoosePackageFile(filter, {});
  if (!package) return;
  phase_ = Phase::kUpdating;
  successText_->hide();
  SetStatus({}, "");
  RefreshButtons();
  const std::vector<hid::FoundController> controllers = attached_;
  for (std::size_t row = 0; row < controllers.size(); ++row) rows_->SetStatus(row, LocalizedText(text::kRowWaiting));
  const std::string question = Format(LocalizedText(text::kBenchConfirmAll).c_str(),
                                      static_cast<unsigned>(controllers.size()),
                                      Utf8(QFileInfo(Qt8(*package)).fileName()).c_str());
  tasks_.Post([this, package = *package, controllers, question] {
    const BenchEnd end = work_->UpdateAll(package, controllers, question, rowListener_.get());
    view_.Post([this, end] { OnBenchEnded(end); });
  });
}

void MainWindow::OnBenchEnded(const BenchEnd& end) {
  phase_ = Phase::kIdle;
  closeQuestion_.Dismiss();
  for (std::size_t row = 0; row < end.verdicts.size(); ++row) {
    const workflow::UnitVerdict& verdict = end.verdicts[row];
    if (verdict.problem != workflow::UnitProblem::kNone) rows_->SetStatus(row, VerdictText(verdict));
  }
  const auto updated = static_cast<unsigned>(end.tally.updated);
  const auto failed = static_cast<unsigned>(end.tally.failed);
  const auto untouched = static_cast<unsigned>(end.tally.refused);
  if (end.ready && !end.confirmed) {
    SetStatus(LocalizedText(text::kCancelledNothingSent), "");
  } else {
    SetStatus(Format(LocalizedText(text::kBenchSummary).c_str(), updated, failed, untouched),
              failed + untouched == 0 ? "ok" : "error");
  }
  // The bench held every controller; the rows' firmware is read anew.
  probeDue_ = true;
  RefreshButtons();
  AfterEnd();
}

// --- What the window shows

void MainWindow::ShowEmptyState(const EmptyState& state) {
  // What the window says of a missing controller also goes to the trace, where a
  // support request (and the tests on a real machine) can quote it.
  if (state.shown && Utf8(diagnosisText_->text()) != state.text) {
    DebugLine("window: " + state.text + (state.nextStep.empty() ? "" : " | " + state.nextStep) + "\n");
  }
  diagnosisText_->setVisible(state.shown);
  diagnosisText_->setText(Qt8(state.text));
  commandText_->setVisible(state.shown && !state.nextStep.empty());
  commandText_->setText(Qt8(state.nextStep));
}

void MainWindow::SetStatus(const std::string& text, const char* tone) {
  statusText_->setText(Qt8(text));
  statusText_->setProperty("tone", QString::fromLatin1(tone));
  const QString colour = std::string(tone) == "ok"        ? QStringLiteral("color: #1a7f37;")
                         : std::string(tone) == "error"   ? QStringLiteral("color: #c62828;")
                         : std::string(tone) == "warning" ? QStringLiteral("color: #9a6700;")
                                                          : QString();
  statusText_->setStyleSheet(colour);
}

void MainWindow::RefreshButtons() {
  const bool free = phase_ == Phase::kIdle && !closing_;
  const bool several = attached_.size() > 1;
  updateButton_->setEnabled(free && sessionButton_ && openable_ && !several);
  updateAllButton_->setEnabled(free && several);
}

QString MainWindow::LastFolder() const { return QSettings().value(kLastFolderKey).toString(); }

// --- ViewSink

void MainWindow::SetTitle(const std::string& title) { setWindowTitle(Qt8(title)); }

void MainWindow::SetSessionButton(bool enabled) {
  sessionButton_ = enabled;
  RefreshButtons();
}

void MainWindow::ShowSuccessText(bool shown) {
  // A probe starts by clearing both, as the dialog's start does; here probes also follow
  // every hot-plug, and a controller that restarts after its update must not take the
  // news of that update away.
  if (phase_ == Phase::kProbing) return;
  successText_->setVisible(shown);
}

void MainWindow::SetProgressPos(std::uint32_t position) {
  if (phase_ == Phase::kProbing) return;
  progressBar_->setValue(static_cast<int>(std::min<std::uint32_t>(position, 100)));
}

int MainWindow::ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) {
  // The update's own box replaces an open close question instead of stacking on it.
  closeQuestion_.Dismiss();
  return ShowBox(this, text, caption, buttons);
}

void MainWindow::ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) {
  closeQuestion_.Dismiss();
  ShowFailureBox(this, result, seedText, caption);
}

std::optional<std::string> MainWindow::ChoosePackageFile(const std::string& filter, const std::string& initialFolder) {
  if (droppedPackage_) {
    std::optional<std::string> dropped = std::move(droppedPackage_);
    droppedPackage_.reset();
    return dropped;
  }
  QString folder = LastFolder();
  if (folder.isEmpty()) folder = Qt8(initialFolder);
  std::optional<std::string> chosen = ChooseFileBox(this, filter, folder);
  if (chosen) QSettings().setValue(kLastFolderKey, QFileInfo(Qt8(*chosen)).absolutePath());
  return chosen;
}

int MainWindow::ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) {
  closeQuestion_.Dismiss();
  return ConfirmOfferBox(this, offer, seedQuestion);
}

void MainWindow::OnStage(UpdateStage stage) {
  // A probe's stages would wipe what the last update said.
  if (phase_ == Phase::kProbing) return;
  pace_.OnStage(stage, environment_->clock().NowMs());
  SetStatus(StageLabel(stage), "");
}

void MainWindow::ReportBytes(const ByteProgress& progress) {
  pace_.OnBytes(progress.sent, progress.total, environment_->clock().NowMs());
  SetStatus(ProgressLine(progress, pace_.MsLeft()), "");
}

// --- Window events

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_ || closeQuestion_.open()) {
    event->ignore();
    return;
  }
  if (phase_ == Phase::kUpdating) {
    const bool stop = closeQuestion_.Ask(this);
    // The update may have ended while the question was open.
    if (!stop || phase_ != Phase::kUpdating) {
      event->ignore();
      if (stop) close();
      return;
    }
    closing_ = true;
    RefreshButtons();
    work_->RequestStop();
    event->ignore();
    return;
  }
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPackage(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const std::optional<QString> package = DroppedPackage(event->mimeData());
  if (!package) {
    SetStatus(LocalizedText(text::kDropOnlyPackage), "warning");
    return;
  }
  event->acceptProposedAction();
  if (phase_ != Phase::kIdle || closing_ || !updateButton_->isEnabled()) return;
  droppedPackage_ = Utf8(*package);
  OnUpdateClicked();
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  emit painted();
}

}  // namespace vantor::desktop
