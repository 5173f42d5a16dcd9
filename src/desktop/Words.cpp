#include "desktop/Words.h"

#include "base/Format.h"
#include "desktop/DesktopTexts.h"
#include "session/ResultWords.h"
#include "session/VersionText.h"

namespace vantor::desktop {

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 1024) return Format("%u B", static_cast<unsigned>(bytes));
  if (bytes < 1024 * 1024) return Format("%.1f KiB", static_cast<double>(bytes) / 1024.0);
  return Format("%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

std::string DurationText(std::uint64_t milliseconds) {
  // Rounded up: "0 s left" while bytes are still to go would be wrong.
  const std::uint64_t seconds = (milliseconds + 999) / 1000;
  if (seconds < 60) return Format(LocalizedText(text::kSeconds).c_str(), static_cast<unsigned>(seconds));
  return Format(LocalizedText(text::kMinutesSeconds).c_str(), static_cast<unsigned>(seconds / 60),
                static_cast<unsigned>(seconds % 60));
}

std::string ProgressLine(const ByteProgress& progress, std::optional<std::uint64_t> leftMs) {
  std::string line = Format(LocalizedText(text::kStageBytes).c_str(), StageLabel(progress.stage).c_str(),
                            SizeText(progress.stageSent).c_str(), SizeText(progress.stageTotal).c_str());
  if (leftMs) line += Format(LocalizedText(text::kTimeLeft).c_str(), DurationText(*leftMs).c_str());
  return line;
}

Ending EndingOf(const UpdateResult& result) {
  Ending ending;
  const std::string nextStep = NextStepText(RetryBy::kDialog);
  switch (result.outcome) {
    case UpdateOutcome::kSucceeded:
      ending.succeeded = true;
      ending.text = LocalizedText(vantor::text::kSuccess);
      return ending;
    case UpdateOutcome::kNone:
    case UpdateOutcome::kNoPackage:
      // No file chosen: the user went back, nothing to say.
      ending.wroteNothing = true;
      return ending;
    case UpdateOutcome::kDeclined:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kCancelledNothingSent);
      return ending;
    case UpdateOutcome::kNothingMatched:
      ending.wroteNothing = true;
      ending.text = LocalizedText(vantor::text::kNoMatchingFirmware);
      return ending;
    case UpdateOutcome::kPackageRefused:
      ending.wroteNothing = true;
      ending.text = LocalizedText(result.problem == package::PackageProblem::kNothingToWrite
                                      ? vantor::text::kPackageEmpty
                                      : vantor::text::kPackageDamaged);
      return ending;
    case UpdateOutcome::kNotInBootMode:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kNotInBootMode) + "\n" + nextStep;
      return ending;
    case UpdateOutcome::kInterrupted:
      ending.text = LocalizedText(vantor::text::kStoppedKeepsBootMode);
      return ending;
    case UpdateOutcome::kFailed:
      break;
  }
  std::string stage = StageLabel(result.stage);
  if (stage.empty()) stage = StageName(result.stage);
  ending.text = Format(LocalizedText(text::kUpdateFailedBecause).c_str(), stage.c_str(), ReasonText(result).c_str()) +
                "\n" + nextStep;
  return ending;
}

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
