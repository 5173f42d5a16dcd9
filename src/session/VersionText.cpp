#include "session/VersionText.h"

#include "base/Format.h"

namespace vantor {

std::string FirmwareVersionText(std::uint16_t version, std::uint16_t beta) {
  const unsigned whole = version / 100u;
  const unsigned hundredths = version % 100u;
  const std::string number =
      hundredths % 10u != 0 ? Format("%u.%02u", whole, hundredths) : Format("%u.%u", whole, hundredths / 10u);
  return beta == 0 ? number : Format("%s beta%u", number.c_str(), static_cast<unsigned>(beta));
}

std::string FirmwareVersionText(std::uint32_t versionWord) {
  return FirmwareVersionText(static_cast<std::uint16_t>(versionWord & 0xFFFF),
                             static_cast<std::uint16_t>(versionWord >> 16));
}

}  // namespace vantor
