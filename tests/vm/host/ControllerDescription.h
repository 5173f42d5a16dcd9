#pragma once
// What the test asks of one emulated controller, from a command-line argument:
//
//   framed|addressed[,serial=S][,fault=KIND@N][,delay=MS][,version=WORD][,usb=VVVV:PPPP]
//
// Faults: unplug@N   the controller vanishes as the N-th image chunk arrives
//         silent@N   from the N-th image chunk on it answers nothing
//         fail@N     the N-th image chunk is refused
// delay: the controller appears MS milliseconds after the host started.
// usb: the vendor and product ids (hex) it shows instead of its protocol's usual
//      ones, e.g. an older controller's, or a pair the updater must not take.

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::vmtest {

enum class Protocol { kFramed, kAddressed };
enum class FaultKind { kNone, kUnplug, kSilent, kFail };

struct ControllerDescription {
  Protocol protocol = Protocol::kFramed;
  std::string serial;
  FaultKind fault = FaultKind::kNone;
  std::uint32_t faultChunk = 0;
  std::uint32_t delayMs = 0;
  std::optional<std::uint32_t> versionWord;
  std::optional<std::uint16_t> vendorId;
  std::optional<std::uint16_t> productId;
};

// Parses one description; nullopt with `error` set when it is malformed.
std::optional<ControllerDescription> ParseControllerDescription(const std::string& text, std::string* error);

}  // namespace vantor::vmtest
