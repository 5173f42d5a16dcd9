#include "framed/FramedEndings.h"

namespace vantor::framed {

void StopUpdate(UpdateSession& session) {
  session.state.packageFile.Close();
  session.state.transferPhase = TransferPhase::kSelected;
  session.view.KillTransferTimer();
  session.stopRequested = 1;
}

void FailUpdate(UpdateSession& session, FailureReason reason, std::uint32_t code) {
  StopUpdate(session);
  ReportUpdateFailure(session, reason, code);
  // While the worker runs the gate keeps the button off; its presence check follows.
  if (session.hid.m_bDevicePresent == 1) session.SetUpdateButton(true);
}

}  // namespace vantor::framed
