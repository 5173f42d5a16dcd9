#include "workflow/UpdateJob.h"

#include "workflow/Environment.h"

namespace vantor::workflow {

UpdateJob::UpdateJob(Environment& environment, const std::string& path, UpdateView& view, JobSettings settings)
    : UpdateJob(environment.backend(), environment.clock(), path, view, settings) {}

UpdateJob::UpdateJob(hid::HidBackend& backend, Clock& clock, const std::string& path, UpdateView& view,
                     JobSettings settings)
    : session_(backend, view, clock), controller_(session_, settings.worker) {
  session_.hid.RestrictToPath(path);
  session_.verifyAfterWrite = settings.verifyAfterWrite;
  session_.verifyOnly = settings.verifyOnly;
  session_.probeReadsRadioVersion = settings.readRadioVersion;
  session_.probeReadsMode = settings.readMode;
}

const ControllerReport& UpdateJob::Probe() {
  controller_.Start(nullptr);
  report_ = ReadReport(session_);
  return report_;
}

bool UpdateJob::Begin() {
  if (controller_.OnUpdateButton()) return true;
  report_.openError = session_.hid.LastOpenError();
  return false;
}

void UpdateJob::Wait() {
  if (!controller_.HasWorker()) return;
  controller_.WaitForWorker();
  controller_.OnWorkerFinished();
}

bool UpdateJob::Run() {
  if (!Begin()) return false;
  Wait();
  return true;
}

}  // namespace vantor::workflow
