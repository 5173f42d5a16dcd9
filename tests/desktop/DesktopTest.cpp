// The window on the offscreen platform against emulated controllers, driven through
// its button, its boxes and its file choice as a person would.

#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "WindowDriver.h"
#include "WordsTest.h"
#include "desktop/BenchRows.h"
#include "desktop/Boxes.h"
#include "desktop/DesktopTexts.h"
#include "sim/FramedEmulator.h"
#include "sim/SimHidBackend.h"
#include "support/TestKit.h"
#include "workflow/DiagnosisWords.h"

namespace vantor::desktop::testing {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns of every window it cannot size as asked.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QStringLiteral("propagateSizeHints"))) return;
  if (previousHandler != nullptr) previousHandler(type, context, message);
}

std::string Text(TextSlot slot) { return LocalizedText(slot); }

std::string NothingAttachedWords() {
  workflow::CheckResult nothing;
  nothing.check = workflow::Check::kNoController;
  nothing.finding = workflow::Finding::kNothingAttached;
  return workflow::WordsFor(nothing).line;
}
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
bool Contains(const QString& text, const std::string& part) { return Contains(Utf8(text), part); }

// Every label and button shows its whole text at the size the layout gave it.
void CheckTextsFit(QWidget& window) {
  for (QLabel* const label : window.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
    QVERIFY2(label->height() >= needed, qPrintable(label->text()));
    if (!label->wordWrap()) QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
  }
  for (QPushButton* const button : window.findChildren<QPushButton*>()) {
    if (button->isVisible()) QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
  }
}

std::vector<std::uint8_t> WithVersionWord(std::vector<std::uint8_t> image, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) image.at(0x34 + i) = static_cast<std::uint8_t>(word >> (8 * i));
  return image;
}

}  // namespace

class WindowTest final : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void detectsAndProbes_data();
  void detectsAndProbes();
  void hotPlugEnablesAndWithdraws();
  void wholeUpdate_data();
  void wholeUpdate();
  void failureSaysWhyAndWhatNext_data();
  void failureSaysWhyAndWhatNext();
  void closeAsksWithNoAsDefault();
  void closeStopsAtTheSafePoint();
  void hotPlugDuringAnUpdateLeavesItAlone();
  void droppedPackageAndTheLastFolder();
  void severalControllersUpdateTogether();
  void emptyStateSaysWhatIsWrong();
  void bothLanguagesFitTheirTexts_data();
  void bothLanguagesFitTheirTexts();

 private:
  std::unique_ptr<MainWindow> Open(workflow::Environment* environment, const std::string& unavailable = "") {
    auto window = std::make_unique<MainWindow>(environment, unavailable, TestOptions());
    window->show();
    return window;
  }
  static bool Probed(const MainWindow& window) { return window.idle(); }

  QTemporaryDir lockFolder_;
  std::vector<std::uint8_t> framedImage_ = PatternBytes(3000, 7);
  // Written from the start of the main flash, so it brings its own version word (2.1 at
  // 0x34), which the controller reports once it runs it.
  std::vector<std::uint8_t> addressedImage_ = WithVersionWord(PatternBytes(5000, 9), 210);
  std::unique_ptr<TempFile> package_;
};

void WindowTest::initTestCase() {
  previousHandler = qInstallMessageHandler(QuietOffscreenNotes);
  QStandardPaths::setTestModeEnabled(true);
  // Emulated benches lock their units in a folder of their own, not the machine's.
  qputenv("VANTOR_LOCK_DIR", lockFolder_.path().toUtf8());
  package_ = std::make_unique<TempFile>(
      PackageBytes({Section(0, framedImage_, 0, 210, 0, 0x08004000), Section(8194, addressedImage_, 0, 210, 0,
                                                                             0x08000000)}));
}

void WindowTest::init() {
  SetUiLanguageOverride(kLanguageEnglishUs);
  QSettings().clear();
}

void WindowTest::cleanup() { SetUiLanguageOverride(std::nullopt); }

void WindowTest::detectsAndProbes_data() {
  QTest::addColumn<QString>("protocol");
  QTest::addColumn<QString>("title");
  QTest::newRow("addressed") << "addressed" << "Vantor Update v2.00(Fw v1.5)";
  // The framed probe's version title gives way to the product title, as in the dialog.
  QTest::newRow("framed") << "framed" << "Vantor Update v2.00";
}

