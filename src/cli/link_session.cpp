#include "cli/link_session.h"

#include <algorithm>
#include <chrono>

#include "link/port_names.h"
#include "link/request_drop.h"
#include "link/tcp_connection.h"
#include "text/numbers.h"

namespace quillon::cli {
namespace {

// The main window's time-out timer.
constexpr std::chrono::milliseconds kAnswerTimeout{2000};

}  // namespace

NoAnswerError::NoAnswerError() : LinkError(kNoAnswerMessage) {}

void ThrowUnlessAccepted(const AnswerVerdict& verdict) {
  if (verdict.accepted) return;
  const auto message = TimeOutMessage(verdict.silent, verdict.status);
  throw LinkError(message.value_or("answer not accepted (status " + std::to_string(verdict.status) + ")"));
}

LinkSession::LinkSession(const LinkFieldTexts& fields, const std::string& programDirectory) : fields_(fields) {
  if (fields_.Tcp()) {
    tcp_ = std::make_unique<TTCPIPList>();
    peer_ = {ParseIPv4(fields_.Ip()), static_cast<std::uint16_t>(ReadInteger(fields_.tcpPort))};
    if (peer_.ip == 0xFFFFFFFFu) throw LinkError("\"" + fields_.Ip() + "\" is not an IPv4 address (--ip)");
  } else {
    comm_ = std::make_unique<TCommList>(programDirectory);
    if (IsPseudoTerminal(fields_.port, programDirectory)) timings_ = SerialTimings::None();
  }
  request_.AnswerBuf = answerBuf_.data();
  request_.AnswerCapacity = fields_.Tcp() ? answerBuf_.size() : 256;
  request_.RequestBuf = requestBuf_.data();
  request_.OnAnswer = [this](TLinkRequest& request) {
    // On the worker thread: copy out and hand over, nothing that could block.
    Exchange exchange;
    exchange.answerLen = request.AnswerLen.load();
    const std::size_t stored = std::min<std::size_t>(exchange.answerLen, request.AnswerCapacity);
    exchange.answer.assign(request.AnswerBuf, request.AnswerBuf + stored);
    std::lock_guard lock(mutex_);
    last_ = std::move(exchange);
    done_ = true;
    answered_.notify_all();
  };
}

LinkSession::~LinkSession() {
  const std::vector<TLinkRequest*> registered = registered_;
  for (TLinkRequest* request : registered) Withdraw(*request);
}

void LinkSession::Withdraw(TLinkRequest& request) {
  if (comm_) comm_->RemoveRequest(fields_.port, &request);
  if (tcp_) tcp_->RemoveRequest(peer_, &request);
  registered_.erase(std::remove(registered_.begin(), registered_.end(), &request), registered_.end());
}

void LinkSession::Attach(TLinkRequest& request) { Register(request); }

void LinkSession::Detach(TLinkRequest& request) { Withdraw(request); }

void LinkSession::Register(TLinkRequest& request) {
  if (comm_) {
    WaitUntilDropped(comm_->FindPortWorker(fields_.port), &request, kAnswerTimeout);
    if (!comm_->OpenLine(fields_.port, static_cast<unsigned>(ReadInteger(fields_.baud)),
                         static_cast<unsigned>(ReadInteger(fields_.frameEnd)), timings_)) {
      throw LinkError(PortErrorMessage(fields_.port));
    }
    comm_->LockPort(fields_.port);
    comm_->AddRequest(fields_.port, &request);
    comm_->UnlockPort(fields_.port);
  } else {
    WaitUntilDropped(tcp_->FindWorker(peer_), &request, kAnswerTimeout);
    tcp_->Lock(peer_);
    const int opened = tcp_->OpenWorker(peer_);
    TTCPIPThread* worker = opened < 0 ? nullptr : tcp_->FindWorker(peer_);
    if (worker == nullptr) {
      tcp_->Unlock(peer_);
      // Nothing listens there: the main window would wait and then say the device is silent.
      throw NoAnswerError();
    }
    tcp_->AddRequest(peer_, &request);
    tcp_->Unlock(peer_);
  }
  if (std::find(registered_.begin(), registered_.end(), &request) == registered_.end()) registered_.push_back(&request);
}

Exchange LinkSession::Send(const std::uint8_t* frame, std::size_t length, std::uint32_t delayMs) {
  if (length > requestBuf_.size()) throw LinkError("frame too long");
  std::copy_n(frame, length, requestBuf_.begin());
  request_.RequestLen = static_cast<std::uint32_t>(length);
  request_.DelayMs = delayMs;
  request_.ExpectedLen = 0;
  request_.OneShot = true;
  {
    std::lock_guard lock(mutex_);
    done_ = false;
  }
  request_.Busy = false;
  Register(request_);
  std::unique_lock lock(mutex_);
  const auto limit = std::max(kAnswerTimeout, std::chrono::milliseconds(delayMs + 1000));
  if (!answered_.wait_for(lock, limit, [this] { return done_; })) throw NoAnswerError();
  return last_;
}

}  // namespace quillon::cli
