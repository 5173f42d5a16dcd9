// `pack -s` descriptions: any text is parsed or refused with a message, never more.
#include <cstdint>
#include <string>

#include "package/PackageWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string description(reinterpret_cast<const char*>(data), size);
  vantor::package::SectionPlan plan;
  std::string error;
  if (vantor::package::ParseSectionDescription(description, &plan, &error)) {
    (void)vantor::package::HeaderBytes(plan, plan.size.value_or(0));
  }
  return 0;
}
