#include "Verdict.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace vantor::campaign {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Where the addressed bootloader keeps its stamped values, and the codes of the
// commands that change its flash.
constexpr std::uint32_t kVersionAddress = 0x08000034;
constexpr std::uint32_t kRadioVersionAddress = 0x80010004;
constexpr std::uint32_t kRadioCheckAddress = 0x80010006;
constexpr std::uint16_t kWriteBlock = 2;
constexpr std::uint16_t kImageData = 3;
constexpr std::uint16_t kErase = 4;
// The radio's check word over the updater's check block, sixteen zero bytes: each
// word contributes 0x8795, and eight of them cancel.
constexpr std::uint16_t kRadioCheckWord = 0x0000;
// The framed header command as it arrives (message type 22, command 1).
constexpr std::uint8_t kFramedCommandType = 22;
constexpr std::uint8_t kFramedHeader = 1;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// A stamped value: `n` bytes of `value` (little-endian) at `address`.
struct Stamp {
  std::uint32_t address = 0;
  std::uint32_t value = 0;
  std::uint32_t n = 0;
  bool Covers(std::uint32_t at) const { return at >= address && at - address < n; }
  std::uint8_t ByteAt(std::uint32_t at) const { return static_cast<std::uint8_t>(value >> (8 * (at - address))); }
};
using Stamps = std::vector<Stamp>;

bool Stamped(const Stamps& stamps, std::uint32_t at) {
  for (const Stamp& stamp : stamps) {
    if (stamp.Covers(at)) return true;
  }
  return false;
}

// "" when equal, else where the first difference lies. Bytes under `stamps` are not
// compared: the stamp replaced them.
std::string Compare(const char* what, std::uint32_t address, const Bytes& want, const Bytes& got,
                    const Stamps& stamps = {}) {
  if (got.size() != want.size()) {
    return std::string(what) + " holds " + std::to_string(got.size()) + " bytes, not " + std::to_string(want.size());
  }
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (want[i] != got[i] && !Stamped(stamps, address + static_cast<std::uint32_t>(i))) {
      return std::string(what) + " differs at " + Hex(address + static_cast<std::uint32_t>(i)) + " (of " +
             std::to_string(want.size()) + " bytes)";
    }
  }
  return "";
}

void Break(Verdict& verdict, const std::string& how) {
  if (how.empty()) return;
  if (!verdict.broken.empty()) verdict.broken += "; ";
  verdict.broken += how;
  verdict.kept = false;
}

bool Within(std::uint32_t address, std::size_t n, std::uint32_t start, std::size_t length) {
  return address >= start && address - start <= length && n <= length - (address - start);
}

// Whether the flash showing `stamp` proves that it was stamped: not when the image's
// own bytes there are the stamp's (an image that covers it), nor when the erased flash
// would read the same.
bool StampTells(const Stamp& stamp, std::uint32_t imageAddress, const Bytes& image) {
  bool sameAsImage = true;
  bool sameAsErased = true;
  for (std::uint32_t at = stamp.address; at < stamp.address + stamp.n; ++at) {
    const std::uint8_t byte = stamp.ByteAt(at);
    sameAsErased = sameAsErased && byte == 0xFF;
    const bool covered = Within(at, 1, imageAddress, image.size());
    sameAsImage = sameAsImage && covered && image[at - imageAddress] == byte;
  }
  return !sameAsImage && !sameAsErased;
}

// Every command that changes the flash stayed inside the image's ranges and the
// stamp addresses.
std::string ClobberedBy(const RunPlan& plan, const sim::AddressedEmulator& emulator) {
  for (const sim::AddressedEmulator::Command& command : emulator.Commands()) {
    const std::size_t n = command.data.size();
    bool inside = true;
    if (command.code == kImageData) {
      inside = Within(command.address, n, plan.mainAddress, plan.mainImage.size()) ||
               (plan.radio && Within(command.address, n, plan.radioAddress, plan.radioImage.size()));
    } else if (command.code == kWriteBlock) {
      inside = (command.address == kVersionAddress && n == 4) ||
               (plan.radio && (command.address == kRadioVersionAddress || command.address == kRadioCheckAddress) &&
                n == 2);
    } else if (command.code == kErase) {
      inside = (command.address == plan.mainAddress && command.extent == plan.mainImage.size()) ||
               (plan.radio && command.address == plan.radioAddress && command.extent == plan.radioEraseLength);
    }
    if (!inside) {
      return "command " + std::to_string(command.code) + " at " + Hex(command.address) + " (" + std::to_string(n) +
             " bytes, extent " + std::to_string(command.extent) + ") lies outside the image";
    }
  }
  return "";
}

}  // namespace

