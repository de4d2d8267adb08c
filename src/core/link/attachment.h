#pragma once
// A window's hold on one endpoint's worker: it takes the line (opens the serial port and sets
// its bit rate and frame-end pause only when they differ, or finds a live TCP connection), hands
// requests to the worker under its lock, and takes them out again. Moving to another place
// withdraws everything held at the old one first; the destructor withdraws what is still held.
// Every window, tool and command attaches through one of these.
//
// Threads: every call comes from the link task queue or a command-line program's own thread,
// never from the window's thread (opening waits for a port's settling pauses or a connect, and a
// withdrawal for the worker to let go of the record). The hub outlives the attachment.
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "link/endpoint.h"
#include "link/link_error.h"
#include "link/link_request.h"

namespace quillon {

class LinkHub;

class Attachment {
 public:
  explicit Attachment(LinkHub& hub) : hub_(hub) {}
  ~Attachment();
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

  // Takes the endpoint's line: PortUnavailable when the serial port does not open or no socket
  // can be made, Unreachable when there is no TCP connection to the peer. On failure nothing is
  // held any more and no place is kept.
  std::optional<LinkError> Open(const Endpoint& endpoint);
  // Hands the request to the open line's worker. `prepare` runs under the worker's lock just
  // before, where the record may still be changed. Nothing happens when no line is open.
  void Add(TLinkRequest& request, const std::function<void()>& prepare = {});
  // Takes the request out of the worker; on return the worker no longer touches it. A serial
  // port left without records closes.
  void Withdraw(TLinkRequest& request);
  void WithdrawAll();
  // Withdraws everything and forgets the place.
  void Leave();

  // The worker of the open line still holds the request (a one-shot record whose handler has
  // not returned yet).
  bool WorkerHolds(const TLinkRequest& request);
  // Waits, at most `limit`, until the worker no longer holds the request.
  void WaitUntilDropped(const TLinkRequest& request, std::chrono::milliseconds limit);

  const std::optional<Endpoint>& Place() const { return place_; }

 private:
  LinkHub& hub_;
  std::optional<Endpoint> place_;
  std::vector<TLinkRequest*> held_;
};

}  // namespace quillon
