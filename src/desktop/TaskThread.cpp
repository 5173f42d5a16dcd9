#include "desktop/TaskThread.h"

namespace vantor::desktop {

TaskThread::TaskThread() : thread_([this] { Run(); }) {}

TaskThread::~TaskThread() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
    tasks_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

void TaskThread::Post(std::function<void()> task) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ending_) return;
    tasks_.push_back(std::move(task));
  }
  wake_.notify_all();
}

bool TaskThread::busy() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return running_ || !tasks_.empty();
}

void TaskThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
    if (ending_) return;
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    running_ = true;
    lock.unlock();
    task();
    lock.lock();
    running_ = false;
  }
}

}  // namespace vantor::desktop
