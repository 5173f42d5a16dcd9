// vantor-update-gui: the one-button updater for Linux desktops. Runs as the user at
// the seat (the udev rule gives access to the controllers), never as root.
//
// Options, for demonstrations and the benchmark only: --simulate PROTOCOLS (emulated
// controllers instead of USB), --arrivals MS[,MS...] (when each is plugged in),
// --lang zh|en, --quit-when-painted (ends once the window is on screen).

#include <unistd.h>

#include <cstring>
#include <string>

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "desktop/Boxes.h"
#include "desktop/DesktopTexts.h"
#include "desktop/MainWindow.h"
#include "session/UpdateSession.h"

namespace {

struct Options {
  vantor::workflow::SimulationSettings simulation;
  std::string language;
  bool quitWhenPainted = false;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--simulate" && hasValue) {
      options.simulation.protocols = argv[++i];
    } else if (option == "--arrivals" && hasValue) {
      options.simulation.arrivals = argv[++i];
    } else if (option == "--lang" && hasValue) {
      options.language = argv[++i];
    } else if (option == "--quit-when-painted") {
      options.quitWhenPainted = true;
    }
  }
  return options;
}


}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("vantor-update"));
  QCoreApplication::setApplicationName(QStringLiteral("vantor-update-gui"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vantor-update-gui"));
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral("vantor-update-gui"), QIcon(QStringLiteral(":/vantor-update-gui.png"))));

  const Options options = ParseOptions(argc, argv);
  if (options.language == "zh") vantor::SetUiLanguageOverride(vantor::kLanguageChinesePrc);
  if (options.language == "en") vantor::SetUiLanguageOverride(vantor::kLanguageEnglishUs);

  // Emulated controllers need no access, so demonstrations may run anywhere.
  if (geteuid() == 0 && options.simulation.protocols.empty()) {
    vantor::desktop::ShowBox(nullptr, vantor::LocalizedText(vantor::desktop::text::kNotAsRoot),
                             vantor::ProductTitle(), vantor::MessageButtons::kOk);
    return 1;
  }

  vantor::workflow::Environment::Made made = vantor::workflow::Environment::Create(options.simulation);
  if (made.problem == vantor::workflow::EnvironmentProblem::kBadSimulation) {
    vantor::desktop::ShowBox(nullptr, made.detail, vantor::ProductTitle(), vantor::MessageButtons::kOk);
    return 2;
  }
  vantor::desktop::WindowOptions windowOptions;
  vantor::desktop::MainWindow window(made.environment.get(), made.detail, windowOptions);
  if (options.quitWhenPainted) {
    QObject::connect(&window, &vantor::desktop::MainWindow::painted, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
  }
  window.show();
  return app.exec();
}
