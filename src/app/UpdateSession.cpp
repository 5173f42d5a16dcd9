#include "app/UpdateSession.h"

#include "app/Format.h"
#include "app/LocalizedText.h"

namespace vantor {

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
  session.outcome = UpdateOutcome::kSucceeded;
  session.view.ShowMessage(Format("\n %s \n", LocalizedText(text::kSuccess).c_str()), ProductTitle(),
                           MessageButtons::kOk);
  session.view.ShowSuccessText(true);
  session.view.SetProgressPos(0);
}

void ReportUpdateFailure(UpdateSession& session) {
  session.outcome = UpdateOutcome::kFailed;
  session.view.ShowMessage(Format("%s\n", LocalizedText(text::kFailure).c_str()), ProductTitle(),
                           MessageButtons::kOk);
}

std::string ProductTitle() { return LocalizedText(text::kProductTitle); }

}  // namespace vantor
