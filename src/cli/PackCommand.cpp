// `pack`: a package from section descriptions.

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/InterruptWatcher.h"
#include "cli/Output.h"
#include "cli/SectionWords.h"
#include "package/PackageWriter.h"

namespace vantor::cli {

using package::ParseSectionDescription;
using package::SectionPlan;
using package::WritePackage;

int RunPack(const CommonOptions& options, const std::string& output, const std::vector<std::string>& sections,
            InterruptWatcher& interrupts) {
  std::vector<SectionPlan> plans;
  for (const std::string& description : sections) {
    SectionPlan plan;
    std::string error;
    if (const std::optional<std::string> problem = SectionProblemText(description)) {
      return Fail(options, kExitUsage, "bad-section", "--section \"" + description + "\": " + *problem);
    }
    if (!ParseSectionDescription(description, &plan, &error)) {
      return Fail(options, kExitUsage, "bad-section", "--section \"" + description + "\": " + error);
    }
    plans.push_back(plan);
  }
  package::WriteFailure failure;
  // Ctrl-C (or a closed terminal) stops between pieces and removes the unfinished file.
  if (!WritePackage(output, plans, &failure, [&interrupts] { return interrupts.fired(); })) {
    if (failure.problem == package::WriteProblem::kStopped) {
      return Fail(options, interrupts.exitCode(), "interrupted",
                  Format(LocalizedText(text::kPackStopped).c_str(), output.c_str()));
    }
    return Fail(options, kExitUsage, "cannot-write-package", WriteFailureText(failure));
  }
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    nlohmann::json written = nlohmann::json::array();
    for (const SectionPlan& plan : plans) {
      written.push_back({{"version", VersionJson(plan.version, plan.beta)},
                         {"address", Hex32(plan.address)},
                         {"type", plan.type},
                         {"variant", plan.variant},
                         {"source", plan.size ? "generated" : "file"}});
    }
    document["output"] = output;
    document["sections"] = written;
    document["exitCode"] = kExitSuccess;
    EmitJson(document);
  }
  SayResult(options, Format(LocalizedText(text::kPackWrote).c_str(), output.c_str(), static_cast<unsigned>(plans.size())));
  return kExitSuccess;
}

}  // namespace vantor::cli