Verdict JudgeAddressed(const RunPlan& plan, const UpdateResult& result, const sim::AddressedEmulator& emulator) {
  Verdict verdict;
  verdict.succeeded = result.outcome == UpdateOutcome::kSucceeded;
  const Stamp version{kVersionAddress, plan.versionWord, 4};
  const Stamp radioVersion{kRadioVersionAddress, plan.radioVersion, 2};
  const Stamp radioCheck{kRadioCheckAddress, kRadioCheckWord, 2};
  const Bytes main = emulator.ReadFlash(plan.mainAddress, static_cast<std::uint32_t>(plan.mainImage.size()));
  const std::string mainDiffers = Compare("main flash", plan.mainAddress, plan.mainImage, main, {version});
  std::string radioDiffers;
  if (plan.radio) {
    const Bytes radio = emulator.ReadFlash(plan.radioAddress, static_cast<std::uint32_t>(plan.radioImage.size()));
    radioDiffers = Compare("radio flash", plan.radioAddress, plan.radioImage, radio, {radioVersion, radioCheck});
  }

  Break(verdict, ClobberedBy(plan, emulator));
  if (plan.damaged && emulator.CountOf(kErase) > 0) Break(verdict, "a damaged package reached the erase");

  if (verdict.succeeded) {
    if (plan.damaged) Break(verdict, "success with a damaged package");
    Break(verdict, mainDiffers);
    if (emulator.VersionWord() != plan.versionWord) {
      Break(verdict, "version word " + Hex(emulator.VersionWord()) + ", not " + Hex(plan.versionWord));
    }
    if (plan.radio) {
      Break(verdict, radioDiffers);
      if (emulator.RadioVersion() != plan.radioVersion) Break(verdict, "radio version not stamped");
      if (emulator.RadioCheckWord() != kRadioCheckWord) Break(verdict, "radio check word not stamped");
    }
    if (!emulator.Restarted()) Break(verdict, "success, but the controller never got the run command");
    return verdict;
  }

  // Unconfirmed: the run command went out and may or may not have been taken.
  if (emulator.Restarted() && result.reason != FailureReason::kUnconfirmed) {
    Break(verdict, "failed, yet the controller was told to run");
  }
  if (emulator.VersionWord() == plan.versionWord && !mainDiffers.empty() &&
      StampTells(version, plan.mainAddress, plan.mainImage)) {
    Break(verdict, "version word stamped over an image it does not hold: " + mainDiffers);
  }
  if (plan.radio && !radioDiffers.empty()) {
    if (emulator.RadioVersion() == plan.radioVersion && StampTells(radioVersion, plan.radioAddress, plan.radioImage)) {
      Break(verdict, "radio version stamped over an image it does not hold: " + radioDiffers);
    }
    if (emulator.RadioCheckWord() == kRadioCheckWord && StampTells(radioCheck, plan.radioAddress, plan.radioImage)) {
      Break(verdict, "radio check word stamped over an image it does not hold: " + radioDiffers);
    }
  }
  return verdict;
}

Verdict JudgeFramed(const RunPlan& plan, const UpdateResult& result, const sim::FramedEmulator& emulator) {
  Verdict verdict;
  verdict.succeeded = result.outcome == UpdateOutcome::kSucceeded;
  const std::optional<sim::FramedEmulator::Header> header = emulator.LastHeader();
  if (header && (header->address != plan.mainAddress || header->length != plan.mainImage.size())) {
    Break(verdict, "the header announced " + std::to_string(header->length) + " bytes at " + Hex(header->address));
  }
  if (emulator.OverrunBytes() > 0) Break(verdict, std::to_string(emulator.OverrunBytes()) + " bytes past the image");
  if (plan.damaged && emulator.CountOf(kFramedCommandType, kFramedHeader) > 0) {
    Break(verdict, "a damaged package reached the erase (header sent)");
  }

  if (verdict.succeeded) {
    if (plan.damaged) Break(verdict, "success with a damaged package");
    if (!header) {
      Break(verdict, "success, but no header reached the controller");
    } else {
      Break(verdict, Compare("flash", plan.mainAddress, plan.mainImage, emulator.MainImage()));
    }
    if (emulator.VersionWord() != plan.versionWord) {
      Break(verdict, "version word " + Hex(emulator.VersionWord()) + ", not " + Hex(plan.versionWord));
    }
    if (!emulator.Finished()) Break(verdict, "success, but the controller never got the finish");
    return verdict;
  }
  // Unconfirmed: the finish went out and may or may not have been taken.
  if (emulator.Finished() && result.reason != FailureReason::kUnconfirmed) {
    Break(verdict, "failed, yet the controller was given the finish");
  }
  return verdict;
}

}  // namespace vantor::campaign
