#include "workflow/PackageInspection.h"

#include <algorithm>
#include <set>
#include <utility>

#include "package/PackageRule.h"

namespace vantor::workflow {
namespace {

using package::PackageProblem;

// A framed controller reports no type or variant (its section is type 0, variant 0);
// an addressed one gets the first section of its own type and variant, so every
// distinct non-radio pair in the file names a controller that would take the package.
std::vector<InspectedController> Controllers(const std::string& path, const package::PackageReport& report,
                                             std::optional<std::uint16_t> type, std::uint8_t variant) {
  std::vector<InspectedController> controllers;
  controllers.push_back(InspectedController{});
  std::set<std::pair<std::uint16_t, std::uint8_t>> seen;
  if (type) seen.insert({*type, variant});
  for (const package::FoundSection& section : report.sections) {
    if (section.header.type() == package::kBleSectionType) continue;
    seen.insert({section.header.type(), section.header.variant()});
  }
  for (const auto& [t, v] : seen) controllers.push_back({hid::Protocol::kAddressed, t, v, std::nullopt});
  for (InspectedController& controller : controllers) {
    // Judged on the file, as the update judges it, not on the listing (which may stop).
    const package::PackageJudgement judgement = package::JudgePackageFile(
        path, controller.type, controller.variant, controller.protocol == hid::Protocol::kAddressed);
    if (judgement.walk != package::WalkResult::kFound) continue;
    controller.section = judgement.mainIndex;
    controller.problem = judgement.problem;
  }
  return controllers;
}

// Its first section lies within the file.
bool IsFirmwarePackage(const package::PackageReport& report) {
  const std::optional<package::FoundSection> first =
      report.sections.empty() ? std::nullopt : std::optional<package::FoundSection>(report.sections.front());
  return package::IsFirmwarePackage(first, report.fileLength);
}

}  // namespace

std::optional<PackageInspection> InspectPackageFile(const std::string& path, std::optional<std::uint16_t> type,
                                                    std::optional<std::uint8_t> variant, std::string* error) {
  PackageInspection inspection;
  if (!package::InspectPackage(path, &inspection.report, error)) return std::nullopt;
  const package::PackageReport& report = inspection.report;
  // What is not a package has no sections to list: its first bytes read as a header
  // would only name controllers that do not exist. Asked about one controller whose
  // section it names, it is a damaged package, as the update says.
  if (!IsFirmwarePackage(report) &&
      (!type || package::JudgePackageFile(path, *type, variant.value_or(0), true).problem ==
                    PackageProblem::kNotAPackage)) {
    inspection.isPackage = false;
    return inspection;
  }
  inspection.controllers = Controllers(path, report, type, variant.value_or(0));
  const auto isAsked = [&](const InspectedController& controller) {
    return controller.protocol == hid::Protocol::kAddressed && controller.type == *type &&
           controller.variant == variant.value_or(0);
  };
  for (const InspectedController& controller : inspection.controllers) {
    if ((!type || isAsked(controller)) && controller.section && controller.problem == PackageProblem::kNone) {
      inspection.acceptable = true;
    }
  }
  if (report.walkCutShort) inspection.notes.push_back(InspectionNote::kCutInHeader);
  if (report.sectionsCapped) inspection.notes.push_back(InspectionNote::kSectionsCapped);
  if (type && std::none_of(inspection.controllers.begin(), inspection.controllers.end(),
                           [&](const InspectedController& controller) {
                             return isAsked(controller) && controller.section.has_value();
                           })) {
    inspection.notes.push_back(InspectionNote::kNothingForAsked);
  }
  return inspection;
}

std::optional<bool> IsPackageFile(const std::string& path, std::string* error) {
  package::PackageReport report;
  if (!package::InspectPackage(path, &report, error)) return std::nullopt;
  return IsFirmwarePackage(report);
}

}  // namespace vantor::workflow
