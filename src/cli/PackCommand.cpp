// `pack`: a package from section descriptions.

#include "app/Format.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/PackageWriter.h"

namespace vantor::cli {

int RunPack(const CommonOptions& options, const std::string& output, const std::vector<std::string>& sections) {
  std::vector<SectionSpec> specs;
  for (const std::string& description : sections) {
    SectionSpec spec;
    std::string error;
    if (!ParseSectionSpec(description, &spec, &error)) {
      return Fail(options, kExitUsage, "--section \"" + description + "\": " + error);
    }
    specs.push_back(spec);
  }
  std::string error;
  if (!WritePackage(output, specs, &error)) return Fail(options, kExitUsage, error);
  Say(options, Format("wrote %s with %u section(s)", output.c_str(), static_cast<unsigned>(specs.size())));
  return kExitSuccess;
}

}  // namespace vantor::cli
