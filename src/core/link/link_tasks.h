#pragma once
// LinkTaskQueue: one thread that carries out, in the order they were posted, the registry work a
// window must not wait for on its own thread: opening a port with its settling pauses,
// configuring it, a TCP connect with its 2 s bound, the waits for a worker's mutex, and
// withdrawing records. Every window of the program posts to the same queue, so registry calls
// never overlap (two windows opening one port at once would otherwise both try to hold it).
//
// A task reports back to its window by a queued call; the queue itself knows nothing of windows.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quillon {

class LinkTaskQueue {
 public:
  LinkTaskQueue();
  // Carries out what was posted before, then ends the thread.
  ~LinkTaskQueue();
  LinkTaskQueue(const LinkTaskQueue&) = delete;
  LinkTaskQueue& operator=(const LinkTaskQueue&) = delete;

  // Queues `task`; it runs after every task posted before it. An exception it throws is
  // swallowed (a task reports its own failures).
  void Post(std::function<void()> task);
  // Runs `task` after every task posted before it and returns once it has run. Meant for a
  // window going away, whose records must be out of the workers before it frees them.
  void RunAndWait(std::function<void()> task);
  // True when nothing is queued or running.
  bool Idle() const;

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool running_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace quillon
