#pragma once
// The dialog's behaviour without the window: start-up, the update button, device
// changes, and the one worker thread. The Win32 dialog and the command line drive it;
// all its operations run on the front end's UI thread except where noted.
//
// Where no thread can be started (the browser page: WebAssembly without
// cross-origin isolation), the worker runs on the calling thread instead: the click
// returns once the update has ended, and the update's waits (the clock's pauses, the
// reads with a time-out) are where the front end's event loop gets its turn. Every
// other rule stays: the worker counts as held until OnWorkerFinished, a device change
// arriving meanwhile (from a handler the waits let run) only updates presence, and its
// probe is held until then.

#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "session/UpdateSession.h"

namespace vantor {

// Device-change events acted on.
inline constexpr std::uint32_t kDbtDevNodesChanged = 0x0007;
inline constexpr std::uint32_t kDbtDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDbtDeviceRemoveComplete = 0x8004;

// Where the worker of an update runs.
enum class WorkerPlace {
  kOwnThread,     // a thread of its own; the click returns at once
  kCallingThread  // inside the click, which returns when the update has ended
};

class UpdateController {
 public:
  explicit UpdateController(UpdateSession& session, WorkerPlace place = WorkerPlace::kOwnThread);
  // Stops a running worker at its next safe point and waits for it.
  ~UpdateController();
  UpdateController(const UpdateController&) = delete;
  UpdateController& operator=(const UpdateController&) = delete;

  // The dialog's start: clears the record, detects (registering `notifyWindow` for
  // device changes), probes a controller that is found, and sets the title.
  void Start(void* notifyWindow);
  // A click: takes the detected controller as the update's own (path, protocol, type
  // and variant), opens it and starts the worker of its protocol. Does nothing while a
  // worker runs. True when a worker was started.
  bool OnUpdateButton();
  // WM_DEVICECHANGE. While a worker runs only presence is updated, and a probe due is
  // held until the worker has been released.
  void OnDeviceChange(std::uint32_t eventType);
  // Call on the UI thread once onWorkerExit has fired: releases the worker thread and
  // runs a probe that was held back while it ran.
  void OnWorkerFinished();

  bool IsUpdating() const { return session_.workerActive(); }
  // A worker exists that OnWorkerFinished has not released yet (UI thread).
  bool HasWorker() const { return worker_.joinable() || heldOnCallingThread_; }
  // Asks the running worker to stop at its next safe point (a report is never left
  // half-sent). Safe from any thread, also from a signal-handling thread.
  void RequestStop();
  // Blocks until the worker thread has ended. Only for front ends whose UI thread
  // need not serve the worker meanwhile (the command line, tests). A worker on the
  // calling thread has ended by the time anyone can call this.
  void WaitForWorker();

  // Called on the worker thread as its very last act; front ends hook it to learn that
  // OnWorkerFinished is due (the Win32 dialog posts itself a message).
  std::function<void()> onWorkerExit;

 private:
  void Probe();
  void RunWorker();

  UpdateSession& session_;
  const WorkerPlace place_;
  std::thread worker_;
  // A worker ran inside the click and has not been released yet.
  bool heldOnCallingThread_ = false;
  bool probePending_ = false;
};

}  // namespace vantor
