#pragma once
// A request to stop, shared by whoever may ask (Ctrl-C on the command line, the
// window's close in a desktop app, a page unload on the web) and whatever must stop
// (an update at its next safe point, a wait for a controller, a question in flight).
//
// Threads: Cancel, cancelled and the registrations are safe from any thread; a
// callback runs on the thread that cancels (or at once, on the registering thread,
// when the token was cancelled already), so it must only ask, never wait.

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>

namespace vantor::workflow {

class CancelToken {
 public:
  void Cancel();
  bool cancelled() const { return cancelled_.load(); }

  // Calls `action` on a cancel; returns an id for Remove. While registered, the
  // action's objects must live.
  std::size_t OnCancel(std::function<void()> action);
  // After it returns the action is not running and will not run. Never call it from
  // inside an action.
  void Remove(std::size_t id);

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::mutex callMutex_;
  std::size_t next_ = 0;
  std::map<std::size_t, std::function<void()>> actions_;
};

// Registers an action for the life of the object.
class CancelScope {
 public:
  CancelScope(CancelToken& token, std::function<void()> action) : token_(token), id_(token.OnCancel(std::move(action))) {}
  ~CancelScope() { token_.Remove(id_); }
  CancelScope(const CancelScope&) = delete;
  CancelScope& operator=(const CancelScope&) = delete;

 private:
  CancelToken& token_;
  std::size_t id_;
};

}  // namespace vantor::workflow
