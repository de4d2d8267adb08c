#pragma once
// The one request record that carries every card operation to a port worker: a serial port,
// or the TCP connection of a device address (the same frames). The record stays with its
// worker between operations (Busy held, so it is not served) and each operation re-arms it;
// the answer handler, on the worker's thread, rebuilds the next request in place.
//
// Start and Withdraw touch the registries and may wait: they run off the window's thread (the
// link task queue, or a command-line program's own thread). The owner keeps the link alive
// until it is withdrawn.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "card/card_operation.h"
#include "link/link_request.h"
#include "link/tcpip_list.h"

namespace quillon {

class TCommList;

struct CardTarget {
  bool tcp = false;
  std::string port;
  unsigned baud = 0;
  unsigned frameEndMs = 8;
  std::string programDirectory;  // where Ports/ is looked up; a pseudo-terminal needs no pauses
  std::string ip;
  std::uint16_t tcpPort = 502;
  std::uint8_t address = 1;

  // The name the port message gives: the port, or the IP address.
  const std::string& Place() const { return tcp ? ip : port; }
};

// The registries a link may use; a missing one (the program going away) holds nothing.
struct CardRegistries {
  TCommList* serial = nullptr;
  TTCPIPList* tcp = nullptr;
};

enum class CardAttach { Attached, PortFailed };

class CardLink {
 public:
  // Called on the worker's thread for every answer that ends an operation or brings a listed
  // name; it must hand the step on and return without blocking.
  using StepHandler = std::function<void(CardStep)>;

  explicit CardLink(StepHandler onStep);
  CardLink(const CardLink&) = delete;
  CardLink& operator=(const CardLink&) = delete;

  // Attaches to the target (leaving a port or address it was attached to before, and ending an
  // operation still running) and starts `operation`, whose steps carry `generation`. On
  // PortFailed the operation is dropped unstarted. An operation addressed to 0 is never sent:
  // its step ends it at once with the broadcast message.
  CardAttach Start(const CardRegistries& registries, const CardTarget& target, std::shared_ptr<CardOperation> operation,
                   std::uint64_t generation);
  // Takes the record out of its worker and drops the operation; a port left without records
  // closes.
  void Withdraw(const CardRegistries& registries);

  TransferCounters& Counters() { return counters_; }
  bool Running() const { return running_.load(); }
  // Answers handled so far; a command-line program watches it to notice a silent line.
  std::uint64_t Served() const { return served_.load(); }

 private:
  void HandleAnswer(TLinkRequest& request);
  void Arm(std::shared_ptr<CardOperation> operation, std::uint64_t generation);
  CardAttach AttachSerial(TCommList& ports, const CardTarget& target);
  CardAttach AttachTcp(TTCPIPList& workers, const CardTarget& target);

  StepHandler onStep_;
  TransferCounters counters_;
  std::mutex mutex_;  // the operation and the record's buffers, between Start and the handler
  std::shared_ptr<CardOperation> operation_;
  std::uint64_t generation_ = 0;
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> served_{0};
  std::array<std::uint8_t, kCardMaxFrameLength> requestBuf_{};
  std::array<std::uint8_t, 4096> answerBuf_{};
  // Where the record is registered; only the thread that starts and withdraws touches these.
  std::string port_;
  std::optional<TcpPeer> ip_;
  TLinkRequest request_;
};

}  // namespace quillon
