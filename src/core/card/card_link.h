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
#include "link/attachment.h"
#include "link/link_request.h"

namespace quillon {

class LinkHub;

enum class CardAttach { Attached, PortFailed };

class CardLink {
 public:
  // Called on the worker's thread for every answer that ends an operation or brings a listed
  // name; it must hand the step on and return without blocking.
  using StepHandler = std::function<void(CardStep)>;

  // `hub` outlives the link.
  CardLink(LinkHub& hub, StepHandler onStep);
  CardLink(const CardLink&) = delete;
  CardLink& operator=(const CardLink&) = delete;

  // Task queue (or a command's own) thread. Attaches to the endpoint (leaving a place it was
  // attached to before, and ending an operation still running) and starts `operation`, whose
  // steps carry `generation`. On PortFailed (the port does not open, no TCP connection) the
  // operation is dropped unstarted. An operation addressed to 0 is never sent: its step ends it
  // at once with the broadcast message.
  CardAttach Start(const Endpoint& endpoint, std::shared_ptr<CardOperation> operation, std::uint64_t generation);
  // Takes the record out of its worker and drops the operation; a port left without records
  // closes.
  void Withdraw();

  TransferCounters& Counters() { return counters_; }
  bool Running() const { return running_.load(); }
  // Answers handled so far; a command-line program watches it to notice a silent line.
  std::uint64_t Served() const { return served_.load(); }

 private:
  void HandleAnswer(TLinkRequest& request);
  void Arm(std::shared_ptr<CardOperation> operation, std::uint64_t generation);

  StepHandler onStep_;
  TransferCounters counters_;
  std::mutex mutex_;  // the operation and the record's buffers, between Start and the handler
  std::shared_ptr<CardOperation> operation_;
  std::uint64_t generation_ = 0;
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> served_{0};
  std::array<std::uint8_t, kCardMaxFrameLength> requestBuf_{};
  std::array<std::uint8_t, 4096> answerBuf_{};
  TLinkRequest request_;
  // Where the record is registered; only the thread that starts and withdraws touches it. Last,
  // so that it withdraws the record before it goes.
  Attachment attachment_;
};

}  // namespace quillon
