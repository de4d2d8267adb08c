#include "link/worker_mutex.h"

namespace quillon {

WorkerMutex::~WorkerMutex() {
  while (HeldByThisThread()) Unlock();
}

bool WorkerMutex::LockFor(std::chrono::milliseconds timeout) {
  if (!mutex_.try_lock_for(timeout)) return false;
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
