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

#include "link/link_request.h"
#include "link/tcpip_list.h"

namespace quillon {

class LinkHub;

inline constexpr std::size_t kCommandAnswerCapacity = 1025;
inline constexpr std::uint32_t kCommandDelayMs = 200;

// Where a command goes, as the window's fields held it when Enter was pressed.
struct CommandTarget {
  std::string protocol;
  std::string port;  // serial protocols
  unsigned baud = 0;
  unsigned frameEndMs = 0;
  std::string programDirectory;  // where Ports/ is looked up; a pseudo-terminal needs no pauses
  std::string ip;                // "MODBUS TCP"
  std::uint16_t tcpPort = 0;

  bool Tcp() const;
};

enum class CommandRegistration {
  Registered,
  PortFailed,     // the port does not open (or no socket could be made)
  NotRegistered,  // no worker takes it (an address that is none): the time-out will tell
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
  // worker of `target`, opening the port or connection as needed.
  CommandRegistration Send(const CommandTarget& target, std::vector<std::uint8_t> frame, std::uint64_t generation);
  // Takes the record out of every worker that may hold it; a port left without records closes.
  void Withdraw();

  const TLinkRequest& Request() const { return request_; }

 private:
  CommandRegistration SendSerial(const CommandTarget& target);
  CommandRegistration SendTcp(const CommandTarget& target);

  LinkHub& hub_;
  AnswerHandler onAnswer_;
  std::vector<std::uint8_t> frame_;
  std::array<std::uint8_t, kCommandAnswerCapacity> answer_{};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<bool> tcp_{false};
  // The workers the record was last handed to; only the task queue's thread touches them.
  std::string port_;
  std::optional<TcpPeer> ip_;
  TLinkRequest request_;
};

}  // namespace quillon
