// Framed runs: one image, streamed as the controller asks for it, and one to three
// faults aimed at the steps of that conversation.
//
// The finish command is never aimed at by a lost report or an unplug: the protocol has
// no answer to it, so no host can tell that it was lost, and a run that ends there says
// nothing about the updater. A write that fails at the host's side is still aimed at
// every report, the finish included: that the host does see. Likewise a controller that
// falls silent at its last chunk: after a data request that came twice the host is one
// chunk ahead and answers the spare request with the finish, and a controller that then
// says nothing looks just like one that took it.
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

// A step of the update: mostly a data message.
FramedEmulator::StepAt DrawStep(Random& random, std::uint32_t chunks, bool finishToo) {
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
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
      faults.lateReplyAt = at;
      faults.lateMs = random.Chance(80) ? random.Between(20, 2000) : random.Between(2000, 15000);
      plan.faults.push_back({"late-reply", At(at) + ",+" + std::to_string(faults.lateMs) + "ms"});
      break;
    }
    case 1: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
      faults.staleReplyBefore = at;
      plan.faults.push_back({"stale-reply", At(at)});
      break;
    }
    case 2: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
      faults.duplicateReplyAt = at;
      plan.faults.push_back({"duplicated-reply", At(at)});
      break;
    }
    case 3: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
      faults.reorderReplyAt = at;
      plan.faults.push_back({"reordered-reply", At(at)});
      break;
    }
    case 4: {
      const FramedEmulator::StepAt at{Step::kChunk, random.Between(1, chunks)};
      faults.loseHostReportAt = at;
      plan.faults.push_back({"lost-chunk", At(at)});
      break;
    }
    case 5: {
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
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
      const FramedEmulator::StepAt at = DrawStep(random, chunks, false);
      if (random.Chance(50)) {
        faults.removeAt = at;
        plan.faults.push_back({"unplug", At(at)});
      } else {
        FramedEmulator::StepAt from = at;
        if (from.step == Step::kChunk && from.chunk == chunks && chunks > 1) from.chunk = chunks - 1;
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
