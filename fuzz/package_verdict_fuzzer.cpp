// One package, two verdicts that must agree: what `inspect` says of it for a controller
// (the listing must read, and the package rule must accept the controller's section),
// and what a whole update of that controller does with it, against the emulated
// bootloader. A package inspect accepts is never refused by the update for a package
// reason; one it refuses is refused by the update before a single erase or header
// reaches the controller. The first input byte picks the controller: the protocol, and
// for the addressed one its type (the first section's, or the usual 8194) and variant;
// the rest is the package.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzKit.h"
#include "addressed/AddressedCommands.h"
#include "package/FirmwarePackage.h"
#include "package/PackageRule.h"
#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"
#include "sim/SimHidBackend.h"

using namespace vantor;

namespace {

struct Controller {
  bool addressed = false;
  std::uint16_t type = 0;
  std::uint8_t variant = 0;
};

Controller PickController(std::uint8_t choice, const std::uint8_t* package, std::size_t size) {
  Controller controller;
  controller.addressed = (choice & 1) != 0;
  if (!controller.addressed) return controller;
  const bool firstSections = (choice & 2) != 0 && size >= 14;
  controller.type = firstSections ? static_cast<std::uint16_t>(package[12] | package[13] << 8) : 8194;
  controller.variant = static_cast<std::uint8_t>((choice >> 2) & 3);
  return controller;
}

bool InspectAccepts(const std::string& path, const Controller& controller) {
  package::PackageReport report;
  std::string error;
  if (!package::InspectPackage(path, &report, &error)) return false;
  return package::JudgePackageFile(path, controller.type, controller.variant, controller.addressed).accepted();
}

[[noreturn]] void Disagree(const char* what, const UpdateResult& result) {
  std::fprintf(stderr, "%s (update outcome %s, reason %s)\n", what, OutcomeName(result.outcome),
               ReasonName(result.reason));
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const std::string path = fuzzing::ProcessFile("verdict.dat");
  const Controller controller = PickController(data[0], data + 1, size - 1);
  if (!fuzzing::WriteWholeFile(path, data + 1, size - 1)) return 0;
  const bool inspectAccepts = InspectAccepts(path, controller);

  fuzzing::BoundedClock clock;
  sim::SimHidBackend backend(clock);
  std::shared_ptr<sim::AddressedEmulator> addressed;
  std::shared_ptr<sim::FramedEmulator> framed;
  if (controller.addressed) {
    sim::AddressedEmulator::Settings settings;
    settings.deviceType = controller.type;
    settings.deviceVariant = controller.variant;
    settings.leavesAfterRunMs = 0;
    addressed = sim::AddressedEmulator::Attach(backend, clock, settings);
  } else {
    framed = sim::FramedEmulator::Attach(backend, sim::FramedEmulator::Settings{});
  }
  const UpdateResult result = fuzzing::RunWholeUpdate(backend, clock, path);
  const bool updateRefuses =
      result.outcome == UpdateOutcome::kNothingMatched || result.outcome == UpdateOutcome::kPackageRefused;
  if (inspectAccepts && updateRefuses) Disagree("inspect accepts a package the update refuses", result);
  if (!inspectAccepts && !updateRefuses) Disagree("the update goes ahead with a package inspect refuses", result);
  if (updateRefuses) {
    const bool touched = addressed ? addressed->CountOf(addressed::kCommandErase) > 0 ||
                                         addressed->CountOf(addressed::kCommandWriteImageData) > 0
                                   : framed->LastHeader().has_value();
    if (touched) Disagree("a refused package reached the controller's flash", result);
  }
  return 0;
}
