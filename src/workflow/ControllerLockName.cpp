#include "base/Format.h"
#include "package/Sha256.h"
#include "workflow/AttachedControllers.h"
#include "workflow/ControllerLock.h"

namespace vantor::workflow {

std::string LockFileName(const hid::FoundController& controller) {
  const std::string key = UnitKey(controller);
  package::Sha256 digest;
  digest.Update(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
  return Format("vantor-update-%04x-%04x-", controller.vendorId, controller.productId) + digest.HexDigest().substr(0, 24) +
         ".lock";
}

}  // namespace vantor::workflow
