#pragma once
// The memory card operations of quillon-cli, run through the card link as the file window runs
// them, on port workers of the command's own, and waited for here.
#include <condition_variable>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "cli/frame_trace.h"
#include "link/endpoint.h"
#include "link/link_check.h"
#include "link/link_hub.h"

namespace quillon::cli {

class CardSession {
 public:
  // The fields must have passed CheckLinkFields. Throws LinkFailure for an unusable address.
  CardSession(const LinkFieldTexts& fields, const std::string& programDirectory, bool trace = false);
  // Withdraws the record, which closes a serial port.
  ~CardSession();
  CardSession(const CardSession&) = delete;
  CardSession& operator=(const CardSession&) = delete;

  // Runs the operation to its end and returns its last step; listed names are added to
  // `names`. With `progress`, the transfer figures are written on one line of stderr. Throws
  // LinkFailure with the port message, or "Устройство не отвечает" when the line goes silent.
  // Once `*stop` is set (by a signal handler) the operation is withdrawn and dropped unfinished,
  // which removes a download's temporary file, and its step says "Передача прервана".
  CardStep Run(std::shared_ptr<CardOperation> operation, bool progress, std::vector<std::string>* names = nullptr,
               const volatile std::sig_atomic_t* stop = nullptr);

  TransferCounters& Counters() { return link_.Counters(); }
  std::uint8_t Address() const { return target_.address; }

 private:
  void Take(CardStep step);

  LinkHub hub_;
  FrameTrace trace_;
  Endpoint target_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<CardStep> steps_;
  std::uint64_t generation_ = 0;
  // Last: its handler uses the members above until it is withdrawn, and the hub outlives it.
  CardLink link_;
};

}  // namespace quillon::cli
