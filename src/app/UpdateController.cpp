#include "app/UpdateController.h"

#include <system_error>

#include "addressed/AddressedUpdate.h"
#include "app/DebugOutput.h"
#include "app/LocalizedText.h"
#include "framed/FramedUpdate.h"

namespace vantor {

UpdateController::UpdateController(UpdateSession& session) : session_(session) {}

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
  session_.framedPhase = 3;
  if (!session_.titleShowsVersion) session_.view.SetTitle(ProductTitle());
}

bool UpdateController::OnUpdateButton() {
  if (session_.workerActive()) return false;
  if (worker_.joinable()) worker_.join();  // an ended worker not yet released
  session_.view.ShowSuccessText(false);
  if (session_.hid.OpenDevice() == 0) return false;
  const bool addressed = session_.hid.isAddressedDevice == 1;
  session_.stopRequested = 0;
  session_.interruptRequested = false;
  session_.outcome = UpdateOutcome::kNone;
  session_.packageConfirmed = false;
  session_.SetUpdateButton(false);
  session_.view.SetProgressPos(0);
  session_.workerActive_ = true;
  try {
    worker_ = std::thread([this, addressed] { RunWorker(addressed); });
  } catch (const std::system_error&) {
    session_.workerActive_ = false;
    session_.stopRequested = 1;
    session_.SetUpdateButton(true);
    return false;
  }
  return true;
}

void UpdateController::RunWorker(bool addressed) {
  if (addressed) {
    addressed::AddressedUpdateThread(session_);
  } else {
    framed::Usb_UpdateThread(session_);
  }
  // Every procedure ends through RefreshUpdateButton; this only guards the invariant
  // that the button never stays locked behind an ended worker.
  if (session_.workerActive()) RefreshUpdateButton(session_);
  if (onWorkerExit) onWorkerExit();
}

void UpdateController::OnWorkerFinished() {
  if (worker_.joinable()) worker_.join();
  if (probePending_) {
    probePending_ = false;
    if (session_.hid.m_bDevicePresent == 1) Probe();
  }
}

void UpdateController::OnDeviceChange(std::uint32_t eventType) {
  switch (eventType & 0xFFFF) {
    case kDbtDevNodesChanged:
      if (session_.hid.DetectDevice() == 1) {
        session_.SetUpdateButton(true);
      } else {
        session_.SetUpdateButton(false);
        session_.view.SetTitle(ProductTitle());
      }
      break;
    case kDbtDeviceArrival:
      if (session_.hid.DetectDevice() == 1) {
        session_.SetUpdateButton(true);
        // The running update owns the channel; probe once it has ended.
        if (session_.workerActive() || worker_.joinable()) {
          probePending_ = true;
        } else {
          Probe();
        }
      }
      break;
    case kDbtDeviceRemoveComplete:
      if (session_.hid.DetectDevice() == 0) {
        session_.SetUpdateButton(false);
        DebugLine(ProductTitle());
        session_.view.SetTitle(ProductTitle());
      }
      break;
    default:
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

void UpdateController::Probe() { framed::ProbeDevice(session_); }

}  // namespace vantor
