// The offer: which controller, what it holds, what it will get, and whether the radio's
// image is written too, read from the session's chosen sections (never from a text).

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/FlashParts.h"
#include "cli/Output.h"

namespace vantor::cli {

Offer ReadOffer(const UpdateSession& session) {
  Offer offer;
  offer.controllerPath = session.target.path;
  offer.newVersion = session.state.mainHeader.version();
  offer.newBeta = session.state.mainHeader.beta();
  const std::uint32_t installed = session.deviceVersion.load();
  if (installed != kVersionNotReported && installed != kNoFirmware) offer.installedWord = installed;
  // Only the addressed protocol writes a radio image, and only one the package carries.
  offer.writesRadio = session.target.protocol == hid::Protocol::kAddressed && session.hasBleImage != 0 &&
                      session.state.bleHeader.length() > 0;
  return offer;
}

std::vector<std::string> OfferLines(const Offer& offer) {
  std::vector<std::string> lines;
  lines.push_back(LocalizedText(text::kOfferController) + " " + offer.controllerPath);
  const std::string installed =
      offer.installedWord ? VersionDisplay(*offer.installedWord) : LocalizedText(text::kFirmwareNone);
  lines.push_back(LocalizedText(text::kOfferInstalled) + " " + installed);
  std::string fresh = LocalizedText(text::kOfferNew) + " " + VersionText(offer.newVersion, offer.newBeta);
  if (offer.installedWord) {
    // Compared as the controller orders them: version first, then beta number (a
    // release, beta 0, ranks above its betas).
    const auto installedVersion = static_cast<std::uint16_t>(*offer.installedWord & 0xFFFF);
    const auto installedBeta = static_cast<std::uint16_t>(*offer.installedWord >> 16);
    const auto rank = [](std::uint16_t version, std::uint16_t beta) {
      return (static_cast<std::uint32_t>(version) << 16) | (beta == 0 ? 0xFFFFu : beta);
    };
    const std::uint32_t now = rank(installedVersion, installedBeta);
    const std::uint32_t next = rank(offer.newVersion, offer.newBeta);
    if (next < now) fresh += " " + LocalizedText(text::kOfferOlder);
    if (next == now) fresh += " " + LocalizedText(text::kOfferSame);
  }
  lines.push_back(fresh);
  lines.push_back(LocalizedText(offer.writesRadio ? text::kOfferRadioWritten : text::kOfferRadioKept));
  return lines;
}

}  // namespace vantor::cli
