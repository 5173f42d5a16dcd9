#pragma once
// The controllers this updater talks to, and which bootloader protocol each speaks.

#include <cstdint>
#include <optional>

namespace vantor::hid {

enum class Protocol { kFramed, kAddressed };

struct SupportedDevice {
  std::uint16_t vendorId;
  std::uint16_t productId;
  Protocol protocol;
};

// In the order detection tests them. 0x0483:0x3002 is deliberately absent.
inline constexpr SupportedDevice kSupportedDevices[] = {
    {0x0483, 0x5750, Protocol::kFramed},
    {0x2DC8, 0x5750, Protocol::kFramed},
    {0x2DC8, 0x3002, Protocol::kAddressed},
};

// The protocol of a supported controller, or nothing for any other device.
std::optional<Protocol> ProtocolOf(std::uint16_t vendorId, std::uint16_t productId);

const char* ProtocolName(Protocol protocol);  // "framed" / "addressed"

}  // namespace vantor::hid
