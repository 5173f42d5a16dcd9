// Addressed runs: a main image, sometimes a radio image, placed where the stamps may
// fall inside them, half of the runs read back (--verify), a controller that stays in
// its boot mode after the run command or leaves the bus at once or later, and one to
// three faults aimed at the commands the update will send, the memory reads and
// device-information queries included.
//
// An unplug is never aimed at the run command: a controller pulled out just as it gets
// the command leaves the bus as one that restarts at once does, and no host can tell
// the two apart (the updater takes it for the restart it asked for).
#include <algorithm>

#include "PackageBytes.h"
#include "Random.h"
#include "RunPlan.h"

namespace vantor::campaign {
namespace {

using sim::AddressedEmulator;

// The emulator's own wire constants are private to it; the campaign names the codes
// it aims faults at.
constexpr std::uint16_t kWriteBlock = 2;
constexpr std::uint16_t kImageData = 3;
constexpr std::uint16_t kErase = 4;
constexpr std::uint16_t kRead = 5;
constexpr std::uint16_t kRun = 7;
constexpr std::uint16_t kDeviceInfo = 0xC0;
constexpr std::uint16_t kDeviceType = 8194;
constexpr std::uint32_t kMainFlash = 0x08000000;
constexpr std::uint32_t kMainAddress = 0x08004000;
// The radio's version and check word lie at 0x10004..0x10007 of its flash.
constexpr std::uint32_t kRadioStampSection = 0x10000;
constexpr std::uint32_t kRadioFlashSize = 256 * 1024;
constexpr std::uint32_t kRadioBit = 0x80000000;
constexpr std::uint32_t kRadioInnerHeader = 28;
constexpr std::uint32_t kChunk = 46;
constexpr std::uint32_t kRadioPackageSize = 0x10000;

const char* CodeName(std::uint16_t code) {
  switch (code) {
    case kWriteBlock:
      return "write-block";
    case kImageData:
      return "image-data";
    case kErase:
      return "erase";
    case kRead:
      return "memory-read";
    case kRun:
      return "run";
    case kDeviceInfo:
      return "device-info";
  }
  return "command";
}

std::string At(const AddressedEmulator::CommandAt& at) {
  return std::string(CodeName(at.code)) + "#" + std::to_string(at.occurrence);
}

// A command the update will send (or one of its repeats): mostly image data. Memory
// reads come from the read-back (--verify: about one per chunk) and from chunks in
// doubt; device-information queries from the probe and the restart's check.
AddressedEmulator::CommandAt DrawCommand(Random& random, std::uint32_t chunks, bool radio, bool runToo = true) {
  const std::uint32_t pick = random.Below(runToo ? 100 : 96);
  if (pick < 60) return {kImageData, random.Between(1, chunks + 2)};
  if (pick < 70) return {kErase, random.Between(1, radio ? 4 : 2)};
  if (pick < 80) return {kWriteBlock, random.Between(1, radio ? 3 : 1)};
  if (pick < 90) return {kRead, random.Between(1, chunks + 4)};
  if (pick < 96) return {kDeviceInfo, random.Between(1, 3)};
  return {kRun, random.Between(1, 2)};
}

void AddFault(RunPlan& plan, Random& random, std::uint32_t chunks, std::uint32_t kind) {
  AddressedEmulator::Faults& faults = plan.addressed.faults;
  const AddressedEmulator::CommandAt at = DrawCommand(random, chunks, plan.radio);
  switch (kind) {
    case 0: {
      const std::uint32_t delay = random.Between(20, 800);
      faults.late.push_back({at, delay});
      plan.faults.push_back({"late-reply", At(at) + ",+" + std::to_string(delay) + "ms"});
      break;
    }
    case 1:
      faults.staleBefore.push_back(at);
      plan.faults.push_back({"stale-reply", At(at)});
      break;
    case 2:
      faults.duplicated.push_back(at);
      plan.faults.push_back({"duplicated-reply", At(at)});
      break;
    case 3:
      faults.reordered.push_back(at);
      plan.faults.push_back({"reordered-reply", At(at)});
      break;
    case 4: {
      const AddressedEmulator::CommandAt chunk{kImageData, random.Between(1, chunks)};
      faults.lost.push_back(chunk);
      plan.faults.push_back({"lost-chunk", At(chunk)});
      break;
    }
    case 5: {
      const std::uint32_t count = random.Chance(80) ? 1 : random.Between(2, 30);
      faults.drops.push_back({at, count});
      plan.faults.push_back({"lost-reply", At(at) + ",x" + std::to_string(count)});
      break;
    }
    case 6: {
      plan.addressed.eraseBusyMs = random.Between(500, 15000);
      plan.faults.push_back({"busy-erase", std::to_string(plan.addressed.eraseBusyMs) + "ms"});
      break;
    }
    case 7: {
      const bool radioErase = plan.radio && random.Chance(50);
      const std::uint32_t address = radioErase ? plan.radioAddress : plan.mainAddress;
      if (random.Chance(70)) {
        faults.refuseEraseAt = address;
        plan.faults.push_back({"refused-erase", radioErase ? "radio" : "main"});
      } else {
        faults.hangEraseAt = address;
        plan.faults.push_back({"endless-erase", radioErase ? "radio" : "main"});
      }
      break;
    }
    case 8: {
      const AddressedEmulator::CommandAt write =
          random.Chance(75) ? AddressedEmulator::CommandAt{kImageData, random.Between(1, chunks)}
                            : AddressedEmulator::CommandAt{kWriteBlock, random.Between(1, plan.radio ? 3 : 1)};
      faults.failedPrograms.push_back(write);
      plan.faults.push_back({"refused-write", At(write)});
      break;
    }
    case 9: {
      const AddressedEmulator::CommandAt pull = DrawCommand(random, chunks, plan.radio, false);
      faults.removeAt = pull;
      plan.faults.push_back({"unplug", At(pull)});
      break;
    }
    case 10:
      faults.refusedWrites.push_back(at);
      plan.faults.push_back({"failed-write", At(at)});
      break;
    case 11:
      plan.addressed.replyDelayMs = random.Between(1, 25);
      plan.faults.push_back({"slow-replies", std::to_string(plan.addressed.replyDelayMs) + "ms"});
      break;
  }
}

}  // namespace

RunPlan PlanAddressedRun(std::uint64_t seed) {
  Random random(seed);
  RunPlan plan;
  plan.protocol = Protocol::kAddressed;
  plan.seed = seed;
  plan.addressed.versionWord = 150;
  plan.addressed.radioVersion = 0x0102;

  const std::uint16_t version = static_cast<std::uint16_t>(random.Between(151, 999));
  const std::uint16_t beta = random.Chance(25) ? static_cast<std::uint16_t>(random.Between(1, 9)) : 0;
  // At the start of main flash the image covers the version word at 0x08000034.
  plan.mainAddress = random.Chance(30) ? kMainFlash : kMainAddress;
  plan.mainImage = RandomBytes(random.Between(1, 6000), random.Next());
  plan.versionWord = version | static_cast<std::uint32_t>(beta) << 16;
  plan.radio = random.Chance(40);
  plan.verify = random.Chance(50);
  if (plan.verify) plan.faults.push_back({"verify", "read back before the restart"});
  const std::uint32_t restart = random.Below(100);
  if (restart >= 40) {
    plan.addressed.leavesAfterRunMs = restart < 70 ? 0 : random.Between(1, 400);
    plan.faults.push_back({"leaves-on-run", "+" + std::to_string(*plan.addressed.leavesAfterRunMs) + "ms"});
  }

  PlannedSection main{version, beta, plan.mainAddress, kDeviceType, 0, plan.mainImage, std::nullopt};
  PlannedSection radio;
  if (plan.radio) {
    plan.radioImage = RandomBytes(random.Between(1, 3000), random.Next());
    plan.radioVersion = static_cast<std::uint16_t>(random.Between(0x0103, 0x01FF));
    std::vector<std::uint8_t> section = RandomBytes(kRadioInnerHeader, random.Next());
    section.insert(section.end(), plan.radioImage.begin(), plan.radioImage.end());
    // The radio's own layout puts its image at 0x10000, over the stamps; others start
    // just before them, or lie elsewhere in the radio's flash.
    const std::uint32_t layout = random.Below(100);
    std::uint32_t address = kRadioStampSection;
    if (layout >= 80) {
      address = 4 * random.Below((kRadioFlashSize - static_cast<std::uint32_t>(section.size())) / 4);
    } else if (layout >= 40) {
      address = kRadioStampSection + 8 - random.Between(1, 64);
    }
    plan.radioAddress = address | kRadioBit;
    plan.radioEraseLength = static_cast<std::uint32_t>(section.size());
    radio = {plan.radioVersion, 0, address, 0, 0, section, std::nullopt};
  }

  // Damaged packages: refused before anything is erased, whatever else goes wrong.
  std::optional<std::uint32_t> cutAt;
  if (random.Chance(8)) {
    plan.damaged = true;
    switch (random.Below(plan.radio ? 4 : 2)) {
      case 0:
        cutAt = 28 + random.Below(static_cast<std::uint32_t>(plan.mainImage.size()));
        plan.faults.push_back({"damaged-package", "main section cut at byte " + std::to_string(*cutAt)});
        break;
      case 1:
        main.type = static_cast<std::uint16_t>(kDeviceType + 1 + random.Below(50));
        plan.faults.push_back({"damaged-package", "no section for the controller"});
        break;
      case 2:
        radio.claimedLength = kRadioPackageSize + random.Between(1, 100000);
        plan.faults.push_back({"damaged-package", "radio section runs past the end"});
        break;
      case 3:
        radio.image.resize(random.Between(1, kRadioInnerHeader));
        plan.faults.push_back({"damaged-package", "radio section no longer than its own header"});
        break;
    }
  }

  AppendSection(plan.package, main);
  if (plan.radio) {
    AppendSection(plan.package, radio);
    // A package of 64 KiB or more carries a radio image; a section of another type
    // fills it up and must never reach the controller.
    if (plan.package.size() + 28 < kRadioPackageSize) {
      PlannedSection filler{100, 0, 0x08040000, 1, 0, {}, std::nullopt};
      filler.image.assign(kRadioPackageSize - plan.package.size(), 0xA5);
      AppendSection(plan.package, filler);
    }
  }
  if (cutAt) plan.package.resize(*cutAt);

  const std::uint32_t chunks = static_cast<std::uint32_t>((plan.mainImage.size() + kChunk - 1) / kChunk +
                                                          (plan.radioImage.size() + kChunk - 1) / kChunk);
  // Distinct kinds: a second fault of a kind would replace the first in the emulator.
  const std::uint32_t count = random.Between(1, 3);
  std::uint32_t used = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t kind = random.Below(12);
    if ((used & (1u << kind)) != 0) continue;
    used |= 1u << kind;
    AddFault(plan, random, chunks, kind);
  }
  return plan;
}

}  // namespace vantor::campaign
