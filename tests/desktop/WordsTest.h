#pragma once
// The desktop app's pure wording and diagnosis: what the window would get wrong
// without ever showing a box.

#include <QObject>

namespace vantor::desktop::testing {

class WordsTest final : public QObject {
  Q_OBJECT

 private slots:
  void versionsShowHundredthsAndBeta();
  void timeLeftWaitsForAPaceThenScales();
  void seedFilterBecomesANameFilter();
  void accessCommandInstallsOrOnlyReloadsAndQuotesPaths();
  void emptyStateNamesEachProblem();
};

}  // namespace vantor::desktop::testing
