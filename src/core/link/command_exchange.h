#pragma once
// The terminal's one request record and its way to a worker. Everything here that touches the
// registries runs on the link task queue, never on the window's thread; the record belongs to
// an object the window shares with its queued tasks, so it outlives a window that closes while
// a worker still holds it.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/attachment.h"
#include "link/link_request.h"

namespace quillon {

class LinkHub;

inline constexpr std::size_t kCommandAnswerCapacity = 1025;
inline constexpr std::uint32_t kCommandDelayMs = 200;

enum class CommandRegistration {
  Registered,
  PortFailed,     // the port does not open (or no socket could be made)
  NotRegistered,  // no worker takes it (no TCP connection to the address): the time-out will tell
};

class CommandExchange {
 public:
  // Called on the worker thread with the generation of the send it answers and the bytes that
  // arrived; it must hand them on and return without blocking.
  using AnswerHandler = std::function<void(std::uint64_t generation, std::vector<std::uint8_t> answer)>;

  // `hub` outlives the exchange.
  CommandExchange(LinkHub& hub, AnswerHandler onAnswer);
  CommandExchange(const CommandExchange&) = delete;
  CommandExchange& operator=(const CommandExchange&) = delete;

  // Takes the record out of the worker it was given to last, then hands `frame` once to the
  // worker of `target`, taking its line as needed.
  CommandRegistration Send(const Endpoint& target, std::vector<std::uint8_t> frame, std::uint64_t generation);
  // Takes the record out of the worker that may hold it; a port left without records closes.
  void Withdraw();

  const TLinkRequest& Request() const { return request_; }

 private:
  AnswerHandler onAnswer_;
  std::vector<std::uint8_t> frame_;
  std::array<std::uint8_t, kCommandAnswerCapacity> answer_{};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<bool> tcp_{false};
  TLinkRequest request_;
  // Where the record was last handed; only the task queue's thread touches it. Last, so that it
  // withdraws the record before it goes.
  Attachment attachment_;
};

}  // namespace quillon
