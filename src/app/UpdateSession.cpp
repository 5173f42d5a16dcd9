#include "app/UpdateSession.h"

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

std::string ProductTitle() { return LocalizedText(text::kProductTitle); }

}  // namespace vantor
