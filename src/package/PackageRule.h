#pragma once
// The one rule that decides which sections of a package a controller gets and every
// reason to refuse it. The update, the inspector, the bench and every front end judge
// a package through it, on the file itself, so none of them can say otherwise than
// the update will do.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "package/FirmwarePackage.h"

namespace vantor::package {

struct PackageJudgement {
  // kFound: `main` is the controller's section; kNotFound: the package holds nothing
  // for it; kReadError: the file could not be read.
  WalkResult walk = WalkResult::kNotFound;
  FoundSection main;
  std::size_t mainIndex = 0;  // the main section's place among the file's sections
  // The package is 0x10000 bytes or longer, so it carries a Bluetooth LE image.
  bool carriesBleImage = false;
  std::optional<FoundSection> ble;  // its section, when one was found
  // Why the package is refused for this controller (kNone: accepted), judged when the
  // main section was found; with kNotFound, kNotAPackage when the file is no firmware
  // package at all, so that it is not said to lack this controller's firmware. A file
  // whose one section is this controller's own but runs past the end is a damaged
  // package (kMainSectionTruncated): its header names the controller.
  PackageProblem problem = PackageProblem::kNone;

  bool accepted() const { return walk == WalkResult::kFound && problem == PackageProblem::kNone; }
  // The radio image is written: an addressed controller, and a radio section with bytes.
  bool writesRadio(bool addressed) const { return addressed && ble && ble->header.length() > 0; }
};

// Judges `file` (of `fileLength` bytes) for a controller of `type` and `variant`.
// `addressed`: the controller speaks the addressed protocol, which places images by
// address and writes the Bluetooth LE image; a framed controller is judged as type 0,
// variant 0 whatever is passed.
PackageJudgement JudgePackage(PackageFile& file, std::uint64_t fileLength, std::uint16_t type, std::uint8_t variant,
                              bool addressed);

// The same on the file at `path` (kReadError when it cannot be opened or read).
PackageJudgement JudgePackageFile(const std::string& path, std::uint16_t type, std::uint8_t variant, bool addressed);

}  // namespace vantor::package
