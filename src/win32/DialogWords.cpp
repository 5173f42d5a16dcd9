#include "win32/DialogWords.h"

#include "base/Format.h"
#include "session/ResultWords.h"
#include "session/VersionText.h"
#include "win32/DialogTexts.h"

namespace vantor::win32 {

std::string WithoutSurroundingBlanks(const std::string& text) {
  constexpr const char* kBlanks = " \r\n\t";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string FailureBoxText(const UpdateResult& result, const std::string& seedText) {
  std::string text = WithoutSurroundingBlanks(seedText);
  if (result.reason != FailureReason::kNone) {
    text += "\r\n\r\n" + Format(LocalizedText(text::kFailureReason).c_str(), ReasonText(result).c_str());
  }
  return text + "\r\n\r\n" + NextStepText(RetryBy::kDialog);
}

std::string ConfirmationBoxText(const PackageOffer& offer, const std::string& seedQuestion) {
  std::string text = WithoutSurroundingBlanks(seedQuestion);
  if (offer.order == VersionOrder::kOlder) text += " " + LocalizedText(text::kOfferOlderThanInstalled);
  if (offer.order == VersionOrder::kSame) text += " " + LocalizedText(text::kOfferSameAsInstalled);
  std::string details;
  if (offer.installedWord) {
    details += LocalizedText(text::kOfferInstalledFirmware) + " " + FirmwareVersionText(*offer.installedWord);
  }
  // Only the addressed controller has a radio to write.
  if (offer.protocol == hid::Protocol::kAddressed) {
    if (!details.empty()) details += "\r\n";
    details += LocalizedText(offer.writesRadio ? text::kOfferRadioWrittenToo : text::kOfferRadioNotWritten);
  }
  return details.empty() ? text : text + "\r\n\r\n" + details;
}

std::string IdleInstruction(const workflow::Diagnosis& diagnosis) {
  const workflow::CheckResult* problem = diagnosis.firstProblem();
  if (problem != nullptr) {
    switch (problem->finding) {
      case workflow::Finding::kInNormalMode:
        return LocalizedText(text::kInstructionNormalMode);
      case workflow::Finding::kHeldElsewhere:
        return LocalizedText(text::kInstructionInUse);
      case workflow::Finding::kLibraryMissing:
      case workflow::Finding::kHidServicesUnusable:
        return Format(LocalizedText(text::kInstructionNoHid).c_str(), problem->detail.c_str());
      default:
        // Nothing attached is what the instructions answer; an open refused for another
        // reason is said at the click.
        break;
    }
  }
  return LocalizedText(text::kInstructions);
}

std::optional<std::string> StageInstruction(UpdateStage stage) {
  TextSlot slot = 0;
  switch (stage) {
    case UpdateStage::kErasingMain:
    case UpdateStage::kErasingRadio:
      slot = text::kInstructionErasing;
      break;
    case UpdateStage::kWritingMain:
      slot = text::kInstructionMain;
      break;
    case UpdateStage::kWritingRadio:
      slot = text::kInstructionRadio;
      break;
    case UpdateStage::kStamping:
    case UpdateStage::kVerifying:
    case UpdateStage::kRestarting:
      slot = text::kInstructionFinishing;
      break;
    case UpdateStage::kIdle:
    case UpdateStage::kProbing:
    case UpdateStage::kChoosingPackage:
      return std::nullopt;
  }
  return LocalizedText(text::kInstructionUpdating) + "\r\n\r\n" + LocalizedText(slot);
}

std::optional<std::string> OpenFailureText(hid::OpenError error) {
  switch (error) {
    case hid::OpenError::kNone:
      return std::nullopt;
    case hid::OpenError::kBusy:
      return LocalizedText(text::kDeviceBusy);
    case hid::OpenError::kAccessDenied:
      return LocalizedText(text::kControllerAccessDenied);
    case hid::OpenError::kNotFound:
    case hid::OpenError::kOther:
      break;
  }
  return LocalizedText(text::kControllerUnopenable);
}

}  // namespace vantor::win32
