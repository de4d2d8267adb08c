#pragma once
// The per-worker lock that owners take around registering records. It may be taken again by
// the thread that holds it. Unlock from a thread that does not hold it (a lock that timed out,
// or one taken before the worker existed) is ignored instead of being undefined behaviour.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace quillon {

class WorkerMutex {
 public:
  WorkerMutex() = default;
  // Owners lock a worker and may then, through the registry, cause its end (the TCP calling
  // order locks before the open that replaces a dead worker): a lock held by the destroying
  // thread is released first, as destroying a locked mutex is undefined.
  ~WorkerMutex();
  WorkerMutex(const WorkerMutex&) = delete;
  WorkerMutex& operator=(const WorkerMutex&) = delete;
  bool LockFor(std::chrono::milliseconds timeout);
  // For a worker that takes the lock pass after pass: owners already waiting for it go first.
  // The mutex itself is not fair: a worker that released and retook it at once would keep an
  // owner out for pass after pass.
  bool LockAfterOthers(std::chrono::milliseconds timeout);
  void Unlock();
  bool HeldByThisThread() const { return holder_.load() == std::this_thread::get_id(); }

 private:
  std::recursive_timed_mutex mutex_;
  std::atomic<std::thread::id> holder_{};
  std::atomic<int> waiting_{0};
  int depth_ = 0;  // touched only by the holder
};

// Holds a WorkerMutex for a scope when it was obtained in time.
class WorkerLock {
 public:
  WorkerLock(WorkerMutex& mutex, std::chrono::milliseconds timeout) : mutex_(mutex), owns_(mutex.LockFor(timeout)) {}
  ~WorkerLock() {
    if (owns_) mutex_.Unlock();
  }
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;
  bool OwnsLock() const { return owns_; }

 private:
  WorkerMutex& mutex_;
  bool owns_;
};

}  // namespace quillon
