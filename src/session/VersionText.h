#pragma once
// A firmware version as the user reads it, the same in the dialog's title and in the
// confirmation: the version number (times 100 on the wire) with its hundredths only
// when they are not 0 ("1.56", "1.6", "1.0"), and " beta" with the beta number for a
// beta ("1.62 beta3"). Versions that are multiples of 0.1 read as "%0.1f" reads them.
// A pure function; callable from any thread.

#include <cstdint>
#include <string>

namespace vantor {

std::string FirmwareVersionText(std::uint16_t version, std::uint16_t beta);
// The same for a version word: version in the low half, beta in the high half.
std::string FirmwareVersionText(std::uint32_t versionWord);

}  // namespace vantor
