#pragma once
// One campaign run, drawn from its seed: the package, what a success must leave in the
// emulated flash, and the faults the emulated controller acts out. Drawing is pure and
// cheap, so the parent draws a run again to describe a seed that a child reported.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"

namespace vantor::campaign {

enum class Protocol { kFramed, kAddressed };

// One fault as the summary counts it (`kind`) and as a failing seed's line shows it.
struct Fault {
  std::string kind;
  std::string detail;
};

struct RunPlan {
  Protocol protocol = Protocol::kAddressed;
  std::uint64_t seed = 0;
  std::vector<std::uint8_t> package;

  // What a successful run leaves in the controller.
  std::uint32_t mainAddress = 0;
  std::vector<std::uint8_t> mainImage;
  std::uint32_t versionWord = 0;
  bool radio = false;                 // addressed: a radio image follows
  std::uint32_t radioAddress = 0;     // where its bytes go (radio bit set)
  std::uint32_t radioEraseLength = 0; // the radio section's length (its own header included)
  std::vector<std::uint8_t> radioImage;
  std::uint16_t radioVersion = 0;

  // The package is damaged: it must be refused before anything is erased.
  bool damaged = false;
  // Addressed: the update reads everything back before the restart (--verify); the
  // run must set UpdateSession::verifyAfterWrite from it.
  bool verify = false;

  std::vector<Fault> faults;
  sim::AddressedEmulator::Settings addressed;
  sim::FramedEmulator::Settings framed;
};

RunPlan PlanRun(Protocol protocol, std::uint64_t seed);
RunPlan PlanAddressedRun(std::uint64_t seed);
RunPlan PlanFramedRun(std::uint64_t seed);

// "late(image-data#17,+320ms) lost-chunk(image-data#40)".
std::string DescribeFaults(const RunPlan& plan);
const char* ProtocolName(Protocol protocol);

}  // namespace vantor::campaign
