#pragma once
// The records registered with one worker. Owners add and remove records while the worker
// serves them; a record is fetched and marked "in service" in one step, and Remove waits for
// that service to end, so an owner may free its record as soon as Remove returns.
//
// Which record is served next is decided here, so that every window on a line gets its share:
// a one-shot record (a parameter read or write, a card query) goes before any polling record,
// and the polling records that are due take turns from the last registered to the first, the
// turn going on after the one served last instead of starting again at the top.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "link/link_request.h"

namespace quillon {

class RequestList {
 public:
  // Adds the record unless it is already there; returns the count afterwards. Adding a one-shot
  // record again while it is being served keeps it for one more exchange.
  std::size_t Add(TLinkRequest* request);
  // Removes the record when present and waits until the worker no longer serves it (not when
  // called from the worker thread itself, e.g. from OnAnswer). Returns the count afterwards.
  std::size_t Remove(TLinkRequest* request);
  std::size_t Count() const;
  bool Contains(const TLinkRequest* request) const;

  // The worker side. Fetch returns the entry at `index` marked in service, or nullptr when the
  // list has become shorter. Release ends the service; with `drop` (a one-shot record) the
  // record leaves the list at the same time.
  TLinkRequest* Fetch(std::size_t index);
  // The record whose turn it is among those not Busy, marked in service; nullptr when every
  // record is Busy or there is none.
  TLinkRequest* FetchDue();
  void Release(TLinkRequest* request, bool drop);
  void SetWorkerThread(std::thread::id id);

 private:
  mutable std::mutex guard_;
  std::condition_variable serviceEnded_;
  std::vector<TLinkRequest*> requests_;
  TLinkRequest* inService_ = nullptr;
  // The polling record served last and where it stood, so the next turn starts after it even
  // when it has been removed meanwhile.
  const TLinkRequest* lastPolled_ = nullptr;
  std::size_t lastPolledIndex_ = 0;
  bool addedDuringService_ = false;
  std::thread::id worker_;
};

}  // namespace quillon
