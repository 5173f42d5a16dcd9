#pragma once
// A package as the update would see it, without a controller: its sections, which one
// each kind of controller would get, and every reason the update would refuse it. Each
// controller is judged on the file by the package rule, so what this says is what the
// update does.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/SupportedDevices.h"
#include "package/FirmwarePackage.h"

namespace vantor::workflow {

// A kind of controller that the package names (a framed one always; an addressed one
// per distinct type and variant of its non-radio sections, and the one asked about).
struct InspectedController {
  hid::Protocol protocol = hid::Protocol::kFramed;
  std::uint16_t type = 0;
  std::uint8_t variant = 0;
  std::optional<std::size_t> section;  // the main section it would get; none: nothing for it
  package::PackageProblem problem = package::PackageProblem::kNone;  // when it has a section
};

// What is wrong with the file as a whole, or with the question asked of it.
enum class InspectionNote {
  kCutInHeader,      // the file ends inside a section header
  kSectionsCapped,   // more than package::kMaxInspectedSections sections; the rest unread
  kNothingForAsked,  // no section for the controller asked about
};

struct PackageInspection {
  package::PackageReport report;
  // False: the file is no firmware package, and `controllers` and `notes` are empty.
  bool isPackage = true;
  std::vector<InspectedController> controllers;
  std::vector<InspectionNote> notes;
  // Some controller would take it; with a controller asked about, that one would.
  bool acceptable = false;
};

// An addressed controller of `type` (and `variant`, 0 when not given) is the one asked
// about when `type` is given. Nothing, with `error` set, when the file cannot be read.
std::optional<PackageInspection> InspectPackageFile(const std::string& path, std::optional<std::uint16_t> type,
                                                    std::optional<std::uint8_t> variant, std::string* error);

// Only whether the file is a firmware package at all, without judging any controller
// (the bench judges each of its own); nothing, with `error` set, when it cannot be read.
std::optional<bool> IsPackageFile(const std::string& path, std::string* error);

}  // namespace vantor::workflow
