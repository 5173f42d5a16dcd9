#pragma once
// The window's modal boxes, each with its buttons in the user's language: the
// procedures' message boxes, the confirmation of the offer, the package file choice and
// the question before closing during an update.
//
// Threads: GUI thread only. Each runs a nested event loop until answered, so the
// window keeps serving the update's calls meanwhile.

#include <optional>
#include <string>

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "session/UpdateView.h"

class QWidget;

namespace vantor::desktop {

QString Qt8(const std::string& text);
std::string Utf8(const QString& text);

// A procedure's box; the answer as a MessageAnswer. `caption` empty: the program's name.
int ShowBox(QWidget* parent, const std::string& text, const std::string& caption, MessageButtons buttons);

// A failed update's box: the seed's text first, then why and what to do next.
void ShowFailureBox(QWidget* parent, const UpdateResult& result, const std::string& seedText,
                    const std::string& caption);

// The offer with the seed's question; OK (kIdOk) goes on. An older or the same version
// is asked with a warning.
int ConfirmOfferBox(QWidget* parent, const PackageOffer& offer, const std::string& seedQuestion);

// The seed's "label(*.dat)|*.dat||" as a Qt name filter: "label (*.dat)".
QString NameFilter(const std::string& seedFilter);

// The file choice; nothing when the user closed it without choosing.
std::optional<std::string> ChooseFileBox(QWidget* parent, const std::string& seedFilter, const QString& folder);

// "Stop the update now?" with No as the default, so Enter never stops an update.
class CloseQuestion {
 public:
  // True only for Yes; false for No and when Dismiss ended it.
  bool Ask(QWidget* parent);
  bool open() const { return !box_.isNull(); }
  // Ends an open question as if answered No (an update's own box, or its end, comes).
  void Dismiss();

 private:
  QPointer<QMessageBox> box_;
};

}  // namespace vantor::desktop
