#pragma once
// What hidapi tells about a device beyond its path, in the forms the updater shows:
// the serial number as UTF-8, and on Linux the USB port path read from sysfs.

#include <optional>
#include <string>

namespace vantor::hid {

// hidapi's wide serial number as UTF-8; nothing for a missing or empty one.
std::optional<std::string> SerialNumberUtf8(const wchar_t* serial);

// The USB port path ("1-2.3") of the device behind a hidraw node ("/dev/hidraw4"),
// read from `sysfsRoot`/class/hidraw/hidraw4/device: that link leads to the HID
// device, whose parent is the USB interface ("1-2.3:1.0") of the USB device "1-2.3".
// Nothing when the node is not a hidraw node or not on USB.
std::optional<std::string> UsbLocationOfHidraw(const std::string& devicePath, const std::string& sysfsRoot = "/sys");

}  // namespace vantor::hid
