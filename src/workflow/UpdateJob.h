#pragma once
// One controller's update from start to result: its session, its UpdateController and
// worker, on an environment's backend and clock, shown through the front end's view.
// Every front end and tool runs an update through it: the command line's commands,
// the bench and watch, the benchmark, the fault campaign, the desktop apps.
//
// Threads: Probe, Begin, Wait, Run and the readers are called on one thread (the
// front end's); RequestStop from any (with WorkerPlace::kCallingThread: from a handler
// that the update's waits let run). The view is called from the worker as
// UpdateView says. The job must outlive its view's use: destroying it stops a running
// worker at its next safe point and waits for it.

#include <optional>
#include <string>

#include "session/UpdateSession.h"
#include "update/UpdateController.h"
#include "workflow/ControllerReport.h"

namespace vantor::workflow {

class Environment;

struct JobSettings {
  // Read every written region back before the controller is restarted (addressed).
  bool verifyAfterWrite = false;
  // Only read the package's image back: nothing is erased, written or restarted.
  bool verifyOnly = false;
  // The probe reads the radio's version whatever the last package was.
  bool readRadioVersion = true;
  // Where the update runs: on a worker thread, or inside Begin (the browser page,
  // which has no threads; Wait then only releases the ended update).
  WorkerPlace worker = WorkerPlace::kOwnThread;
  // The probe also learns which firmware answers (ControllerReport::mode); a framed
  // controller is asked for its device information for that.
  bool readMode = false;
};

class UpdateJob {
 public:
  // `path`: the controller's (empty: whichever detection takes first).
  UpdateJob(Environment& environment, const std::string& path, UpdateView& view, JobSettings settings = {});
  // The same on a backend and clock of the caller's (the benchmark, the fault campaign).
  UpdateJob(hid::HidBackend& backend, Clock& clock, const std::string& path, UpdateView& view,
            JobSettings settings = {});
  UpdateJob(const UpdateJob&) = delete;
  UpdateJob& operator=(const UpdateJob&) = delete;

  // The dialog's start: detection, open and the version probe, on this thread.
  const ControllerReport& Probe();
  const ControllerReport& report() const { return report_; }
  // The click: the update starts on its worker. False when the controller could not
  // be opened (report().openError then says why) or an update runs already.
  bool Begin();
  // Until the worker has ended and is released; bounded by the update's own waits.
  void Wait();
  // Begin, then Wait. False when it could not begin.
  bool Run();
  bool running() const { return session_.workerActive(); }
  // Stops the update at its next safe point; safe from any thread.
  void RequestStop() { controller_.RequestStop(); }

  UpdateResult result() const { return session_.result(); }
  std::optional<PackageOffer> offer() const { return session_.offer(); }
  UpdateSession& session() { return session_; }

 private:
  UpdateSession session_;
  ControllerReport report_;
  UpdateController controller_;  // last: its end stops and joins the worker first
};

}  // namespace vantor::workflow
