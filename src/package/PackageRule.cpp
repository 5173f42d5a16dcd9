#include "package/PackageRule.h"

namespace vantor::package {

PackageJudgement JudgePackage(PackageFile& file, std::uint64_t fileLength, std::uint16_t type, std::uint8_t variant,
                              bool addressed) {
  PackageJudgement judgement;
  if (!addressed) {
    type = 0;
    variant = 0;
  }
  judgement.carriesBleImage = fileLength >= kBleImageMinimumFileSize;
  judgement.walk = FindMainSection(file, fileLength, type, variant, &judgement.main, &judgement.mainIndex);
  if (judgement.walk == WalkResult::kNotFound) {
    FoundSection first;
    const WalkResult result = FindFirstSection(file, fileLength, &first);
    if (result == WalkResult::kReadError) {
      judgement.walk = WalkResult::kReadError;
    } else if (!IsFirmwarePackage(result == WalkResult::kFound ? std::optional<FoundSection>(first) : std::nullopt,
                                  fileLength)) {
      judgement.problem = PackageProblem::kNotAPackage;
    }
  }
  if (judgement.walk != WalkResult::kFound) return judgement;
  if (judgement.carriesBleImage) {
    FoundSection ble;
    const WalkResult result = FindBleSection(file, fileLength, &ble);
    if (result == WalkResult::kReadError) {
      judgement.walk = WalkResult::kReadError;
      return judgement;
    }
    if (result == WalkResult::kFound) judgement.ble = ble;
  }
  // Only the addressed protocol writes the radio's image.
  judgement.problem =
      CheckSelection(judgement.main, addressed ? judgement.ble : std::nullopt, fileLength, addressed);
  return judgement;
}

PackageJudgement JudgePackageFile(const std::string& path, std::uint16_t type, std::uint8_t variant, bool addressed) {
  PackageFile file;
  const std::int64_t length = file.Open(path) ? file.Length() : -1;
  if (length < 0) {
    PackageJudgement unreadable;
    unreadable.walk = WalkResult::kReadError;
    return unreadable;
  }
  return JudgePackage(file, static_cast<std::uint64_t>(length), type, variant, addressed);
}

}  // namespace vantor::package
