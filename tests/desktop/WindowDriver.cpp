#include "WindowDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>

#include "desktop/Boxes.h"

namespace vantor::desktop::testing {

Answerer::Answerer() {
  connect(&timer_, &QTimer::timeout, this, &Answerer::Look);
  timer_.start(5);
}

void Answerer::Box(QMessageBox::StandardButton button) {
  answers_.push_back([this, button](QWidget* modal) {
    auto* const box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) return false;
    const QAbstractButton* const fallback = box->defaultButton();
    seen_.push_back({Utf8(box->text()), box->icon(), fallback != nullptr && fallback == box->button(QMessageBox::No),
                     {}});
    box->button(button)->click();
    return true;
  });
}

void Answerer::File(const std::string& path) {
  answers_.push_back([this, path](QWidget* modal) {
    auto* const dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return false;
    seen_.push_back({{}, QMessageBox::NoIcon, false, Utf8(dialog->directory().absolutePath())});
    if (path.empty()) {
      dialog->reject();
    } else {
      dialog->selectFile(Qt8(path));
      // What the open button does, validation included.
      QMetaObject::invokeMethod(dialog, "accept");
    }
    return true;
  });
}

void Answerer::Look() {
  QWidget* const modal = QApplication::activeModalWidget();
  if (modal == nullptr || answers_.empty() || !modal->isVisible()) return;
  if (before_ && qobject_cast<QMessageBox*>(modal) != nullptr) {
    std::function<void()> action = std::move(before_);
    before_ = nullptr;
    action();
  }
  // Taken off first: the click may run a nested loop in which this timer fires again.
  std::function<bool(QWidget*)> answer = std::move(answers_.front());
  answers_.pop_front();
  if (!answer(modal)) {
    QFAIL(qPrintable(QStringLiteral("an unexpected modal window: ") + modal->metaObject()->className() + " " +
                     modal->windowTitle()));
  }
}

std::unique_ptr<workflow::Environment> Emulated(const std::string& protocols, const std::string& arrivals,
                                                const std::string& fault, bool virtualTime) {
  workflow::SimulationSettings settings;
  // A bench whose only unit never arrives stands for a machine with none attached.
  settings.protocols = protocols.empty() ? "addressed" : protocols;
  settings.arrivals = protocols.empty() ? "100000000" : arrivals;
  settings.fault = fault;
  settings.virtualTime = virtualTime;
  workflow::Environment::Made made = workflow::Environment::Create(settings);
  if (!made.environment) qFatal("emulated environment: %s", made.detail.c_str());
  return std::move(made.environment);
}

WindowOptions TestOptions() {
  WindowOptions options;
  options.watchRealPauseMs = 5;
  return options;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QTest::qWait(5);
  }
  return true;
}

}  // namespace vantor::desktop::testing
