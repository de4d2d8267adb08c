#include "link/request_list.h"

#include <algorithm>

namespace quillon {

std::size_t RequestList::Add(TLinkRequest* request) {
  std::lock_guard lock(guard_);
  if (std::find(requests_.begin(), requests_.end(), request) == requests_.end()) requests_.push_back(request);
  return requests_.size();
}

std::size_t RequestList::Remove(TLinkRequest* request) {
  std::unique_lock lock(guard_);
  requests_.erase(std::remove(requests_.begin(), requests_.end(), request), requests_.end());
  if (std::this_thread::get_id() != worker_)
    serviceEnded_.wait(lock, [&] { return inService_ != request; });
  return requests_.size();
}

std::size_t RequestList::Count() const {
  std::lock_guard lock(guard_);
  return requests_.size();
}

bool RequestList::Contains(const TLinkRequest* request) const {
  std::lock_guard lock(guard_);
  return std::find(requests_.begin(), requests_.end(), request) != requests_.end();
}

TLinkRequest* RequestList::Fetch(std::size_t index) {
  std::lock_guard lock(guard_);
  if (index >= requests_.size()) return nullptr;
  inService_ = requests_[index];
  return inService_;
}

void RequestList::Release(TLinkRequest* request, bool drop) {
  {
    std::lock_guard lock(guard_);
    if (drop) requests_.erase(std::remove(requests_.begin(), requests_.end(), request), requests_.end());
    if (inService_ == request) inService_ = nullptr;
  }
  serviceEnded_.notify_all();
}

void RequestList::SetWorkerThread(std::thread::id id) {
  std::lock_guard lock(guard_);
  worker_ = id;
}

}  // namespace quillon
