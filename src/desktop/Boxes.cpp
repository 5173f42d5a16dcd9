#include "desktop/Boxes.h"

#include <QFileDialog>
#include <QPushButton>

#include "desktop/DesktopTexts.h"
#include "desktop/Words.h"
#include "session/UpdateSession.h"
#include "workflow/UnattendedView.h"

namespace vantor::desktop {
namespace {

// The program's name: the caption of boxes that have none of their own.
constexpr const char* kProgramName = "vantor-update-gui";

void NameButtons(QMessageBox& box) {
  const struct {
    QMessageBox::StandardButton button;
    TextSlot slot;
  } names[] = {{QMessageBox::Ok, text::kButtonOk},
               {QMessageBox::Cancel, text::kButtonCancel},
               {QMessageBox::Yes, text::kButtonYes},
               {QMessageBox::No, text::kButtonNo}};
  for (const auto& name : names) {
    if (QAbstractButton* const button = box.button(name.button)) button->setText(Qt8(LocalizedText(name.slot)));
  }
}

int AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return kIdOk;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return kIdCancel;
  }
}

int RunBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text, const std::string& caption,
           MessageButtons buttons) {
  QMessageBox box(parent);
  box.setIcon(icon);
  box.setWindowTitle(Qt8(caption.empty() ? std::string(kProgramName) : caption));
  // The procedures' texts carry CR LF and blank edges meant for the Win32 box.
  box.setText(Qt8(workflow::TrimMessage(text)));
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
  }
  box.setEscapeButton(buttons == MessageButtons::kYesNo ? QMessageBox::No
                      : buttons == MessageButtons::kOk  ? QMessageBox::Ok
                                                        : QMessageBox::Cancel);
  NameButtons(box);
  const int answer = box.exec();
  // A box closed by the window manager answers as its escape button.
  return AnswerOf(answer);
}

}  // namespace

QString Qt8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

int ShowBox(QWidget* parent, const std::string& text, const std::string& caption, MessageButtons buttons) {
  const QMessageBox::Icon icon =
      buttons == MessageButtons::kOk ? QMessageBox::Information : QMessageBox::Question;
  return RunBox(parent, icon, text, caption, buttons);
}

void ShowFailureBox(QWidget* parent, const UpdateResult& result, const std::string& seedText,
                    const std::string& caption) {
  RunBox(parent, QMessageBox::Critical, workflow::TrimMessage(seedText) + "\n\n" + EndingOf(result).text, caption,
         MessageButtons::kOk);
}

int ConfirmOfferBox(QWidget* parent, const PackageOffer& offer, const std::string& seedQuestion) {
  const bool downgrade = offer.order == VersionOrder::kOlder || offer.order == VersionOrder::kSame;
  return RunBox(parent, downgrade ? QMessageBox::Warning : QMessageBox::Question, OfferText(offer, seedQuestion),
                ProductTitle(), MessageButtons::kOkCancel);
}

QString NameFilter(const std::string& seedFilter) {
  const std::size_t bar = seedFilter.find('|');
  const std::string label = seedFilter.substr(0, bar);
  const std::size_t open = label.rfind('(');
  if (open == std::string::npos || open == 0 || label[open - 1] == ' ') return Qt8(label);
  return Qt8(label.substr(0, open) + " " + label.substr(open));
}

std::optional<std::string> ChooseFileBox(QWidget* parent, const std::string& seedFilter, const QString& folder) {
  QFileDialog dialog(parent, Qt8(LocalizedText(text::kFirmwareFile)), folder, NameFilter(seedFilter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Utf8(dialog.selectedFiles().front());
}

bool CloseQuestion::Ask(QWidget* parent) {
  QMessageBox box(parent);
  box.setIcon(QMessageBox::Warning);
  box.setWindowTitle(Qt8(ProductTitle()));
  box.setText(Qt8(LocalizedText(vantor::text::kStopWhileUpdating)));
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  NameButtons(box);
  box_ = &box;
  const int answer = box.exec();
  box_.clear();
  return answer == QMessageBox::Yes;
}

void CloseQuestion::Dismiss() {
  if (box_) box_->done(QMessageBox::No);
}

}  // namespace vantor::desktop
