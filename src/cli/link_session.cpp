#include "cli/link_session.h"

#include <algorithm>
#include <chrono>

#include "link/link_error.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon::cli {
namespace {

// The main window's time-out timer.
constexpr std::chrono::milliseconds kAnswerTimeout{2000};

}  // namespace

NoAnswerError::NoAnswerError() : LinkFailure(kNoAnswerMessage) {}

void ThrowUnlessAccepted(const AnswerVerdict& verdict) {
  if (verdict.accepted) return;
  const auto message = TimeOutMessage(verdict.silent, verdict.status);
  throw LinkFailure(message.value_or("answer not accepted (status " + std::to_string(verdict.status) + ")"));
}

LinkSession::LinkSession(const LinkFieldTexts& fields, const std::string& programDirectory, bool trace)
    : fields_(fields), hub_(programDirectory), trace_(hub_.Traffic(), trace), attachment_(hub_) {
  const std::optional<Endpoint> endpoint = EndpointOf(fields_);
  if (!endpoint) throw LinkFailure("Неверные настройки связи");
  endpoint_ = *endpoint;
  if (endpoint_.Tcp() && endpoint_.peer.ip == kNoIPv4Address) {
    throw LinkFailure("\"" + fields_.Ip() + "\" is not an IPv4 address (--ip)");
  }
  // The line rules the workspace chose for every window hold here too.
  const std::string settings = MakeWorkspacePaths(programDirectory).SettingsFile();
  hub_.Serial().SetFastFrameEnd(ReadSettingInt(settings, "FastFrameEnd") != 0);
  hub_.Serial().SetSilentInterval(ReadSettingInt(settings, "SilentInterval") != 0);
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

LinkSession::~LinkSession() { attachment_.Leave(); }

void LinkSession::Attach(TLinkRequest& request) { Register(request); }

void LinkSession::Detach(TLinkRequest& request) { attachment_.Withdraw(request); }

void LinkSession::Register(TLinkRequest& request) {
  attachment_.WaitUntilDropped(request, kAnswerTimeout);
  if (const auto failure = attachment_.Open(endpoint_)) {
    // Nothing listens at a TCP address: the main window would wait and then say the device is
    // silent.
    if (failure->kind == LinkErrorKind::Unreachable) throw NoAnswerError();
    throw LinkFailure(LinkErrorText(*failure));
  }
  attachment_.Add(request);
}

Exchange LinkSession::Send(const std::uint8_t* frame, std::size_t length, std::uint32_t delayMs) {
  if (length > requestBuf_.size()) throw LinkFailure("frame too long");
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