void WindowTest::detectsAndProbes() {
  QFETCH(QString, protocol);
  QFETCH(QString, title);
  const auto environment = Emulated(Utf8(protocol));
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  QCOMPARE(window->windowTitle(), title);
  QVERIFY(window->updateButton()->isEnabled());
  QVERIFY(!window->diagnosisText()->isVisible());
  QVERIFY(!window->successText()->isVisible());
  QCOMPARE(window->progressBar()->value(), 0);
}

void WindowTest::hotPlugEnablesAndWithdraws() {
  const auto environment = Emulated("addressed", "2000");
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  // Nothing yet: the button waits, the window says how to attach one.
  QVERIFY(!window->updateButton()->isEnabled() || window->windowTitle().contains("Fw"));
  QVERIFY(WaitUntil([&] { return window->updateButton()->isEnabled(); }));
  QVERIFY(WaitUntil([&] { return window->windowTitle() == QStringLiteral("Vantor Update v2.00(Fw v1.5)"); }));
  QVERIFY(!window->diagnosisText()->isVisible());

  dynamic_cast<sim::SimHidBackend&>(environment->backend()).RemoveDevice(sim::SimulatedBench::PathOf(0));
  QVERIFY(WaitUntil([&] { return !window->updateButton()->isEnabled() && window->idle(); }));
  QCOMPARE(window->windowTitle(), QStringLiteral("Vantor Update v2.00"));
  QVERIFY(window->diagnosisText()->isVisible());
  QVERIFY(Contains(window->diagnosisText()->text(), NothingAttachedWords()));
}

void WindowTest::wholeUpdate_data() {
  QTest::addColumn<QString>("protocol");
  QTest::newRow("framed") << "framed";
  QTest::newRow("addressed") << "addressed";
}

void WindowTest::wholeUpdate() {
  QFETCH(QString, protocol);
  const auto environment = Emulated(Utf8(protocol));
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);  // the offer
  answers.Box(QMessageBox::Ok);  // the success box
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(!window->updateButton()->isEnabled());
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));

  const std::vector<std::uint8_t>& image = protocol == "framed" ? framedImage_ : addressedImage_;
  QVERIFY(environment->simulated()->MainImage() == image);
  QVERIFY(window->successText()->isVisible());
  QCOMPARE(window->statusText()->property("tone").toString(), QStringLiteral("ok"));
  // The offer says what is installed and what comes.
  const std::string offer = answers.seen().at(1).text;
  QVERIFY(Contains(offer, Text(text::kOfferNew) + " 2.1"));
  if (protocol == "addressed") {
    QVERIFY(Contains(offer, Text(text::kOfferInstalled) + " 1.5"));
    // The title says what the controller runs now, not what it ran before.
    QVERIFY(WaitUntil([&] { return window->windowTitle() == QStringLiteral("Vantor Update v2.00(Fw v2.1)"); }));
  }
  QCOMPARE(QSettings().value("lastFolder").toString(),
           QFileInfo(Qt8(package_->path())).absolutePath());
}

void WindowTest::failureSaysWhyAndWhatNext_data() {
  QTest::addColumn<QString>("protocol");
  QTest::addColumn<QString>("fault");
  QTest::addColumn<int>("reason");
  QTest::newRow("addressed unplugged") << "addressed" << "unplug" << vantor::text::kReasonUnplugged;
  QTest::newRow("addressed silent") << "addressed" << "fail" << vantor::text::kReasonNoAnswer;
  QTest::newRow("framed refuses") << "framed" << "fail" << vantor::text::kReasonRefused;
}

