#include "session/UpdateSession.h"

#include "base/Format.h"
#include "base/LocalizedText.h"

namespace vantor {

void UpdateSession::EnterStage(UpdateStage stage) {
  stage_ = stage;
  view.OnStage(stage);
}

void UpdateSession::ReportProgress(std::uint64_t stageSent, std::uint64_t stageTotal, std::uint64_t sent,
                                   std::uint64_t total) {
  view.ReportBytes(ByteProgress{stage_.load(), stageSent, stageTotal, sent, total});
}

void UpdateSession::Conclude(UpdateOutcome how, FailureReason reason, std::uint32_t code,
                             package::PackageProblem problem) {
  {
    std::lock_guard<std::mutex> lock(resultMutex_);
    result_ = UpdateResult{how, reason, stage_.load(), code, problem};
  }
  outcome = how;
}

UpdateResult UpdateSession::result() const {
  std::lock_guard<std::mutex> lock(resultMutex_);
  return result_;
}

void UpdateSession::RecordOffer(const PackageOffer& made) {
  std::lock_guard<std::mutex> lock(resultMutex_);
  offer_ = made;
}

std::optional<PackageOffer> UpdateSession::offer() const {
  std::lock_guard<std::mutex> lock(resultMutex_);
  return offer_;
}

void UpdateSession::BeginUpdate(UpdateTarget updateTarget) {
  target = std::move(updateTarget);
  stopRequested = 0;
  interruptRequested = false;
  packageConfirmed = false;
  stage_ = UpdateStage::kIdle;
  {
    std::lock_guard<std::mutex> lock(resultMutex_);
    result_ = UpdateResult{};
    offer_.reset();
  }
  outcome = UpdateOutcome::kNone;
}

void UpdateSession::SetUpdateButton(bool enabled) {
  if (enabled && workerActive_.load()) return;
  view.EnableUpdateButton(enabled);
}

void RefreshUpdateButton(UpdateSession& session) {
  session.workerActive_.store(false);
  session.SetUpdateButton(session.hid.DetectDevice() == 1);
}

void ReportUpdateSuccess(UpdateSession& session) {
  session.stopRequested = 1;
  session.Conclude(UpdateOutcome::kSucceeded);
  session.view.ShowMessage(Format("\n %s \n", LocalizedText(text::kSuccess).c_str()), ProductTitle(),
                           MessageButtons::kOk);
  session.view.ShowSuccessText(true);
  session.view.SetProgressPos(0);
}

void ReportUpdateFailure(UpdateSession& session, FailureReason reason, std::uint32_t code) {
  session.Conclude(UpdateOutcome::kFailed, reason, code);
  session.view.ShowFailure(session.result(), Format("%s\n", LocalizedText(text::kFailure).c_str()), ProductTitle());
}

std::string ProductTitle() { return LocalizedText(text::kProductTitle); }

}  // namespace vantor
