#include "RunOnce.h"

#include <fstream>
#include <memory>

#include "CampaignClock.h"
#include "sim/SimHidBackend.h"
#include "workflow/UnattendedView.h"
#include "workflow/UpdateJob.h"

namespace vantor::campaign {
namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

RunRecord RunOnce(const RunPlan& plan, const std::string& packagePath, std::uint64_t boundMs,
                  const std::function<void()>& onOverrun) {
  RunRecord record;
  if (!WriteFile(packagePath, plan.package)) {
    record.verdict.kept = false;
    record.verdict.broken = "could not write the package to " + packagePath;
    return record;
  }
  CampaignClock clock(boundMs, onOverrun);
  sim::SimHidBackend backend(clock);
  std::shared_ptr<sim::AddressedEmulator> addressed;
  std::shared_ptr<sim::FramedEmulator> framed;
  if (plan.protocol == Protocol::kAddressed) {
    addressed = sim::AddressedEmulator::Attach(backend, clock, plan.addressed);
  } else {
    framed = sim::FramedEmulator::Attach(backend, plan.framed);
  }
  workflow::UnattendedView view(packagePath);
  UpdateResult result;
  {
    workflow::JobSettings settings;
    settings.verifyAfterWrite = plan.verify;
    workflow::UpdateJob job(backend, clock, "", view, settings);
    job.Probe();
    job.Run();
    result = job.result();
  }
  record.outcome = result.outcome;
  record.virtualMs = clock.NowMs();
  record.verdict = addressed ? JudgeAddressed(plan, result, *addressed) : JudgeFramed(plan, result, *framed);
  return record;
}

}  // namespace vantor::campaign
