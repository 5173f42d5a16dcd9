#include "session/UpdateView.h"

#include "session/UpdateSession.h"

namespace vantor {

int UpdateView::ConfirmOffer(const PackageOffer& /*offer*/, const std::string& seedQuestion) {
  return ShowMessage(seedQuestion, ProductTitle(), MessageButtons::kOkCancel);
}

}  // namespace vantor
