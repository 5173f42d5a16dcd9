#include "WordsTest.h"

#include <QTest>

#include "base/LocalizedText.h"
#include "desktop/Boxes.h"
#include "desktop/Diagnosis.h"
#include "desktop/Words.h"

namespace vantor::desktop::testing {

void WordsTest::versionsShowHundredthsAndBeta() {
  QCOMPARE(VersionText(156), std::string("1.56"));
  QCOMPARE(VersionText(105), std::string("1.05"));
  QCOMPARE(VersionText(200 | (3u << 16)), std::string("2.00 beta3"));
}

void WordsTest::timeLeftWaitsForAPaceThenScales() {
  // Nothing before a pace can be told, nor for a report past its total.
  QVERIFY(!EstimateLeftMs(0, 1000, 5000));
  QVERIFY(!EstimateLeftMs(100, 1000, 100));
  QVERIFY(!EstimateLeftMs(2000, 1000, 5000));
  QCOMPARE(*EstimateLeftMs(250, 1000, 1000), std::uint64_t{3000});
  QCOMPARE(*EstimateLeftMs(1000, 1000, 1000), std::uint64_t{0});
  // Rounded up: a few bytes still to go never reads "0 s".
  SetUiLanguageOverride(kLanguageEnglishUs);
  QCOMPARE(DurationText(1), std::string("1 s"));
  QCOMPARE(DurationText(125000), std::string("2 min 5 s"));
  SetUiLanguageOverride(std::nullopt);
}

void WordsTest::seedFilterBecomesANameFilter() {
  QCOMPARE(NameFilter("File type(*.dat)|*.dat||"), QStringLiteral("File type (*.dat)"));
  QCOMPARE(NameFilter("File type (*.dat)|*.dat||"), QStringLiteral("File type (*.dat)"));
}

void WordsTest::accessCommandInstallsOrOnlyReloadsAndQuotesPaths() {
  RulePlaces places;
  places.source = "/home/a user/it's/70-vantor-update.rules";
  const std::string install = UdevCommand(places);
  QVERIFY(install.find("sudo install -m 644 '/home/a user/it'\\''s/70-vantor-update.rules' /etc/udev/rules.d/") == 0);
  QVERIFY(install.find("udevadm trigger") != std::string::npos);
  places.installed = "/usr/lib/udev/rules.d/70-vantor-update.rules";
  QVERIFY(UdevCommand(places).find("install") == std::string::npos);
  QVERIFY(UdevCommand(places).find("--reload-rules") != std::string::npos);
}

void WordsTest::emptyStateNamesEachProblem() {
  SetUiLanguageOverride(kLanguageEnglishUs);
  workflow::ControllerReport report;
  QCOMPARE(Diagnose(report, {}).kind, EmptyKind::kNoController);
  report.present = true;
  QCOMPARE(Diagnose(report, {}).kind, EmptyKind::kNone);
  report.openError = hid::OpenError::kAccessDenied;
  const EmptyState access = Diagnose(report, {});
  QCOMPARE(access.kind, EmptyKind::kNoAccess);
  QVERIFY(!access.command.empty());
  report.openError = hid::OpenError::kBusy;
  QCOMPARE(Diagnose(report, {}).kind, EmptyKind::kBusy);
  const EmptyState library = NoHidLibrary("libhidapi-hidraw.so.0: cannot open shared object file");
  QVERIFY(library.text.find("libhidapi-hidraw.so.0: cannot open") != std::string::npos);
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace vantor::desktop::testing
