#include "workflow/CancelToken.h"

#include <vector>

namespace vantor::workflow {

void CancelToken::Cancel() {
  // Held while the actions run, so a Remove returns only once no action of its
  // registration can still be running.
  std::lock_guard<std::mutex> calling(callMutex_);
  std::vector<std::function<void()>> actions;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_.exchange(true)) return;
    for (auto& [id, action] : actions_) actions.push_back(action);
  }
  for (const auto& action : actions) action();
}

std::size_t CancelToken::OnCancel(std::function<void()> action) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::size_t id = next_++;
  if (cancelled_.load()) {
    lock.unlock();
    action();
    return id;
  }
  actions_.emplace(id, std::move(action));
  return id;
}

void CancelToken::Remove(std::size_t id) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    actions_.erase(id);
  }
  std::lock_guard<std::mutex> waitForCalls(callMutex_);
}

}  // namespace vantor::workflow
