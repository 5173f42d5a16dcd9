#include "ControllerDescription.h"

#include <cstdlib>
#include <sstream>

namespace vantor::vmtest {
namespace {

bool ParseNumber(const std::string& text, std::uint32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0') return false;
  *value = static_cast<std::uint32_t>(parsed);
  return true;
}

bool ParseFault(const std::string& text, ControllerDescription* description) {
  const std::size_t at = text.find('@');
  if (at == std::string::npos) return false;
  const std::string kind = text.substr(0, at);
  if (kind == "unplug") {
    description->fault = FaultKind::kUnplug;
  } else if (kind == "silent") {
    description->fault = FaultKind::kSilent;
  } else if (kind == "fail") {
    description->fault = FaultKind::kFail;
  } else {
    return false;
  }
  return ParseNumber(text.substr(at + 1), &description->faultChunk) && description->faultChunk > 0;
}

// "VVVV:PPPP", both hexadecimal.
bool ParseUsbIds(const std::string& text, ControllerDescription* description) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  std::uint32_t vendor = 0;
  std::uint32_t product = 0;
  if (!ParseNumber("0x" + text.substr(0, colon), &vendor) || !ParseNumber("0x" + text.substr(colon + 1), &product) ||
      vendor > 0xFFFF || product > 0xFFFF) {
    return false;
  }
  description->vendorId = static_cast<std::uint16_t>(vendor);
  description->productId = static_cast<std::uint16_t>(product);
  return true;
}

}  // namespace

std::optional<ControllerDescription> ParseControllerDescription(const std::string& text, std::string* error) {
  ControllerDescription description;
  std::stringstream parts(text);
  std::string part;
  bool first = true;
  while (std::getline(parts, part, ',')) {
    if (first) {
      first = false;
      if (part == "framed") {
        description.protocol = Protocol::kFramed;
      } else if (part == "addressed") {
        description.protocol = Protocol::kAddressed;
      } else {
        *error = "unknown protocol '" + part + "'";
        return std::nullopt;
      }
      continue;
    }
    const std::size_t equals = part.find('=');
    const std::string key = part.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : part.substr(equals + 1);
    bool ok = true;
    if (key == "serial") {
      description.serial = value;
      ok = !value.empty();
    } else if (key == "fault") {
      ok = ParseFault(value, &description);
    } else if (key == "delay") {
      ok = ParseNumber(value, &description.delayMs);
    } else if (key == "version") {
      std::uint32_t word = 0;
      ok = ParseNumber(value, &word);
      description.versionWord = word;
    } else if (key == "usb") {
      ok = ParseUsbIds(value, &description);
    } else {
      ok = false;
    }
    if (!ok) {
      *error = "bad controller option '" + part + "' in '" + text + "'";
      return std::nullopt;
    }
  }
  if (first) {
    *error = "empty controller description";
    return std::nullopt;
  }
  return description;
}

}  // namespace vantor::vmtest
