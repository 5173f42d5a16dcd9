#include "web/PageTexts.h"

#include "base/Format.h"
#include "session/ResultWords.h"
#include "session/UpdateSession.h"
#include "session/VersionText.h"

namespace vantor::web {

JsonObject PageTexts() {
  JsonObject texts;
  texts.Add("language", UserUiLanguage() == kLanguageChinesePrc ? "zh-CN" : "en")
      .Add("title", ProductTitle())
      .Add("usbUpdate", LocalizedText(vantor::text::kUsbUpdate))
      .Add("instructions", LocalizedText(vantor::text::kInstructions))
      .Add("resetHint", LocalizedText(vantor::text::kResetHint))
      .Add("fileType", LocalizedText(vantor::text::kFileType))
      .Add("chooseFile", LocalizedText(text::kChooseFile))
      .Add("onlyDat", LocalizedText(text::kOnlyDat))
      .Add("continue", LocalizedText(text::kContinue))
      .Add("cancel", LocalizedText(text::kCancel))
      .Add("noWebHid", LocalizedText(text::kNoWebHid))
      .Add("chooserEmpty", LocalizedText(text::kChooserEmpty))
      .Add("simulated", LocalizedText(text::kSimulated))
      .Add("doNotUnplug", LocalizedText(text::kDoNotUnplug))
      .Add("restarted", LocalizedText(text::kRestarted))
      .Add("success", LocalizedText(vantor::text::kSuccess))
      .Add("failure", LocalizedText(vantor::text::kFailure));
  return texts;
}

Ending EndingOf(const UpdateResult& result) {
  Ending ending;
  switch (result.outcome) {
    case UpdateOutcome::kSucceeded:
      ending.succeeded = true;
      ending.text = LocalizedText(vantor::text::kSuccess) + "\n" + LocalizedText(text::kRestarted);
      return ending;
    case UpdateOutcome::kNone:
    case UpdateOutcome::kNoPackage:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kChooseFile);
      return ending;
    case UpdateOutcome::kDeclined:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kCancelled);
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
      ending.text = LocalizedText(vantor::text::kNotInBootMode) + "\n" + NextStepText(RetryBy::kDialog);
      return ending;
    case UpdateOutcome::kInterrupted:
      ending.text = LocalizedText(vantor::text::kStoppedKeepsBootMode);
      return ending;
    case UpdateOutcome::kFailed:
      break;
  }
  std::string stage = StageLabel(result.stage);
  if (stage.empty()) stage = StageName(result.stage);
  ending.text = Format(LocalizedText(text::kFailedWhile).c_str(), stage.c_str(), ReasonText(result).c_str()) + "\n" +
                NextStepText(RetryBy::kDialog);
  return ending;
}

JsonObject OfferWords(const PackageOffer& offer, const std::string& seedQuestion) {
  std::string question = seedQuestion;
  while (!question.empty() && (question.back() == '\n' || question.back() == ' ')) question.pop_back();
  std::string installed = offer.installedWord ? FirmwareVersionText(*offer.installedWord) : LocalizedText(text::kNone);
  std::string next = FirmwareVersionText(offer.newVersionWord);
  if (offer.order == VersionOrder::kOlder) next += " " + LocalizedText(text::kOlder);
  if (offer.order == VersionOrder::kSame) next += " " + LocalizedText(text::kSame);
  const std::string radio =
      offer.writesRadio && offer.newRadioVersion
          ? Format(LocalizedText(text::kRadioWritten).c_str(), FirmwareVersionText(*offer.newRadioVersion, 0).c_str())
          : LocalizedText(text::kRadioKept);
  JsonObject words;
  words.Add("question", question)
      .Add("installedLabel", LocalizedText(text::kInstalled))
      .Add("installed", installed)
      .Add("newLabel", LocalizedText(text::kNew))
      .Add("new", next)
      .Add("order", VersionOrderName(offer.order))
      .Add("writesRadio", offer.writesRadio)
      .Add("radio", radio)
      .Add("sha256", offer.packageSha256);
  return words;
}

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

std::optional<std::uint64_t> EstimateLeftMs(std::uint64_t sent, std::uint64_t total, std::uint64_t elapsedMs) {
  constexpr std::uint64_t kMinimumSeenMs = 250;
  if (sent == 0 || sent > total || elapsedMs < kMinimumSeenMs) return std::nullopt;
  return static_cast<std::uint64_t>(static_cast<double>(total - sent) * static_cast<double>(elapsedMs) /
                                    static_cast<double>(sent));
}

}  // namespace vantor::web
