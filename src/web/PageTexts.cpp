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

Ending PageEndingOf(const UpdateResult& result) {
  Ending ending = EndingOf(result);
  // The page lets go of the controller once it has restarted, and it has no file yet
  // when the chooser was left.
  if (ending.succeeded) ending.text += "\n" + LocalizedText(text::kRestarted);
  if (ending.text.empty()) ending.text = LocalizedText(text::kChooseFile);
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

}  // namespace vantor::web
