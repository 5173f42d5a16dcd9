// The browser page reaches controllers through WebHID alone.

#include "hid/web/WebHidBackend.h"
#include "workflow/Environment.h"

namespace vantor::workflow {

std::unique_ptr<hid::HidBackend> SystemHidBackend(std::string* error) { return hid::CreateWebHidBackend(error); }

}  // namespace vantor::workflow
