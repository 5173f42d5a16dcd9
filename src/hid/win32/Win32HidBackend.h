#pragma once
// The report channel on Windows: SetupAPI enumeration of the HID interface class,
// hid.dll attributes, a pair of file handles per open device, and device-interface
// notifications for the dialog's window. No Windows header leaks from here.

#include <memory>
#include <string>
#include <vector>

#include "hid/HidBackend.h"

namespace vantor::hid {

class Win32HidBackend final : public HidBackend {
 public:
  // Each interface is opened briefly to read its vendor and product ids; one that
  // cannot be opened (a keyboard or mouse the system holds) or whose attributes cannot
  // be read is listed without ids.
  std::vector<HidInterface> Enumerate() override;
  // Opens the write handle and then the read handle; both or neither.
  std::unique_ptr<HidChannel> Open(const std::string& path, OpenError* error) override;
  // `window` is an HWND. Null when it is null or the system refuses.
  std::unique_ptr<NotificationRegistration> RegisterNotifications(void* window) override;
};

}  // namespace vantor::hid
