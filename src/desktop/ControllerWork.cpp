#include "desktop/ControllerWork.h"

#include "session/UpdateSession.h"

namespace vantor::desktop {

ControllerWork::ControllerWork(workflow::Environment& environment, UpdateView& view, workflow::JobSettings settings)
    : environment_(environment), view_(view), settings_(settings) {}

ControllerWork::~ControllerWork() { Release(); }

workflow::ControllerReport ControllerWork::Probe(const std::string& path) {
  auto job = std::make_unique<workflow::UpdateJob>(environment_, path, view_, settings_);
  workflow::UpdateJob* const probing = job.get();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    job_ = std::move(job);
  }
  return probing->Probe();
}

UpdateEnd ControllerWork::Update() {
  UpdateEnd end;
  workflow::UpdateJob* const job = job_.get();
  if (job == nullptr) return end;
  const std::optional<hid::FoundController> detected = job->session().hid.Detected();
  std::unique_ptr<workflow::ControllerLock> held;
  if (detected && environment_.locksControllers()) {
    workflow::ControllerLock::Taken taken = workflow::ControllerLock::Acquire(*detected);
    if (taken.problem != workflow::LockProblem::kNone) {
      end.lockProblem = taken.problem;
      return end;
    }
    held = std::move(taken.lock);
  }
  end.began = job->Begin();
  if (!end.began) {
    end.openError = job->report().openError;
    return end;
  }
  job->Wait();
  end.result = job->result();
  return end;
}

BenchEnd ControllerWork::UpdateAll(const std::string& packagePath, const std::vector<hid::FoundController>& controllers,
                                   const std::string& question, workflow::UnitListener* listener) {
  BenchEnd end;
  auto cancel = std::make_shared<workflow::CancelToken>();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    // The single controller's job would hold its channel open beside the bench's.
    job_.reset();
    benchCancel_ = cancel;
  }
  workflow::Bench bench(environment_, packagePath, settings_, listener);
  bench.Prepare(controllers);
  end.ready = bench.ready();
  if (end.ready && !cancel->cancelled()) {
    end.confirmed = view_.ShowMessage(question, ProductTitle(), MessageButtons::kOkCancel) == kIdOk;
    if (end.confirmed) bench.Run(*cancel);
  }
  for (const workflow::BenchUnit& unit : bench.units()) {
    end.verdicts.push_back(unit.verdict());
  }
  end.tally = bench.tally();
  const std::lock_guard<std::mutex> lock(mutex_);
  benchCancel_.reset();
  return end;
}

void ControllerWork::Release() {
  std::unique_ptr<workflow::UpdateJob> job;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    job = std::move(job_);
  }
}

void ControllerWork::RequestStop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (job_) job_->RequestStop();
  if (benchCancel_) benchCancel_->Cancel();
}

}  // namespace vantor::desktop
