#pragma once
// A thread of its own that runs posted tasks one after another, in order: the desktop
// app's controller thread, where every probe and update is driven, so the GUI thread
// never waits for a controller.
//
// Threads: Post from any thread. The destructor drops tasks not yet begun and waits
// for the running one, whose own waits bound it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vantor::desktop {

class TaskThread {
 public:
  TaskThread();
  ~TaskThread();
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  void Post(std::function<void()> task);
  // Tasks posted and not yet ended (the running one included).
  bool busy() const;

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool running_ = false;
  bool ending_ = false;
  std::thread thread_;  // last: started once the rest exists
};

}  // namespace vantor::desktop
