#include "update/UpdateController.h"

#include <system_error>

#include "addressed/AddressedUpdate.h"
#include "base/DebugOutput.h"
#include "base/LocalizedText.h"
#include "update/ProtocolDriver.h"

namespace vantor {

UpdateController::UpdateController(UpdateSession& session, WorkerPlace place) : session_(session), place_(place) {}

UpdateController::~UpdateController() {
  if (worker_.joinable()) {
    RequestStop();
    worker_.join();
  }
}

void UpdateController::Start(void* notifyWindow) {
  session_.view.ShowSuccessText(false);
  session_.view.SetProgressPos(0);
  session_.state.ClearImages();
  session_.stopRequested = 1;
  session_.hid.m_hNotifyWnd = notifyWindow;
  session_.deviceVersion = kVersionNotReported;
  if (session_.hid.DetectDevice() == 1) {
    session_.SetUpdateButton(true);
    Probe();
  } else {
    session_.SetUpdateButton(false);
  }
  session_.framedPhase = FramedPhase::kFinish;
  if (!session_.titleShowsVersion) session_.view.SetTitle(ProductTitle());
}

bool UpdateController::OnUpdateButton() {
  if (session_.workerActive()) return false;
  if (worker_.joinable()) worker_.join();  // an ended worker not yet released
  heldOnCallingThread_ = false;
  session_.view.ShowSuccessText(false);
  // The update takes the detected controller as it is now; from here on it is the
  // update's own, whatever detection finds later.
  const std::optional<hid::FoundController> detected = session_.hid.Detected();
  if (!detected || session_.hid.OpenDevice(detected->path) == 0) return false;
  UpdateTarget target{detected->path, detected->protocol, session_.state.deviceType(), session_.state.deviceVariant()};
  session_.BeginUpdate(std::move(target));
  session_.SetUpdateButton(false);
  session_.view.SetProgressPos(0);
  session_.workerActive_ = true;
  if (place_ == WorkerPlace::kCallingThread) {
    heldOnCallingThread_ = true;
    RunWorker();
    return true;
  }
  try {
    worker_ = std::thread([this] { RunWorker(); });
  } catch (const std::system_error&) {
    session_.workerActive_ = false;
    session_.stopRequested = 1;
    session_.SetUpdateButton(true);
    return false;
  }
  return true;
}

void UpdateController::RunWorker() {
  DriverFor(session_.target.protocol).update(session_);
  // Every procedure ends through RefreshUpdateButton; this only guards the invariant
  // that the button never stays locked behind an ended worker.
  if (session_.workerActive()) RefreshUpdateButton(session_);
  session_.view.OnConcluded(session_.result());
  if (onWorkerExit) onWorkerExit();
}

void UpdateController::OnWorkerFinished() {
  if (worker_.joinable()) worker_.join();
  heldOnCallingThread_ = false;
  if (probePending_) {
    probePending_ = false;
    if (session_.hid.m_bDevicePresent == 1) Probe();
  }
}

void UpdateController::OnDeviceChange(std::uint32_t eventType) {
  const std::uint32_t event = eventType & 0xFFFF;
  if (event != kDbtDevNodesChanged && event != kDbtDeviceArrival && event != kDbtDeviceRemoveComplete) return;
  // While an update runs (or has not been released yet) detection tells presence only:
  // the update's controller stays its own, and a probe waits until it has ended.
  const bool updating = HasWorker();
  const bool present = (updating ? session_.hid.DetectPresence() : session_.hid.DetectDevice()) == 1;
  switch (event) {
    case kDbtDevNodesChanged:
      session_.SetUpdateButton(present);
      if (!present) session_.view.SetTitle(ProductTitle());
      break;
    case kDbtDeviceArrival:
      if (!present) break;
      session_.SetUpdateButton(true);
      if (updating) {
        probePending_ = true;
      } else {
        Probe();
      }
      break;
    case kDbtDeviceRemoveComplete:
      if (present) break;
      session_.SetUpdateButton(false);
      DebugLine(ProductTitle());
      session_.view.SetTitle(ProductTitle());
      break;
  }
}

void UpdateController::RequestStop() {
  session_.interruptRequested = true;
  session_.stopRequested = 1;
}

void UpdateController::WaitForWorker() {
  if (worker_.joinable()) worker_.join();
}

void UpdateController::Probe() { ProbeDevice(session_); }

}  // namespace vantor
