// Windows: no udev and no device-node permissions to read; access to a controller is
// what opening it answers. What the HID backend cannot tell by itself is a system whose
// HID device class cannot be listed at all (SetupAPI refusing it), where enumeration
// would look just like no controller attached.

#include <windows.h>

#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

#include "base/Format.h"
#include "workflow/SystemWithoutFiles.h"

namespace vantor::workflow {
namespace {

// Windows names no process that has a device open to an unprivileged program, and has
// no rules or nodes to read.
class WindowsSystemView final : public SystemWithoutFiles {
 public:
  std::optional<std::string> HidServicesProblem() override {
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    const HDEVINFO list = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
      return Format("SetupDiGetClassDevs: error %lu", static_cast<unsigned long>(GetLastError()));
    }
    SetupDiDestroyDeviceInfoList(list);
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<SystemView> RunningSystem() { return std::make_unique<WindowsSystemView>(); }

}  // namespace vantor::workflow
