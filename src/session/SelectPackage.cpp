#include "session/SelectPackage.h"

#include <filesystem>
#include <system_error>

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/LocalizedText.h"
#include "package/FirmwarePackage.h"
#include "package/PackageRule.h"
#include "session/VersionText.h"

namespace vantor {

using package::FoundSection;
using package::PackageFile;
using package::PackageProblem;
using package::WalkResult;
namespace {

std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.u8string();
}

int Refuse(UpdateSession& session, PackageProblem problem) {
  const TextSlot slot = problem == PackageProblem::kNothingToWrite ? text::kPackageEmpty : text::kPackageDamaged;
  DebugLinef("package refused: %s\n", package::ProblemDescription(problem));
  session.Conclude(UpdateOutcome::kPackageRefused, FailureReason::kNone, 0, problem);
  session.view.ShowMessage(LocalizedText(slot), ProductTitle(), MessageButtons::kOk);
  return 0;
}

int NoPackage(UpdateSession& session, UpdateOutcome why = UpdateOutcome::kNoPackage) {
  session.Conclude(why);
  return 0;
}

PackageOffer MakeOffer(const UpdateSession& session, const std::string& sha256, bool writesRadio) {
  PackageOffer offer;
  offer.packagePath = session.state.packagePath;
  offer.packageSha256 = sha256;
  offer.controllerPath = session.target.path;
  offer.protocol = session.target.protocol;
  offer.newVersionWord = session.state.mainHeader.versionWord();
  const std::uint32_t installed = session.deviceVersion.load();
  if (installed != kVersionNotReported && installed != kNoFirmware) offer.installedWord = installed;
  offer.order = CompareVersions(offer.newVersionWord, offer.installedWord);
  offer.mainAddress = session.state.mainHeader.address();
  offer.mainBytes = session.state.mainHeader.length();
  offer.writesRadio = writesRadio;
  if (writesRadio) {
    offer.newRadioVersion = session.state.bleHeader.version();
    offer.radioAddress = session.state.bleHeader.address();
    offer.radioBytes = session.state.bleHeader.length() - package::kBleInnerHeaderSize;
  }
  return offer;
}

}  // namespace

std::string ConfirmationText(std::uint16_t version, std::uint16_t beta) {
  // The hundredths too: "%.1f" offered a 1.56 package as 1.6, an upgrade over 1.56.
  return Format("%s %s\n", LocalizedText(text::kNewFirmware).c_str(), FirmwareVersionText(version, beta).c_str());
}

int SelectPackage(UpdateSession& session) {
  UpdateState& state = session.state;
  session.EnterStage(UpdateStage::kChoosingPackage);
  const std::string filter = LocalizedText(text::kFileType) + "(*.dat)|*.dat||";
  state.mainHeader.Clear();
  state.bleHeader.Clear();
  session.hasBleImage = 0;

  state.packageFile.Unpin();

  const std::optional<std::string> chosen = session.view.ChoosePackageFile(filter, CurrentFolder());
  if (!chosen) return NoPackage(session);
  state.packagePath = *chosen;

  PackageFile file;
  if (!file.Open(state.packagePath)) return NoPackage(session);
  const std::int64_t length = file.Length();
  if (length < 0) return NoPackage(session);
  const auto fileLength = static_cast<std::uint64_t>(length);
  if (fileLength >= package::kBleImageMinimumFileSize) session.hasBleImage = 1;

  // The file offered is the file sent: its digest and identity are taken now, and every
  // later open of it for this update refuses a file that has changed since.
  const std::optional<package::PackageFingerprint> fingerprint = package::Fingerprint(file);
  if (!fingerprint) return NoPackage(session);

  // A framed controller reports no type or variant: its image is the first section of
  // type 0 and variant 0, whatever an addressed controller reported earlier.
  const bool addressed = session.target.protocol == hid::Protocol::kAddressed;
  const package::PackageJudgement judgement =
      package::JudgePackage(file, fileLength, session.target.deviceType, session.target.deviceVariant, addressed);
  switch (judgement.walk) {
    case WalkResult::kFound:
      break;
    case WalkResult::kNotFound:
      if (judgement.problem == PackageProblem::kNotAPackage) return Refuse(session, judgement.problem);
      return NoPackage(session, UpdateOutcome::kNothingMatched);
    case WalkResult::kReadError:
      return NoPackage(session);
  }
  file.Close();
  if (judgement.problem != PackageProblem::kNone) return Refuse(session, judgement.problem);
  const FoundSection& main = judgement.main;
  const std::optional<FoundSection>& ble = judgement.ble;

  state.mainHeader = main.header;
  state.imageDataOffset() = static_cast<std::uint32_t>(main.dataOffset);  // checked to fit
  if (ble) {
    state.bleHeader = ble->header;
    state.bleDataOffset() = static_cast<std::uint32_t>(ble->dataOffset);
  }
  state.firmwareVersion() = state.mainHeader.version();
  state.imageAddress() = state.mainHeader.address();
  state.imageLength() = state.mainHeader.length();
  state.imageSent() = 0;
  if (session.hasBleImage) {
    state.bleVersion() = state.bleHeader.version();
    state.bleAddress() = state.bleHeader.address();
    state.bleLength() = state.bleHeader.length();
  }
  state.transferPhase = TransferPhase::kSelected;
  state.packageFile.Pin(*fingerprint);

  const PackageOffer offer = MakeOffer(session, fingerprint->sha256, judgement.writesRadio(addressed));
  session.RecordOffer(offer);
  const std::string question = ConfirmationText(state.mainHeader.version(), state.mainHeader.beta());
  // A read-back alone writes nothing: there is nothing to consent to.
  if (session.verifyOnly) {
    session.view.ShowVerifyOffer(offer);
  } else if (session.view.ConfirmOffer(offer, question) == kIdCancel) {
    DebugLine("MessageBox == IDCANCEL\n");
    return NoPackage(session, UpdateOutcome::kDeclined);
  }
  session.hid.SetReadTimeout(10);
  state.firmwareVersion() = state.mainHeader.versionWord();
  session.packageConfirmed = true;

  return 1;
}

}  // namespace vantor
