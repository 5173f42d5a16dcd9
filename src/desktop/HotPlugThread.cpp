#include "desktop/HotPlugThread.h"

#include <chrono>

namespace vantor::desktop {
namespace {

// One wait's length: the monitor wakes it at once anyway, the cancel within a look.
constexpr std::uint64_t kWaitMs = 1000;

}  // namespace

HotPlugThread::HotPlugThread(std::unique_ptr<workflow::DeviceWatch> watch,
                             std::function<void(const workflow::AttachedChange&)> onChange,
                             std::uint32_t realPauseMs)
    : watch_(std::move(watch)), onChange_(std::move(onChange)), realPauseMs_(realPauseMs), thread_([this] { Run(); }) {}

HotPlugThread::~HotPlugThread() {
  cancel_.Cancel();
  thread_.join();
}

void HotPlugThread::Run() {
  while (!cancel_.cancelled()) {
    const workflow::AttachedChange change = watch_->Next(kWaitMs, cancel_);
    if (!change.empty()) onChange_(change);
    if (realPauseMs_ != 0 && !cancel_.cancelled()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(realPauseMs_));
    }
  }
}

}  // namespace vantor::desktop
