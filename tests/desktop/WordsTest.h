#pragma once
// The desktop app's pure wording and diagnosis: what the window would get wrong
// without ever showing a box.

#include <QObject>

namespace vantor::desktop::testing {

class WordsTest final : public QObject {
  Q_OBJECT

 private slots:
  void durationsAreRoundedUp();
  void seedFilterBecomesANameFilter();
  void everyRefusedPackageIsNamedByItsProblem();
  void emptyStateListsEveryProblem();
  void reportAloneNamesEachProblem();
};

}  // namespace vantor::desktop::testing
