#include "hid/hidapi/UsbIdentity.h"

#include <cwchar>
#include <filesystem>
#include <system_error>

namespace vantor::hid {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::optional<std::string> SerialNumberUtf8(const wchar_t* serial) {
  if (serial == nullptr || *serial == L'\0') return std::nullopt;
  std::string out;
  for (const wchar_t* p = serial; *p != L'\0'; ++p) {
    char32_t c = static_cast<char32_t>(*p);
    // A 16-bit wchar_t (macOS builds may hand over UTF-16) carries surrogate pairs.
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(p[1]) - 0xDC00);
      ++p;
    } else if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::optional<std::string> UsbLocationOfHidraw(const std::string& devicePath, const std::string& sysfsRoot) {
  namespace fs = std::filesystem;
  const std::string node = fs::path(devicePath).filename().string();
  if (node.rfind("hidraw", 0) != 0) return std::nullopt;
  std::error_code error;
  const fs::path hidDevice = fs::canonical(fs::path(sysfsRoot) / "class" / "hidraw" / node / "device", error);
  if (error) return std::nullopt;
  // "1-2.3:1.0": the USB interface; the USB device's name is the part before the colon.
  const std::string usbInterface = hidDevice.parent_path().filename().string();
  const std::size_t colon = usbInterface.find(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  const std::string location = usbInterface.substr(0, colon);
  // A USB device is named "<bus>-<port>[.<port>...]"; anything else is not on USB.
  const std::size_t dash = location.find('-');
  if (dash == std::string::npos || dash == 0 || dash + 1 == location.size()) return std::nullopt;
  for (std::size_t i = 0; i < location.size(); ++i) {
    const char c = location[i];
    const bool digit = c >= '0' && c <= '9';
    if (!digit && !(i == dash) && !(i > dash && c == '.')) return std::nullopt;
  }
  return location;
}

}  // namespace vantor::hid
