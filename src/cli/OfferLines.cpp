#include "cli/OfferLines.h"

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Output.h"
#include "cli/ProbeLines.h"

namespace vantor::cli {

namespace {

std::vector<std::string> ControllerLines(const PackageOffer& offer) {
  std::vector<std::string> lines;
  lines.push_back(LocalizedText(text::kOfferController) + " " + offer.controllerPath);
  const std::string installed =
      offer.installedWord ? VersionDisplay(*offer.installedWord) : LocalizedText(text::kFirmwareNone);
  lines.push_back(LocalizedText(text::kOfferInstalled) + " " + installed);
  return lines;
}

}  // namespace

std::vector<std::string> OfferLines(const PackageOffer& offer) {
  std::vector<std::string> lines = ControllerLines(offer);
  std::string fresh = LocalizedText(text::kOfferNew) + " " + VersionDisplay(offer.newVersionWord);
  if (offer.order == VersionOrder::kOlder) fresh += " " + LocalizedText(text::kOfferOlder);
  if (offer.order == VersionOrder::kSame) fresh += " " + LocalizedText(text::kOfferSame);
  lines.push_back(fresh);
  lines.push_back(LocalizedText(offer.writesRadio ? text::kOfferRadioWritten : text::kOfferRadioKept));
  return lines;
}

std::vector<std::string> VerifyOfferLines(const PackageOffer& offer) {
  std::vector<std::string> lines = ControllerLines(offer);
  lines.push_back(LocalizedText(text::kVerifyOfferPackage) + " " + VersionDisplay(offer.newVersionWord));
  lines.push_back(LocalizedText(text::kVerifyReadsBack));
  if (offer.writesRadio) lines.push_back(LocalizedText(text::kVerifyRadioToo));
  return lines;
}

}  // namespace vantor::cli
