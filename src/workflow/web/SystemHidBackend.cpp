// The browser page reaches controllers through WebHID only; until that backend is
// built in, the page offers the emulated controllers alone.

#include "workflow/Environment.h"

namespace vantor::workflow {

std::unique_ptr<hid::HidBackend> SystemHidBackend(std::string* error) {
  if (error != nullptr) *error = "this build of the page has no WebHID backend: only emulated controllers";
  return nullptr;
}

}  // namespace vantor::workflow
