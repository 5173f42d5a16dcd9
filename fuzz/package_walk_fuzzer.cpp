// The package walk and the inspector on any file: the section search for both
// protocols' controllers, the radio section, the refusal rule, and the inspector's list.
#include <cstdint>
#include <string>

#include "FuzzKit.h"
#include "package/FirmwarePackage.h"
#include "package/PackageRule.h"

using namespace vantor::package;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = vantor::fuzzing::ProcessFile("walk.dat");
  if (!vantor::fuzzing::WriteWholeFile(path, data, size)) return 0;

  PackageReport report;
  std::string error;
  (void)InspectPackage(path, &report, &error);

  PackageFile file;
  if (!file.Open(path)) return 0;
  const std::int64_t length = file.Length();
  if (length < 0) return 0;
  const auto fileLength = static_cast<std::uint64_t>(length);
  for (const bool addressed : {false, true}) {
    (void)ProblemDescription(JudgePackage(file, fileLength, 8194, 0, addressed).problem);
  }
  FoundSection main;
  if (FindMainSection(file, fileLength, 8194, 0, &main) == WalkResult::kFound) {
    FoundSection ble;
    std::optional<FoundSection> radio;
    if (FindBleSection(file, fileLength, &ble) == WalkResult::kFound) radio = ble;
    (void)CheckSelection(main, radio, fileLength, true);
    (void)CheckSelection(main, std::nullopt, fileLength, false);
    (void)SectionFitsFile(main, fileLength);
  }
  return 0;
}
