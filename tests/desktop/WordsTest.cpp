#include "WordsTest.h"

#include <QTest>

#include "base/LocalizedText.h"
#include "desktop/Boxes.h"
#include "desktop/Diagnosis.h"
#include "desktop/Words.h"
#include "session/ResultWords.h"
#include "workflow/DiagnosisWords.h"

namespace vantor::desktop::testing {

void WordsTest::durationsAreRoundedUp() {
  // Rounded up: a few bytes still to go never reads "0 s".
  SetUiLanguageOverride(kLanguageEnglishUs);
  QCOMPARE(DurationText(1), std::string("1 s"));
  QCOMPARE(DurationText(125000), std::string("2 min 5 s"));
  SetUiLanguageOverride(std::nullopt);
}

// A unit's refusal named its problem by counting slots from the first one: a radio
// section with no image read "%s: no such file".
void WordsTest::everyRefusedPackageIsNamedByItsProblem() {
  using package::PackageProblem;
  SetUiLanguageOverride(kLanguageEnglishUs);
  for (const PackageProblem problem :
       {PackageProblem::kMainSectionTruncated, PackageProblem::kBleSectionTruncated, PackageProblem::kNothingToWrite,
        PackageProblem::kBeyondFormatLimit, PackageProblem::kMainOutsideFlash, PackageProblem::kRadioOutsideFlash,
        PackageProblem::kRadioImageEmpty, PackageProblem::kNotAPackage}) {
    workflow::UnitVerdict verdict;
    verdict.problem = workflow::UnitProblem::kPackageRefused;
    verdict.packageProblem = problem;
    const std::string text = VerdictText(verdict);
    QVERIFY2(text.find(PackageProblemText(problem)) != std::string::npos, text.c_str());
    QVERIFY2(text.find('%') == std::string::npos, text.c_str());
  }
  SetUiLanguageOverride(std::nullopt);
}

void WordsTest::seedFilterBecomesANameFilter() {
  QCOMPARE(NameFilter("File type(*.dat)|*.dat||"), QStringLiteral("File type (*.dat)"));
  QCOMPARE(NameFilter("File type (*.dat)|*.dat||"), QStringLiteral("File type (*.dat)"));
}

void WordsTest::emptyStateListsEveryProblem() {
  workflow::Diagnosis diagnosis;
  diagnosis.checks.push_back({workflow::Check::kHidLibrary, workflow::Finding::kOk, "hidapi", {}, {}, {}});
  diagnosis.checks.push_back(
      {workflow::Check::kNoController, workflow::Finding::kNothingAttached, {}, {}, {}, {}});
  const EmptyState state = EmptyStateOf(diagnosis);
  QVERIFY(state.shown);
  QCOMPARE(state.text, workflow::WordsFor(diagnosis.checks[1]).line);
  diagnosis.checks.push_back({workflow::Check::kUdevRule, workflow::Finding::kRuleMissing, "rule", {}, {}, {}});
  QCOMPARE(EmptyStateOf(diagnosis).text,
           workflow::WordsFor(diagnosis.checks[1]).line + "\n" + workflow::WordsFor(diagnosis.checks[2]).line);
  // The same fix twice is said once.
  diagnosis.checks.push_back(diagnosis.checks[2]);
  const std::string fix = workflow::WordsFor(diagnosis.checks[2]).nextStep;
  QCOMPARE(EmptyStateOf(diagnosis).nextStep.find(fix), EmptyStateOf(diagnosis).nextStep.rfind(fix));
  diagnosis.updatable = true;
  QVERIFY(!EmptyStateOf(diagnosis).shown);
}

void WordsTest::reportAloneNamesEachProblem() {
  SetUiLanguageOverride(kLanguageEnglishUs);
  workflow::ControllerReport report;
  QVERIFY(!ProblemText(report).empty());
  report.present = true;
  QVERIFY(ProblemText(report).empty());
  report.openError = hid::OpenError::kBusy;
  QCOMPARE(ProblemText(report), LocalizedText(vantor::text::kDeviceBusy));
  report.openError = hid::OpenError::kOther;
  report.path = "/dev/hidraw3";
  QVERIFY(ProblemText(report).find("/dev/hidraw3") != std::string::npos);
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace vantor::desktop::testing
