// `inspect FILE`: the package as the updater would see it, without a controller: its
// sections, which one each kind of controller would get, whether a Bluetooth LE image
// is carried, and every reason the updater would refuse it.

#include <set>
#include <utility>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/PackagePath.h"
#include "package/FirmwarePackage.h"
#include "package/PackageRule.h"
#include "session/ResultWords.h"

namespace vantor::cli {
namespace {

using package::PackageProblem;
using package::PackageReport;

struct Candidate {
  std::string controller;  // "framed" or "addressed type T variant V"
  std::uint16_t type;
  std::uint8_t variant;
  bool writesBle;
  std::optional<std::size_t> section;
  PackageProblem problem = PackageProblem::kNone;
};

std::string SectionVersion(const package::SectionHeader& header) {
  return VersionText(header.version(), header.beta());
}

// A framed controller reports no type or variant (its section is type 0, variant 0);
// an addressed one gets the first section of its own type and variant, so every
// distinct non-radio pair in the file names a controller that would take the package.
std::vector<Candidate> Candidates(const std::string& file, const PackageReport& report,
                                  std::optional<std::uint16_t> type, std::optional<std::uint8_t> variant) {
  std::vector<Candidate> candidates;
  candidates.push_back({"framed", 0, 0, false, std::nullopt});
  std::set<std::pair<std::uint16_t, std::uint8_t>> seen;
  if (type) seen.insert({*type, variant.value_or(0)});
  for (const package::FoundSection& section : report.sections) {
    if (section.header.type() == package::kBleSectionType) continue;
    seen.insert({section.header.type(), section.header.variant()});
  }
  for (const auto& [t, v] : seen) {
    candidates.push_back({Format("addressed type %u variant %u", static_cast<unsigned>(t), static_cast<unsigned>(v)),
                          t, v, true, std::nullopt});
  }
  for (Candidate& candidate : candidates) {
    // Judged on the file, as the update judges it, not on the listing (which may stop).
    const package::PackageJudgement judgement =
        package::JudgePackageFile(file, candidate.type, candidate.variant, candidate.writesBle);
    if (judgement.walk == package::WalkResult::kFound) {
      candidate.section = judgement.mainIndex;
      candidate.problem = judgement.problem;
      // A framed controller is sent the image's address with it and writes it there:
      // address 0 (a section packed without one) is no controller's main flash.
      const package::SectionHeader& main = judgement.main.header;
      if (!candidate.writesBle && candidate.problem == PackageProblem::kNone && main.address() == 0 &&
          main.length() > 0) {
        candidate.problem = PackageProblem::kMainOutsideFlash;
      }
    }
  }
  return candidates;
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
  PackageReport report;
  std::string error;
  if (!package::InspectPackage(file, &report, &error)) return Fail(options, kExitUsage, "cannot-read-file", error);
  // What is not a package has no sections to list: its first bytes read as a header
  // would only show garbage, and name controllers that do not exist. Asked about one
  // controller whose section it names, it is a damaged package, as flash says.
  const std::optional<package::FoundSection> first =
      report.sections.empty() ? std::nullopt : std::optional<package::FoundSection>(report.sections.front());
  if (!package::IsFirmwarePackage(first, report.fileLength) &&
      (!type || package::JudgePackageFile(file, *type, variant.value_or(0), true).problem ==
                    PackageProblem::kNotAPackage)) {
    return NotAPackage(options, file, report.fileLength);
  }
  const std::vector<Candidate> candidates = Candidates(file, report, type, variant);

  // Acceptable when some controller would take it; with --type, when that one would.
  bool acceptable = false;
  for (const Candidate& candidate : candidates) {
    const bool asked = !type || (candidate.writesBle && candidate.type == *type &&
                                 candidate.variant == variant.value_or(0));
    if (asked && candidate.section && candidate.problem == PackageProblem::kNone) acceptable = true;
  }
  // The problems for scripts (English, in the JSON) and for the user (their language
  // where the command line has the text).
  std::vector<std::string> problems;
  std::vector<std::string> problemLines;
  const auto both = [&](const std::string& problem, const std::string& line) {
    problems.push_back(problem);
    problemLines.push_back(line);
  };
  if (report.walkCutShort) both("the file ends inside a section header", LocalizedText(text::kInspectCutInHeader));
  if (report.sectionsCapped) {
    const auto cap = static_cast<unsigned>(package::kMaxInspectedSections);
    both(Format("more than %u sections; the rest were not read", cap),
         Format(LocalizedText(text::kInspectSectionsCapped).c_str(), cap));
  }
  for (const Candidate& candidate : candidates) {
    if (candidate.section && candidate.problem != PackageProblem::kNone) {
      problems.push_back(candidate.controller + ": " + package::ProblemDescription(candidate.problem));
      problemLines.push_back(candidate.controller + ": " + PackageProblemText(candidate.problem));
    }
  }
  if (type) {
    const bool match =
        package::JudgePackageFile(file, *type, variant.value_or(0), true).walk == package::WalkResult::kFound;
    if (!match) both("no section for the controller asked about", LocalizedText(text::kInspectNothingForAsked));
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
    for (const Candidate& candidate : candidates) {
      controllers.push_back({{"controller", candidate.controller},
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
  for (const Candidate& candidate : candidates) {
    SayResult(options, candidate.section ? Format(LocalizedText(text::kInspectControllerSection).c_str(),
                                                  candidate.controller.c_str(), static_cast<unsigned>(*candidate.section))
                                         : Format(LocalizedText(text::kInspectControllerNoSection).c_str(),
                                                  candidate.controller.c_str()));
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
