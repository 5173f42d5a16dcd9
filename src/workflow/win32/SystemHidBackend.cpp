#include "hid/win32/Win32HidBackend.h"
#include "workflow/Environment.h"

namespace vantor::workflow {

std::unique_ptr<hid::HidBackend> SystemHidBackend(std::string* /*error*/) {
  return std::make_unique<hid::Win32HidBackend>();
}

}  // namespace vantor::workflow
