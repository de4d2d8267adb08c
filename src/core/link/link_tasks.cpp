#include "link/link_tasks.h"

namespace quillon {

LinkTaskQueue::LinkTaskQueue() : thread_([this] { Run(); }) {}

LinkTaskQueue::~LinkTaskQueue() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void LinkTaskQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_all();
}

void LinkTaskQueue::RunAndWait(std::function<void()> task) {
  if (std::this_thread::get_id() == thread_.get_id()) {
    task();  // already on the queue's thread: waiting for itself would never end
    return;
  }
  std::mutex doneMutex;
  std::condition_variable doneSignal;
  bool finished = false;
  Post([&] {
    try {
      task();
    } catch (...) {
    }
    std::lock_guard lock(doneMutex);
    finished = true;
    doneSignal.notify_all();
  });
  std::unique_lock lock(doneMutex);
  doneSignal.wait(lock, [&] { return finished; });
}

bool LinkTaskQueue::Idle() const {
  std::lock_guard lock(mutex_);
  return tasks_.empty() && !running_;
}

void LinkTaskQueue::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
    if (tasks_.empty()) return;  // stopping, and everything posted has run
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    running_ = true;
    lock.unlock();
    try {
      task();
    } catch (...) {
    }
    task = nullptr;  // whatever it captured goes before the next task starts
    lock.lock();
    running_ = false;
  }
}

}  // namespace quillon
