#include "link/worker_mutex.h"

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace quillon {

namespace {

// libstdc++ takes a timed lock with pthread_mutex_clocklock, which the ThreadSanitizer of GCC 12
// does not intercept: it would see every unlock of a lock it never saw taken, and every access
// the lock guards as a race. The lock is announced to it by hand.
template <typename Lock>
bool TryTimedLock(std::recursive_timed_mutex& mutex, Lock lock) {
#if defined(__SANITIZE_THREAD__)
  __tsan_mutex_pre_lock(&mutex, __tsan_mutex_try_lock);
  const bool locked = lock();
  __tsan_mutex_post_lock(&mutex, __tsan_mutex_try_lock | (locked ? 0 : __tsan_mutex_try_lock_failed), 0);
  return locked;
#else
  (void)mutex;
  return lock();
#endif
}

}  // namespace

WorkerMutex::~WorkerMutex() {
  while (HeldByThisThread()) Unlock();
}

bool WorkerMutex::LockFor(std::chrono::milliseconds timeout) {
  ++waiting_;
  const bool locked = TryTimedLock(mutex_, [&] { return mutex_.try_lock_for(timeout); });
  --waiting_;
  if (!locked) return false;
  holder_ = std::this_thread::get_id();
  ++depth_;
  return true;
}

bool WorkerMutex::LockAfterOthers(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (waiting_.load() > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  if (!TryTimedLock(mutex_, [&] { return mutex_.try_lock_until(deadline); })) return false;
  holder_ = std::this_thread::get_id();
  ++depth_;
  return true;
}

void WorkerMutex::Unlock() {
  if (!HeldByThisThread()) return;
  if (--depth_ == 0) holder_ = std::thread::id();
  mutex_.unlock();
}

}  // namespace quillon
