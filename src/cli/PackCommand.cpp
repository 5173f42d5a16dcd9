// `pack`: a package from section descriptions.

#include "base/Format.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "package/PackageWriter.h"

namespace vantor::cli {

using package::ParseSectionDescription;
using package::SectionPlan;
using package::WritePackage;

int RunPack(const CommonOptions& options, const std::string& output, const std::vector<std::string>& sections) {
  std::vector<SectionPlan> plans;
  for (const std::string& description : sections) {
    SectionPlan plan;
    std::string error;
    if (!ParseSectionDescription(description, &plan, &error)) {
      return Fail(options, kExitUsage, "--section \"" + description + "\": " + error);
    }
    plans.push_back(plan);
  }
  std::string error;
  if (!WritePackage(output, plans, &error)) return Fail(options, kExitUsage, error);
  Say(options, Format("wrote %s with %u section(s)", output.c_str(), static_cast<unsigned>(plans.size())));
  return kExitSuccess;
}

}  // namespace vantor::cli