void WindowTest::failureSaysWhyAndWhatNext() {
  QFETCH(QString, protocol);
  QFETCH(QString, fault);
  QFETCH(int, reason);
  const auto environment = Emulated(Utf8(protocol), "", Utf8(fault));
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);  // the offer
  answers.Box(QMessageBox::Ok);  // the failure box
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  const std::string status = Utf8(window->statusText()->text());
  // The reason's fixed part (a refusal carries its code after it).
  const std::string why = Text(reason);
  QVERIFY2(Contains(status, why.substr(0, why.find('%'))), status.c_str());
  QVERIFY(Contains(status, NextStepText(RetryBy::kDialog)));
  QCOMPARE(window->statusText()->property("tone").toString(), QStringLiteral("error"));
  QVERIFY(!window->successText()->isVisible());
  // The failure box keeps the seed's words first and says the same why and next step.
  const SeenBox& box = answers.seen().at(2);
  QCOMPARE(box.icon, QMessageBox::Critical);
  QVERIFY(box.text.rfind(Text(vantor::text::kFailure), 0) == 0);
  QVERIFY(Contains(box.text, status));
}

void WindowTest::closeAsksWithNoAsDefault() {
  // Real time: the transfer takes long enough to be closed in the middle.
  const auto environment = Emulated("addressed", "", "", false);
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return window->progressBar()->value() > 0 || !window->updating(); }));
  QVERIFY(window->updating());
  answers.Box(QMessageBox::No);  // the close question
  answers.Box(QMessageBox::Ok);  // the success box
  window->close();
  QVERIFY(window->isVisible());
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  const SeenBox& question = answers.seen().at(2);
  QCOMPARE(question.text, Text(vantor::text::kStopWhileUpdating));
  QVERIFY(question.defaultIsNo);
  QVERIFY(environment->simulated()->MainImage() == addressedImage_);
  QVERIFY(window->isVisible());
}

void WindowTest::closeStopsAtTheSafePoint() {
  const auto environment = Emulated("addressed", "", "", false);
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return window->progressBar()->value() > 0 || !window->updating(); }));
  QVERIFY(window->updating());
  answers.Box(QMessageBox::Yes);  // stop
  answers.Box(QMessageBox::Ok);   // what the stop left
  window->close();
  QVERIFY(WaitUntil([&] { return !window->isVisible(); }));
  QVERIFY(!answers.pending());
  QCOMPARE(answers.seen().back().text, workflow::TrimMessage(Text(vantor::text::kStoppedKeepsBootMode)));
  QVERIFY(environment->simulated()->MainImage() != addressedImage_);
}

void WindowTest::hotPlugDuringAnUpdateLeavesItAlone() {
  const auto environment = Emulated("addressed");
  auto& backend = dynamic_cast<sim::SimHidBackend&>(environment->backend());
  std::shared_ptr<sim::FramedEmulator> second;
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);
  answers.Box(QMessageBox::Ok);
  // A second controller arrives while the update waits for its confirmation: the
  // window keeps to the one it updates.
  answers.BeforeNextBox([&] { second = sim::FramedEmulator::Attach(backend, {}); });
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  QVERIFY(environment->simulated()->MainImage() == addressedImage_);
  QVERIFY(window->successText()->isVisible());
  // Once it has ended, both are shown.
  QVERIFY(WaitUntil([&] { return window->rows()->isVisible() && window->idle(); }));
  QCOMPARE(window->rows()->topLevelItemCount(), 2);
}

void WindowTest::droppedPackageAndTheLastFolder() {
  const auto environment = Emulated("addressed");
  QSettings().setValue("lastFolder", QDir::tempPath());
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  // The file choice opens where the last package was chosen.
  Answerer answers;
  answers.File("");
  QTest::mouseClick(window->updateButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  QCOMPARE(Qt8(answers.seen().at(0).folder), QDir(QDir::tempPath()).absolutePath());
  QVERIFY(environment->simulated()->MainImage().empty());

  // A dropped .dat is the file choice's answer.
  answers.Box(QMessageBox::Ok);  // the offer
  answers.Box(QMessageBox::Ok);  // the success box
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Qt8(package_->path()))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  QVERIFY(environment->simulated()->MainImage() == addressedImage_);

  // Anything else is refused with a word.
  QMimeData other;
  other.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &refused);
  QVERIFY(!refused.isAccepted());
}

