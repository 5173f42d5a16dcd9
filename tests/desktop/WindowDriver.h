#pragma once
// Drives the window as a person would, in-process: answers the modal boxes and the file
// choice as they open (a timer looks for the active modal widget), and builds the
// emulated environments and packages the tests use.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include "desktop/MainWindow.h"
#include "workflow/Environment.h"

namespace vantor::desktop::testing {

// What was seen of a box that was answered.
struct SeenBox {
  std::string text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool defaultIsNo = false;
  std::string folder;  // a file choice's folder
};

class Answerer final : public QObject {
  Q_OBJECT

 public:
  Answerer();
  // The next box is answered with `button`.
  void Box(QMessageBox::StandardButton button);
  // The next file choice takes `path` (empty: it is cancelled).
  void File(const std::string& path);
  // Runs `action` the moment the next message box opens, before it is answered.
  void BeforeNextBox(std::function<void()> action) { before_ = std::move(action); }
  const std::vector<SeenBox>& seen() const { return seen_; }
  bool pending() const { return !answers_.empty(); }

 private:
  void Look();
  std::deque<std::function<bool(QWidget*)>> answers_;
  std::vector<SeenBox> seen_;
  std::function<void()> before_;
  QTimer timer_;
};

// Emulated controllers in virtual time; `protocols` empty: none at all attached.
std::unique_ptr<workflow::Environment> Emulated(const std::string& protocols, const std::string& arrivals = "",
                                                const std::string& fault = "", bool virtualTime = true);

WindowOptions TestOptions();

// Waits (bounded) for `done`, letting the event loop run.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

}  // namespace vantor::desktop::testing
