#include "hid/hidapi/HidapiBackend.h"
#include "workflow/Environment.h"

namespace vantor::workflow {

std::unique_ptr<hid::HidBackend> SystemHidBackend(std::string* error) { return hid::CreateHidapiBackend(error); }

}  // namespace vantor::workflow
