// `inspect FILE`: the package's inspection (its sections, which one each kind of
// controller would get, whether a Bluetooth LE image is carried, every reason the
// update would refuse it) in the terminal's words and as JSON.

#include <algorithm>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "package/FirmwarePackage.h"
#include "session/ResultWords.h"
#include "workflow/PackageInspection.h"

namespace vantor::cli {
namespace {

using package::PackageProblem;
using workflow::InspectedController;

std::string SectionVersion(const package::SectionHeader& header) {
  return VersionText(header.version(), header.beta());
}

// "framed" or "addressed type T variant V"
std::string ControllerName(const InspectedController& controller) {
  if (controller.protocol == hid::Protocol::kFramed) return "framed";
  return Format("addressed type %u variant %u", static_cast<unsigned>(controller.type),
                static_cast<unsigned>(controller.variant));
}

int NotAPackage(const CommonOptions& options, const std::string& file, std::uint64_t fileLength) {
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    document["file"] = file;
    document["fileLength"] = fileLength;
    document["firmwarePackage"] = false;
    document["sections"] = nlohmann::json::array();
    document["sectionsCapped"] = false;
    document["carriesBleImage"] = false;
    document["bleSection"] = nullptr;
    document["controllers"] = nlohmann::json::array();
    document["problems"] = {package::ProblemDescription(PackageProblem::kNotAPackage)};
    document["problemCode"] = package::ProblemName(PackageProblem::kNotAPackage);
    document["acceptable"] = false;
    document["exitCode"] = kExitUsage;
    EmitJson(document);
  }
  SayResult(options, Format(LocalizedText(text::kInspectNotAPackage).c_str(), file.c_str(),
                            static_cast<unsigned long long>(fileLength)));
  SayResult(options, Format(LocalizedText(text::kInspectProblem).c_str(),
                            PackageProblemText(PackageProblem::kNotAPackage).c_str()));
  return kExitUsage;
}

}  // namespace

