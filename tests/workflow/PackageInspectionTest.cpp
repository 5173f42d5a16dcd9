// The inspection says what the update does: for each package, a controller the
// inspection says would take it is updated, and one it refuses is refused before
// anything is sent to it.

#include <gtest/gtest.h>

#include <utility>

#include "EmulatedEnvironment.h"
#include "LockFolder.h"
#include "support/TestKit.h"
#include "workflow/AttachedControllers.h"
#include "workflow/Bench.h"
#include "workflow/CancelToken.h"
#include "workflow/PackageInspection.h"

namespace vantor::workflow {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

using PackageInspectionTest = LockFolderTest;

// Whether the inspection has `protocol`'s controller (the emulated addressed one is
// type 8194, variant 0) taking the package.
bool InspectionAccepts(const PackageInspection& inspection, hid::Protocol protocol) {
  for (const InspectedController& controller : inspection.controllers) {
    if (controller.protocol != protocol) continue;
    if (protocol == hid::Protocol::kAddressed && (controller.type != 8194 || controller.variant != 0)) continue;
    return controller.section && controller.problem == package::PackageProblem::kNone;
  }
  return false;
}

struct UpdateTried {
  bool judgedFit;  // the bench took it for the controller, before anything was sent
  bool updated;
};

// One emulated controller of `protocol` given the package by the bench.
UpdateTried TryUpdate(const std::string& path, const std::string& protocol) {
  const std::unique_ptr<Environment> environment = EmulatedEnvironment(protocol);
  workflow::Bench bench(*environment, path, {});
  bench.Prepare(AttachedControllers(environment->backend()));
  if (!bench.ready()) return {false, false};
  CancelToken cancel;
  bench.Run(cancel);
  return {true, bench.tally().updated == 1};
}

TEST_F(PackageInspectionTest, AgreesWithTheUpdate) {
  const struct {
    const char* name;
    std::vector<testkit::TestSection> sections;
  } cases[] = {
      {"both kinds", {Section(0, PatternBytes(700, 1)), Section(8194, PatternBytes(900, 2))}},
      // The framed controller refuses it, once asked and sent the header: refused first.
      {"framed image at 0", {Section(0, PatternBytes(300, 3), 0, 150, 0, 0)}},
      {"addressed image outside the main flash", {Section(8194, PatternBytes(300, 4), 0, 150, 0, 0x80030000)}},
      {"nothing to write", {Section(0, {}), Section(8194, {})}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    const TempFile package(PackageBytes(each.sections));
    std::string error;
    const std::optional<PackageInspection> inspection =
        InspectPackageFile(package.path(), std::nullopt, std::nullopt, &error);
    ASSERT_TRUE(inspection) << error;
    for (const auto& [protocol, name] : {std::pair{hid::Protocol::kFramed, "framed"}, {hid::Protocol::kAddressed, "addressed"}}) {
      const UpdateTried tried = TryUpdate(package.path(), name);
      EXPECT_EQ(InspectionAccepts(*inspection, protocol), tried.updated) << name;
      EXPECT_EQ(tried.judgedFit, tried.updated) << name;
    }
  }
}

}  // namespace
}  // namespace vantor::workflow