void WindowTest::severalControllersUpdateTogether() {
  const auto environment = Emulated("addressed,framed");
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window) && window->rows()->isVisible(); }));
  QCOMPARE(window->rows()->topLevelItemCount(), 2);
  QCOMPARE(window->rows()->FirmwareOf(0), std::string("1.5"));
  QVERIFY(!window->updateButton()->isEnabled());
  QVERIFY(window->updateAllButton()->isEnabled());
  Answerer answers;
  answers.File(package_->path());
  answers.Box(QMessageBox::Ok);  // the one question for all
  QTest::mouseClick(window->updateAllButton(), Qt::LeftButton);
  QVERIFY(WaitUntil([&] { return !answers.pending() && window->idle(); }));
  QVERIFY(Contains(answers.seen().at(1).text, "Update 2 controllers with package.dat?"));
  QVERIFY(environment->bench()->MainImage(0) == addressedImage_);
  QVERIFY(environment->bench()->MainImage(1) == framedImage_);
  QVERIFY2(Contains(window->statusText()->text(), "2 updated, 0 failed, 0 not updated"),
           qPrintable(window->statusText()->text() + " | " + Qt8(window->rows()->StatusOf(0)) + " | " +
                      Qt8(window->rows()->StatusOf(1))));
  QCOMPARE(window->rows()->StatusOf(0), Text(vantor::text::kSuccess));
}

void WindowTest::emptyStateSaysWhatIsWrong() {
  {
    const auto window = Open(nullptr, "libhidapi-hidraw.so.0: cannot open shared object file");
    QVERIFY(!window->updateButton()->isEnabled());
    QVERIFY(WaitUntil([&] { return Probed(*window); }));
    QVERIFY(Contains(window->diagnosisText()->text(), "libhidapi-hidraw.so.0: cannot open shared object file"));
  }
  {
    const auto environment = Emulated("");
    const auto window = Open(environment.get());
    QVERIFY(WaitUntil([&] { return Probed(*window); }));
    QVERIFY(!window->updateButton()->isEnabled());
    QVERIFY(Contains(window->diagnosisText()->text(), NothingAttachedWords()));
  }
  {
    // The controller cannot be opened: the window says what the checks of `doctor`
    // find, with the next step.
    const auto environment = Emulated("addressed", "", "no-permission");
    const auto window = Open(environment.get());
    QVERIFY(WaitUntil([&] { return Probed(*window); }));
    QVERIFY(window->diagnosisText()->isVisible());
    QVERIFY(!window->diagnosisText()->text().isEmpty());
    QVERIFY(window->commandText()->isVisible());
    // A click could only fail the same way.
    QVERIFY(!window->updateButton()->isEnabled());
  }
}

void WindowTest::bothLanguagesFitTheirTexts_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("name");
  QTest::newRow("zh") << int{kLanguageChinesePrc} << QStringLiteral("USB 升级") << "zh";
  QTest::newRow("en") << int{kLanguageEnglishUs} << QStringLiteral("USB Update") << "en";
}

void WindowTest::bothLanguagesFitTheirTexts() {
  QFETCH(int, language);
  QFETCH(QString, button);
  QFETCH(QString, name);
  SetUiLanguageOverride(static_cast<std::uint16_t>(language));
  const auto environment = Emulated("addressed", "", "no-permission");
  const auto window = Open(environment.get());
  QVERIFY(WaitUntil([&] { return Probed(*window); }));
  QCOMPARE(window->updateButton()->text(), button);
  QVERIFY(window->diagnosisText()->isVisible());
  QVERIFY(window->windowTitle().startsWith(QStringLiteral("Vantor Update v2.00")));
  window->resize(window->sizeHint());
  QTest::qWait(20);
  CheckTextsFit(*window);
  if (const QByteArray folder = qgetenv("VANTOR_SCREENSHOT_DIR"); !folder.isEmpty()) {
    QDir().mkpath(QString::fromUtf8(folder));
    QVERIFY(window->grab().save(QString::fromUtf8(folder) + "/vantor-update-gui-" + name + ".png"));
  }
}

}  // namespace vantor::desktop::testing

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("vantor-update-tests"));
  QCoreApplication::setApplicationName(QStringLiteral("desktop_tests"));
  int failed = 0;
  {
    vantor::desktop::testing::WordsTest words;
    failed += QTest::qExec(&words, argc, argv);
  }
  {
    vantor::desktop::testing::WindowTest window;
    failed += QTest::qExec(&window, argc, argv);
  }
  return failed == 0 ? 0 : 1;
}

#include "DesktopTest.moc"
