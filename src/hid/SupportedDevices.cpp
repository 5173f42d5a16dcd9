#include "hid/SupportedDevices.h"

namespace vantor::hid {

std::optional<Protocol> ProtocolOf(std::uint16_t vendorId, std::uint16_t productId) {
  for (const SupportedDevice& device : kSupportedDevices) {
    if (device.vendorId == vendorId && device.productId == productId) return device.protocol;
  }
  return std::nullopt;
}

const char* ProtocolName(Protocol protocol) {
  return protocol == Protocol::kAddressed ? "addressed" : "framed";
}

}  // namespace vantor::hid
