#include "sim/SimHidBackend.h"

#include <deque>

namespace vantor::sim {
namespace {

class Registration final : public hid::NotificationRegistration {};

// One open pair of handles on an emulated device, with its own input queue, as a
// real device's input reports are delivered to each open handle.
class SimChannel final : public hid::HidChannel, private ReportSink {
 public:
  SimChannel(Clock& clock, std::shared_ptr<SimDevice> device) : clock_(clock), device_(std::move(device)) {}

  bool Write(const hid::Report& report) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!device_->Present() || device_->RefusesWrite(report)) return false;
    device_->OnOutputReport(report, *this);
    return true;
  }

  std::uint32_t Read(hid::Report& report, std::uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!device_->Present()) {
      lock.unlock();
      // A vanished device refuses the request at once; keep callers from spinning.
      clock_.Pause(1);
      return hid::kReadFailed;
    }
    const std::uint64_t now = clock_.NowMs();
    if (!queue_.empty() && queue_.front().readyAt <= now + timeoutMs) {
      const Pending next = queue_.front();
      queue_.pop_front();
      lock.unlock();
      if (next.readyAt > now) clock_.Pause(static_cast<std::uint32_t>(next.readyAt - now));
      report = next.report;
      return hid::kReadOk;
    }
    lock.unlock();
    clock_.Pause(timeoutMs);
    return hid::kReadTimeout;
  }

 private:
  struct Pending {
    hid::Report report;
    std::uint64_t readyAt;
  };

  // Called by the device from inside Write, with mutex_ held.
  void Emit(const hid::Report& report, std::uint32_t delayMs) override {
    std::uint64_t readyAt = clock_.NowMs() + delayMs;
    if (!queue_.empty() && queue_.back().readyAt > readyAt) readyAt = queue_.back().readyAt;
    queue_.push_back({report, readyAt});
  }

  Clock& clock_;
  std::shared_ptr<SimDevice> device_;
  std::mutex mutex_;
  std::deque<Pending> queue_;
};

}  // namespace

void SimHidBackend::AddDevice(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                              std::shared_ptr<SimDevice> device) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back({std::move(path), vendorId, productId, std::move(device), {}, {}});
}

void SimHidBackend::AddDevice(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                              std::shared_ptr<SimDevice> device, hid::HidInterface identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back({std::move(path), vendorId, productId, std::move(device), std::move(identity.serialNumber),
                      std::move(identity.location)});
}

void SimHidBackend::RemoveDevice(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto entry = entries_.begin(); entry != entries_.end();) {
    entry = entry->path == path ? entries_.erase(entry) : entry + 1;
  }
}

void SimHidBackend::AddDeviceFirst(std::string path, std::uint16_t vendorId, std::uint16_t productId,
                                   std::shared_ptr<SimDevice> device) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.insert(entries_.begin(), Entry{std::move(path), vendorId, productId, std::move(device), {}, {}});
}

void SimHidBackend::AddUnreadableInterface(std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back({std::move(path), std::nullopt, std::nullopt, nullptr, {}, {}});
}

void SimHidBackend::RemoveAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
}

void SimHidBackend::FailOpensWith(hid::OpenError error) {
  std::lock_guard<std::mutex> lock(mutex_);
  forcedOpenError_ = error;
}

std::vector<hid::HidInterface> SimHidBackend::Enumerate() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<hid::HidInterface> interfaces;
  for (const Entry& entry : entries_) {
    if (entry.device && !entry.device->Present()) continue;
    hid::HidInterface found;
    found.path = entry.path;
    found.vendorId = entry.vendorId;
    found.productId = entry.productId;
    found.serialNumber = entry.serialNumber;
    found.location = entry.location;
    interfaces.push_back(std::move(found));
  }
  return interfaces;
}

std::unique_ptr<hid::HidChannel> SimHidBackend::Open(const std::string& path, hid::OpenError* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++opens_;
  hid::OpenError failure = forcedOpenError_;
  if (failure == hid::OpenError::kNone) {
    for (const Entry& entry : entries_) {
      if (entry.path == path && entry.device && entry.device->Present()) {
        return std::make_unique<SimChannel>(clock_, entry.device);
      }
    }
    failure = hid::OpenError::kNotFound;
  }
  if (error != nullptr) *error = failure;
  return nullptr;
}

std::unique_ptr<hid::NotificationRegistration> SimHidBackend::RegisterNotifications(void* /*window*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++registrations_;
  return std::make_unique<Registration>();
}

int SimHidBackend::registrations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return registrations_;
}

int SimHidBackend::opens() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_;
}

}  // namespace vantor::sim