int RunInspect(const CommonOptions& options, const std::string& file, std::optional<std::uint16_t> type,
               std::optional<std::uint8_t> variant) {
  if (const std::optional<FileProblem> problem = CheckPackageFile(file)) {
    return Fail(options, kExitUsage, problem->code, problem->message);
  }
  std::string error;
  const std::optional<workflow::PackageInspection> inspection =
      workflow::InspectPackageFile(file, type, variant, &error);
  if (!inspection) return Fail(options, kExitUsage, "cannot-read-file", error);
  const package::PackageReport& report = inspection->report;
  if (!inspection->isPackage) return NotAPackage(options, file, report.fileLength);
  const bool acceptable = inspection->acceptable;

  // The problems for scripts (English, in the JSON) and for the user (their language
  // where the command line has the text): the file's, each controller's, the question's.
  std::vector<std::string> problems;
  std::vector<std::string> problemLines;
  const auto both = [&](const std::string& problem, const std::string& line) {
    problems.push_back(problem);
    problemLines.push_back(line);
  };
  const auto noted = [&](workflow::InspectionNote note) {
    return std::find(inspection->notes.begin(), inspection->notes.end(), note) != inspection->notes.end();
  };
  if (noted(workflow::InspectionNote::kCutInHeader)) {
    both("the file ends inside a section header", LocalizedText(text::kInspectCutInHeader));
  }
  if (noted(workflow::InspectionNote::kSectionsCapped)) {
    const auto cap = static_cast<unsigned>(package::kMaxInspectedSections);
    both(Format("more than %u sections; the rest were not read", cap),
         Format(LocalizedText(text::kInspectSectionsCapped).c_str(), cap));
  }
  for (const InspectedController& controller : inspection->controllers) {
    if (controller.section && controller.problem != PackageProblem::kNone) {
      both(ControllerName(controller) + ": " + package::ProblemDescription(controller.problem),
           ControllerName(controller) + ": " + PackageProblemText(controller.problem));
    }
  }
  if (noted(workflow::InspectionNote::kNothingForAsked)) {
    both("no section for the controller asked about", LocalizedText(text::kInspectNothingForAsked));
  }
  const int exitCode = acceptable ? kExitSuccess : kExitUsage;

  if (options.json) {
    nlohmann::json sections = nlohmann::json::array();
    for (std::size_t i = 0; i < report.sections.size(); ++i) {
      const package::SectionHeader& header = report.sections[i].header;
      sections.push_back({{"index", i},
                          {"version", VersionJson(header.version(), header.beta())},
                          {"address", Hex32(header.address())},
                          {"length", header.length()},
                          {"type", header.type()},
                          {"variant", header.variant()},
                          {"dataOffset", report.sections[i].dataOffset},
                          {"fitsFile", package::SectionFitsFile(report.sections[i], report.fileLength)}});
    }
    nlohmann::json controllers = nlohmann::json::array();
    for (const InspectedController& candidate : inspection->controllers) {
      controllers.push_back({{"controller", ControllerName(candidate)},
                             {"section", candidate.section ? nlohmann::json(*candidate.section) : nlohmann::json()},
                             {"problem", candidate.problem == PackageProblem::kNone
                                             ? nlohmann::json()
                                             : nlohmann::json(package::ProblemDescription(candidate.problem))},
                             {"problemCode", candidate.problem == PackageProblem::kNone
                                                 ? nlohmann::json()
                                                 : nlohmann::json(package::ProblemName(candidate.problem))}});
    }
    nlohmann::json document = JsonDocument(options);
    document["file"] = file;
    document["fileLength"] = report.fileLength;
    document["firmwarePackage"] = true;
    document["sections"] = sections;
    document["sectionsCapped"] = report.sectionsCapped;
    document["carriesBleImage"] = report.carriesBleImage;
    document["bleSection"] = report.bleSection ? nlohmann::json(*report.bleSection) : nlohmann::json();
    document["controllers"] = controllers;
    document["problems"] = problems;
    document["acceptable"] = acceptable;
    document["exitCode"] = exitCode;
    EmitJson(document);
  }

  SayResult(options, Format(LocalizedText(text::kInspectFileSummary).c_str(), file.c_str(),
                      static_cast<unsigned long long>(report.fileLength), static_cast<unsigned>(report.sections.size())));
  SayResult(options, "  #  version       address     length  type variant  data at");
  const std::string pastTheEnd = "  " + LocalizedText(text::kInspectRunsPastEnd);
  for (std::size_t i = 0; i < report.sections.size(); ++i) {
    const package::SectionHeader& header = report.sections[i].header;
    SayResult(options, Format("%3u  %-12s  %s  %7u  %4u  %6u  %7llu%s", static_cast<unsigned>(i), SectionVersion(header).c_str(),
                        Hex32(header.address()).c_str(), header.length(), static_cast<unsigned>(header.type()),
                        static_cast<unsigned>(header.variant()),
                        static_cast<unsigned long long>(report.sections[i].dataOffset),
                        package::SectionFitsFile(report.sections[i], report.fileLength) ? "" : pastTheEnd.c_str()));
  }
  if (report.carriesBleImage) {
    SayResult(options, report.bleSection ? Format(LocalizedText(text::kInspectRadioSection).c_str(),
                                                  static_cast<unsigned>(*report.bleSection))
                                           : LocalizedText(text::kInspectRadioMissing));
  } else {
    SayResult(options, LocalizedText(text::kInspectRadioNone));
  }
  for (const InspectedController& candidate : inspection->controllers) {
    const std::string name = ControllerName(candidate);
    SayResult(options, candidate.section ? Format(LocalizedText(text::kInspectControllerSection).c_str(),
                                                  name.c_str(), static_cast<unsigned>(*candidate.section))
                                         : Format(LocalizedText(text::kInspectControllerNoSection).c_str(),
                                                  name.c_str()));
  }
  if (problems.empty()) {
    SayResult(options, LocalizedText(text::kInspectNoProblems));
  } else {
    for (const std::string& problem : problemLines) {
      SayResult(options, Format(LocalizedText(text::kInspectProblem).c_str(), problem.c_str()));
    }
  }
  return exitCode;
}

}  // namespace vantor::cli
