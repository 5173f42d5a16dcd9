#include "desktop/Words.h"

#include "base/Format.h"
#include "desktop/DesktopTexts.h"
#include "session/ResultWords.h"
#include "session/VersionText.h"

namespace vantor::desktop {

std::string OfferText(const PackageOffer& offer, const std::string& seedQuestion) {
  std::string text = seedQuestion;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  text += "\n\n" + LocalizedText(text::kOfferController) + " " + offer.controllerPath;
  text += "\n" + LocalizedText(text::kOfferInstalled) + " " +
          (offer.installedWord ? FirmwareVersionText(*offer.installedWord) : LocalizedText(text::kFirmwareNone));
  text += "\n" + LocalizedText(text::kOfferNew) + " " + FirmwareVersionText(offer.newVersionWord);
  if (offer.order == VersionOrder::kOlder) text += " " + LocalizedText(text::kOfferOlder);
  if (offer.order == VersionOrder::kSame) text += " " + LocalizedText(text::kOfferSame);
  text += "\n" + LocalizedText(offer.writesRadio ? text::kOfferRadioWritten : text::kOfferRadioKept);
  return text;
}

std::string VerdictText(const workflow::UnitVerdict& verdict) {
  using workflow::UnitProblem;
  switch (verdict.problem) {
    case UnitProblem::kNone:
      return {};
    case UnitProblem::kBusy:
      return LocalizedText(text::kListInUse);
    case UnitProblem::kGone:
      return LocalizedText(text::kBenchGone);
    case UnitProblem::kLockFailed:
    case UnitProblem::kCannotOpen:
    case UnitProblem::kUpdateUnopenable:
      return LocalizedText(text::kBenchCannotOpen);
    case UnitProblem::kNoAnswer:
      return LocalizedText(text::kBenchNoAnswer);
    case UnitProblem::kNothingForIt:
      return Format(LocalizedText(text::kBenchNoFirmwareFor).c_str(), static_cast<unsigned>(verdict.deviceType),
                    static_cast<unsigned>(verdict.deviceVariant));
    case UnitProblem::kPackageRefused: {
      return Format(LocalizedText(text::kBenchRefusedFor).c_str(), PackageProblemText(verdict.packageProblem).c_str());
    }
    case UnitProblem::kPackageUnreadable:
      return LocalizedText(vantor::text::kReasonPackageUnreadable);
  }
  return {};
}

}  // namespace vantor::desktop
