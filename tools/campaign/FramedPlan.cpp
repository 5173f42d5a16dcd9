// Framed runs: one image, streamed as the controller asks for it, a controller that
// restarts after the finish at once, later (sometimes later than the updater waits) or
// not at all, and one to three faults aimed at the steps of that conversation, the
// finish included.
//
// An unplug is never aimed at the finish: a controller pulled out just as it gets the
// finish leaves the bus as one that takes it and restarts, and no host can tell the two
// apart (the updater takes it for the restart).
#include "PackageBytes.h"
#include "Random.h"
#include "RunPlan.h"

namespace vantor::campaign {
namespace {

using sim::FramedEmulator;
using Step = FramedEmulator::Step;

constexpr std::uint32_t kAddress = 0x08004000;
constexpr std::uint32_t kChunk = 32;

std::string At(const FramedEmulator::StepAt& at) {
  switch (at.step) {
    case Step::kStart:
      return "start";
    case Step::kVersionQuery:
      return "version-query";
    case Step::kHeader:
      return "header";
    case Step::kChunk:
      return "chunk#" + std::to_string(at.chunk);
    case Step::kFinish:
      return "finish";
  }
  return "step";
}

// A step of the update: mostly a data message, one-chunk images included.
FramedEmulator::StepAt DrawStep(Random& random, std::uint32_t chunks, bool finishToo = true) {
  const std::uint32_t pick = random.Below(100);
  if (pick < 80) return {Step::kChunk, random.Between(1, chunks)};
  if (pick < 88) return {Step::kHeader, 1};
  if (pick < 94 || !finishToo) return {Step::kStart, 1};
  return {Step::kFinish, 1};
}

void AddFault(RunPlan& plan, Random& random, std::uint32_t chunks, std::uint32_t kind) {
  FramedEmulator::Faults& faults = plan.framed.faults;
  switch (kind) {
    case 0: {
      // At the finish the late answer is a refusal, late past the one second the updater
      // once waited and sometimes past the bound it waits now.
      const FramedEmulator::StepAt at = DrawStep(random, chunks);
      faults.lateReplyAt = at;
      faults.lateMs = random.Chance(80) ? random.Between(20, 2000) : random.Between(2000, 15000);
      plan.faults.push_back({"late-reply", At(at) + ",+" + std::to_string(faults.lateMs) + "ms"});
      break;
    }
    case 1: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks);
      faults.staleReplyBefore = at;
      plan.faults.push_back({"stale-reply", At(at)});
      break;
    }
    case 2: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks);
      faults.duplicateReplyAt = at;
      plan.faults.push_back({"duplicated-reply", At(at)});
      break;
    }
    case 3: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks);
      faults.reorderReplyAt = at;
      plan.faults.push_back({"reordered-reply", At(at)});
      break;
    }
    case 4: {
      const FramedEmulator::StepAt at =
          random.Chance(90) ? FramedEmulator::StepAt{Step::kChunk, random.Between(1, chunks)}
                            : FramedEmulator::StepAt{Step::kFinish, 1};
      faults.loseHostReportAt = at;
      plan.faults.push_back({"lost-chunk", At(at)});
      break;
    }
    case 5: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks);
      faults.loseReplyAt = at;
      plan.faults.push_back({"lost-reply", At(at)});
      break;
    }
    case 6:
      plan.framed.eraseBusyMs = random.Between(100, 15000);
      plan.faults.push_back({"busy-erase", std::to_string(plan.framed.eraseBusyMs) + "ms"});
      break;
    case 7:
      faults.failAtChunk = random.Between(1, chunks);
      faults.failureCommand = random.Chance(50) ? 21 : 24;
      plan.faults.push_back({"refused-write", "chunk#" + std::to_string(*faults.failAtChunk) + ",command " +
                                                   std::to_string(faults.failureCommand)});
      break;
    case 8: {
      if (random.Chance(50)) {
        const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
        faults.removeAt = at;
        plan.faults.push_back({"unplug", At(at)});
      } else {
        const FramedEmulator::StepAt from = DrawStep(random, chunks);
        faults.silentFrom = from;
        plan.faults.push_back({"silent", "from " + At(from)});
      }
      break;
    }
    case 9: {
      // A data frame goes out in two reports; the start and the answers to the
      // controller's requests in one each.
      faults.refuseWriteAt = random.Between(1, 2 * chunks + 6);
      plan.faults.push_back({"failed-write", "report#" + std::to_string(*faults.refuseWriteAt)});
      break;
    }
    case 10:
      plan.framed.replyDelayMs = random.Between(1, 60);
      plan.faults.push_back({"slow-replies", std::to_string(plan.framed.replyDelayMs) + "ms"});
      break;
  }
}

}  // namespace

RunPlan PlanFramedRun(std::uint64_t seed) {
  Random random(seed);
  RunPlan plan;
  plan.protocol = Protocol::kFramed;
  plan.seed = seed;
  plan.framed.versionWord = 156;
  const std::uint32_t restart = random.Below(100);
  if (restart < 10) {
    plan.framed.leavesAfterFinishMs.reset();
    plan.faults.push_back({"no-restart", "stays in boot mode after the finish"});
  } else if (restart >= 50) {
    plan.framed.leavesAfterFinishMs = random.Between(1, 4000);
    plan.faults.push_back({"late-restart", "+" + std::to_string(*plan.framed.leavesAfterFinishMs) + "ms"});
  }

  const std::uint16_t version = static_cast<std::uint16_t>(random.Between(157, 999));
  const std::uint16_t beta = random.Chance(25) ? static_cast<std::uint16_t>(random.Between(1, 9)) : 0;
  plan.mainAddress = kAddress;
  plan.mainImage = RandomBytes(random.Between(1, 8000), random.Next());
  plan.versionWord = version | static_cast<std::uint32_t>(beta) << 16;
  PlannedSection main{version, beta, kAddress, 0, 0, plan.mainImage, std::nullopt};

  std::optional<std::uint32_t> cutAt;
  if (random.Chance(8)) {
    plan.damaged = true;
    if (random.Chance(50)) {
      cutAt = 28 + random.Below(static_cast<std::uint32_t>(plan.mainImage.size()));
      plan.faults.push_back({"damaged-package", "section cut at byte " + std::to_string(*cutAt)});
    } else {
      main.type = static_cast<std::uint16_t>(random.Between(1, 9000));
      plan.faults.push_back({"damaged-package", "no section for the controller"});
    }
  }
  AppendSection(plan.package, main);
  if (cutAt) plan.package.resize(*cutAt);

  const std::uint32_t chunks = static_cast<std::uint32_t>((plan.mainImage.size() + kChunk - 1) / kChunk);
  // Distinct kinds: a second fault of a kind would replace the first in the emulator.
  const std::uint32_t count = random.Between(1, 3);
  std::uint32_t used = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t kind = random.Below(11);
    if ((used & (1u << kind)) != 0) continue;
    used |= 1u << kind;
    AddFault(plan, random, chunks, kind);
  }
  return plan;
}

}  // namespace vantor::campaign
