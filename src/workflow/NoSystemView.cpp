// Systems whose files the diagnosis does not read (the browser, macOS).

#include "workflow/SystemWithoutFiles.h"

namespace vantor::workflow {

std::unique_ptr<SystemView> RunningSystem() { return std::make_unique<SystemWithoutFiles>(); }

}  // namespace vantor::workflow
