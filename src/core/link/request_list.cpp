#include "link/request_list.h"

#include <algorithm>

namespace quillon {

std::size_t RequestList::Add(TLinkRequest* request) {
  std::lock_guard lock(guard_);
  if (std::find(requests_.begin(), requests_.end(), request) == requests_.end()) {
    requests_.push_back(request);
  } else if (request == inService_) {
    // An owner that asks again while its one-shot record is being served (typically from the
    // answer it just got) wants one more exchange: the end of this service must not drop it.
    addedDuringService_ = true;
  }
  return requests_.size();
}

std::size_t RequestList::Remove(TLinkRequest* request) {
  std::unique_lock lock(guard_);
  requests_.erase(std::remove(requests_.begin(), requests_.end(), request), requests_.end());
  if (request == inService_) addedDuringService_ = false;
  if (std::this_thread::get_id() != worker_) serviceEnded_.wait(lock, [&] { return inService_ != request; });
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
  addedDuringService_ = false;
  return inService_;
}

TLinkRequest* RequestList::FetchDue() {
  std::lock_guard lock(guard_);
  const std::size_t count = requests_.size();
  auto take = [&](std::size_t index) {
    inService_ = requests_[index];
    addedDuringService_ = false;
    return inService_;
  };
  for (std::size_t index = count; index-- > 0;) {
    if (requests_[index]->OneShot.load() && !requests_[index]->Busy.load()) return take(index);
  }
  if (count == 0) return nullptr;
  // The turn goes on below the record polled last; when it is gone, below where it stood.
  const auto last = std::find(requests_.begin(), requests_.end(), lastPolled_);
  const std::size_t from =
      last != requests_.end() ? static_cast<std::size_t>(last - requests_.begin()) : std::min(lastPolledIndex_, count);
  for (std::size_t step = 1; step <= count; ++step) {
    const std::size_t index = (from + 2 * count - step) % count;
    if (requests_[index]->Busy.load()) continue;
    lastPolled_ = requests_[index];
    lastPolledIndex_ = index;
    return take(index);
  }
  return nullptr;
}

void RequestList::Release(TLinkRequest* request, bool drop) {
  {
    std::lock_guard lock(guard_);
    const bool keep = inService_ == request && addedDuringService_;
    if (drop && !keep) requests_.erase(std::remove(requests_.begin(), requests_.end(), request), requests_.end());
    if (inService_ == request) {
      inService_ = nullptr;
      addedDuringService_ = false;
    }
  }
  serviceEnded_.notify_all();
}

void RequestList::SetWorkerThread(std::thread::id id) {
  std::lock_guard lock(guard_);
  worker_ = id;
}

}  // namespace quillon
