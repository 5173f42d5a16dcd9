#pragma once
// Why `pack` refuses a --section description, in the user's language. The package
// library parses the description; this names the pair it stumbles on, walking the
// pairs in the same order, and asks the library itself whether a value is one it takes.
// The command line also wants address= in every description: no section type has an
// address of its own, and a section without one would be written at 0, where no
// controller's firmware goes.

#include <optional>
#include <string>

#include "package/PackageWriter.h"

namespace vantor::cli {

// The reason `description` cannot be packed, or nothing when it can.
std::optional<std::string> SectionProblemText(const std::string& description);

// Why the package was not written.
std::string WriteFailureText(const package::WriteFailure& failure);

}  // namespace vantor::cli
