#pragma once
// Finds the hidraw node the kernel made for a uhid device, by the serial the device
// was created with (HID_UNIQ in its uevent).

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::vmtest {

// Polls /sys/class/hidraw until a node for `serial` exists and its /dev entry is
// there, at most `timeoutMs`. Returns "/dev/hidrawN".
std::optional<std::string> WaitForHidrawNode(const std::string& serial, std::uint32_t timeoutMs);

}  // namespace vantor::vmtest
