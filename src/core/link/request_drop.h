#pragma once
// A one-shot record leaves its worker's list only after its answer handler has returned. Adding
// it again before that would find it still there and add nothing, and the worker would then drop
// it unserved, so an owner that sends again first waits for it to be gone.
#include <chrono>
#include <thread>

#include "link/link_request.h"

namespace quillon {

// Waits (at most `limit`) until `worker` no longer holds `request`; a missing worker holds nothing.
// Works for both kinds of worker (TComm, TTCPIPThread).
template <typename Worker>
void WaitUntilDropped(const Worker* worker, const TLinkRequest* request, std::chrono::milliseconds limit) {
  if (worker == nullptr) return;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (worker->HasRequest(request) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace quillon
