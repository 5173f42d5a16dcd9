#include "win32/SimulatedDeviceEvents.h"

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace vantor::win32 {
namespace {

// About as soon as Windows tells of a USB device once it has enumerated it.
constexpr std::chrono::milliseconds kPollInterval{100};
constexpr UINT kDeliveryBoundMs = 30000;

std::set<std::string> ListedPaths(hid::HidBackend& backend) {
  std::set<std::string> paths;
  for (const hid::HidInterface& listed : backend.Enumerate()) paths.insert(listed.path);
  return paths;
}

class Watcher final : public hid::NotificationRegistration {
 public:
  Watcher(hid::HidBackend& backend, HWND window) : backend_(backend), window_(window), known_(ListedPaths(backend)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Watcher() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, kPollInterval, [this] { return stop_; })) {
      lock.unlock();
      Poll();
      lock.lock();
    }
  }

  void Poll() {
    const std::set<std::string> now = ListedPaths(backend_);
    const bool arrived = std::any_of(now.begin(), now.end(), [this](const std::string& p) { return !known_.count(p); });
    const bool left = std::any_of(known_.begin(), known_.end(), [&now](const std::string& p) { return !now.count(p); });
    known_ = now;
    if (left) Tell(DBT_DEVICEREMOVECOMPLETE);
    if (arrived) Tell(DBT_DEVICEARRIVAL);
  }

  // Sent, as Windows sends them: these events count as carrying a pointer, and the
  // system refuses to post them. The dialog's thread keeps pumping messages (also in
  // its boxes), and a window that has gone answers at once; the bound only keeps a
  // stuck dialog from holding the watcher for good.
  void Tell(WPARAM event) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window_, WM_DEVICECHANGE, event, 0, SMTO_ABORTIFHUNG, kDeliveryBoundMs, &ignored);
  }

  hid::HidBackend& backend_;
  HWND window_;
  std::set<std::string> known_;  // watcher thread only, after construction
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<hid::NotificationRegistration> SimulatedDeviceEvents::RegisterNotifications(void* window) {
  if (window == nullptr) return nullptr;
  return std::make_unique<Watcher>(inner_, static_cast<HWND>(window));
}

}  // namespace vantor::win32
