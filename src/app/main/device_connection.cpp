#include "app/main/device_connection.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "device/cell_commit.h"
#include "device/image_write.h"
#include "link/comm_list.h"
#include "link/endpoint.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "link/port_names.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kTimeOutMs = 2000;
constexpr int kConnectDelayMs = 1000;
constexpr int kDataWritedDelayMs = 500;
constexpr std::uint32_t kSerialDelayMs = 200;
constexpr std::uint32_t kTcpDelayMs = 550;
constexpr std::uint32_t kValueWriteDelayMs = 500;
constexpr std::uint32_t kImageWriteDelayMs = 20;
constexpr std::size_t kSerialAnswerCapacity = 256;

}  // namespace

DeviceConnection::DeviceConnection(QWidget* window, std::string programDirectory, DeviceParameters& parameters,
                                   LinkTaskQueue& tasks, LinkHub& hub)
    : QObject(window),
      window_(window),
      programDirectory_(std::move(programDirectory)),
      parameters_(parameters),
      tasks_(tasks),
      attachment_(hub) {
  tmrConnect_ = Named(new QTimer(window), "tmrConnect");
  tmrConnect_->setSingleShot(true);
  tmrConnect_->setInterval(kConnectDelayMs);
  connect(tmrConnect_, &QTimer::timeout, this, &DeviceConnection::tmrConnectTimer);
  tmrTimeOut_ = Named(new QTimer(window), "tmrTimeOut");
  tmrTimeOut_->setSingleShot(true);
  tmrTimeOut_->setInterval(kTimeOutMs);
  connect(tmrTimeOut_, &QTimer::timeout, this, &DeviceConnection::tmrTimeOutTimer);
  tmrDataWrited_ = Named(new QTimer(window), "tmrDataWrited");
  tmrDataWrited_->setSingleShot(true);
  tmrDataWrited_->setInterval(kDataWritedDelayMs);
  connect(tmrDataWrited_, &QTimer::timeout, this, [this] {
    tmrDataWrited_->stop();
    ReadParameters();
  });
}

DeviceConnection::~DeviceConnection() {
  // Waits for registrations still queued, then takes every record out of the workers.
  tasks_.RunAndWait([this] { attachment_.Leave(); });
  if (state_ != RequestState::Idle) QApplication::restoreOverrideCursor();
}

void DeviceConnection::Abandon() {
  ++generation_;
  tmrDataWrited_->stop();
  // A report still timing is made all the same; one waiting for this request is dropped.
  if (report_ == IdentifiedReport::AtRequestEnd) report_ = IdentifiedReport::None;
  SetState(RequestState::Idle);
}

bool DeviceConnection::Waiting() const { return state_ != RequestState::Idle; }

void DeviceConnection::SetState(RequestState next) {
  const bool wasBusy = state_ != RequestState::Idle;
  const bool busy = next != RequestState::Idle;
  state_ = next;
  if (next == RequestState::AwaitingAnswer) {
    tmrTimeOut_->start();
  } else {
    tmrTimeOut_->stop();
  }
  if (busy && !wasBusy) QApplication::setOverrideCursor(Qt::WaitCursor);
  if (wasBusy && !busy) QApplication::restoreOverrideCursor();
}

bool DeviceConnection::CheckFields(const LinkFieldTexts& fields, LinkCheck check) {
  const auto failure = CheckLinkFields(fields, check);
  if (!failure) return true;
  CurrentPrompt().Warning("Quillon", failure->message);
  if (Focus) Focus(failure->focus);
  return false;
}

void DeviceConnection::Identify(bool connect) {
  // The identification of an earlier answer must never pass for this one's.
  idString_.clear();
  const LinkFieldTexts fields = Fields ? Fields() : LinkFieldTexts{};
  if (CheckFields(fields, LinkCheck::Identify)) {
    Send(Purpose::Identify, fields, BuildIdentificationRequest(fields), fields.Tcp() ? kTcpDelayMs : kSerialDelayMs);
  }
  // The report comes even when nothing was sent: without an identification it ends quietly.
  reportConnect_ = connect;
  report_ = IdentifiedReport::Timing;
  tmrConnect_->start();
}

void DeviceConnection::ReadParameters() {
  const LinkFieldTexts fields = Fields ? Fields() : LinkFieldTexts{};
  if (!CheckFields(fields, LinkCheck::Read)) return;
  if (parameters_.Empty()) return;
  LinkFrame frame;
  try {
    frame = parameters_.BuildRead(fields);
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  Send(Purpose::Read, fields, frame, fields.Tcp() ? kTcpDelayMs : kSerialDelayMs);
}

void DeviceConnection::WriteValue(TView& variable, const std::vector<std::uint8_t>& data) {
  if (variable.Definition().NoAddress) return;
  const LinkFieldTexts fields = WithWriteDefaults(Fields ? Fields() : LinkFieldTexts{});
  if (!CheckFields(fields, LinkCheck::WriteValue)) return;
  if (parameters_.Empty()) return;
  LinkFrame frame;
  try {
    frame = BuildValueWrite(variable, data, fields, parameters_.Buffer());
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  Send(Purpose::WriteValue, fields, frame, kValueWriteDelayMs);
}

void DeviceConnection::WriteImage() {
  const LinkFieldTexts fields = Fields ? Fields() : LinkFieldTexts{};
  if (!CheckFields(fields, LinkCheck::WriteImage)) return;
  if (parameters_.Empty()) return;
  LinkFrame frame;
  try {
    frame = BuildImageWrite(parameters_.List(), fields, CurrentPrompt());
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  Send(Purpose::WriteImage, fields, frame, kImageWriteDelayMs);
}

bool DeviceConnection::Send(Purpose purpose, const LinkFieldTexts& fields, const LinkFrame& frame,
                            std::uint32_t delayMs) {
  // One request at a time: a second one would share the status and the time-out.
  if (Waiting()) return false;
  if (frame.bytes.size() > kRequestCapacity) return false;
  sentFields_ = fields;
  sentFrame_ = frame;
  ++generation_;
  Outgoing outgoing{purpose, fields, frame.bytes, frame.expectedLen, delayMs, generation_};
  SetState(RequestState::Registering);
  tasks_.Post([this, outgoing = std::move(outgoing)] {
    const Registration registration = Register(outgoing);
    QMetaObject::invokeMethod(
        this,
        [this, generation = outgoing.generation, registration, port = outgoing.fields.port] {
          Registered(generation, registration, port);
        },
        Qt::QueuedConnection);
  });
  return true;
}

DeviceConnection::Registration DeviceConnection::Register(const Outgoing& outgoing) {
  const std::optional<Endpoint> endpoint = EndpointOf(outgoing.fields);
  if (!endpoint) return Registration::Refused;
  if (const auto failure = attachment_.Open(*endpoint)) {
    return failure->kind == LinkErrorKind::Unreachable ? Registration::Unreachable : Registration::PortFailed;
  }
  Exchange& exchange = FreeExchange();
  attachment_.Add(exchange.request, [&] { Fill(exchange, outgoing); });
  return Registration::Registered;
}

DeviceConnection::Exchange& DeviceConnection::FreeExchange() {
  // Only the worker of the place last used can hold one of these records: leaving a place
  // withdraws every record from it.
  for (const auto& exchange : exchanges_) {
    if (attachment_.WorkerHolds(exchange->request)) continue;
    return *exchange;
  }
  auto exchange = std::make_unique<Exchange>();
  Exchange* fresh = exchange.get();
  fresh->request.RequestBuf = fresh->requestBuf.data();
  fresh->request.AnswerBuf = fresh->answerBuf.data();
  // On the worker thread: copy the answer out and hand it over, nothing that could block.
  fresh->request.OnAnswer = [this, fresh](TLinkRequest& request) {
    const std::size_t answerLen = request.AnswerLen.load();
    const std::size_t stored = std::min<std::size_t>(answerLen, request.AnswerCapacity);
    std::vector<std::uint8_t> answer(request.AnswerBuf, request.AnswerBuf + stored);
    const std::uint64_t generation = fresh->generation.load();
    const Purpose purpose = fresh->purpose.load();
    QMetaObject::invokeMethod(
        this,
        [this, purpose, generation, answer = std::move(answer), answerLen]() mutable {
          Answered(purpose, generation, std::move(answer), answerLen);
        },
        Qt::QueuedConnection);
  };
  exchanges_.push_back(std::move(exchange));
  return *fresh;
}

void DeviceConnection::Fill(Exchange& exchange, const Outgoing& outgoing) {
  std::copy(outgoing.frame.begin(), outgoing.frame.end(), exchange.requestBuf.begin());
  TLinkRequest& request = exchange.request;
  request.RequestLen = static_cast<std::uint32_t>(outgoing.frame.size());
  request.ExpectedLen = outgoing.expectedLen;
  request.DelayMs = outgoing.delayMs;
  request.AnswerCapacity = outgoing.fields.Tcp() ? exchange.answerBuf.size() : kSerialAnswerCapacity;
  request.AnswerLen = 0;
  request.OneShot = true;
  request.Busy = false;
  exchange.generation = outgoing.generation;
  exchange.purpose = outgoing.purpose;
}

void DeviceConnection::Registered(std::uint64_t generation, Registration registration, std::string port) {
  // Ended already (its answer came first, or it was abandoned or timed out).
  if (generation != generation_ || state_ != RequestState::Registering) return;
  switch (registration) {
    case Registration::Registered:
      SetState(RequestState::AwaitingAnswer);
      return;
    case Registration::PortFailed:
      // The hourglass goes before the message box comes.
      SetState(RequestState::Idle);
      CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
      EndRequest({});
      return;
    case Registration::Unreachable:
      // The connect has already waited its time: tell at once, as for a silent device.
      EndRequest({.silent = true});
      return;
    case Registration::Refused:
      EndRequest({});
      return;
  }
}

void DeviceConnection::Answered(Purpose purpose, std::uint64_t generation, std::vector<std::uint8_t> answer,
                                std::size_t answerLen) {
  if (generation != generation_ || state_ == RequestState::Idle) return;
  const std::uint8_t* bytes = answer.data();
  // An answer longer than what was stored is judged on the bytes that are there.
  const std::size_t judged = std::min(answerLen, answer.size());
  switch (purpose) {
    case Purpose::Identify: {
      const IdentificationAnswer taken = TakeIdentificationAnswer(sentFields_, bytes, judged);
      if (taken.verdict.accepted) idString_ = taken.text;
      EndRequest({.silent = taken.verdict.silent, .status = taken.verdict.status});
      return;
    }
    case Purpose::Read: {
      const AnswerVerdict verdict = parameters_.TakeReadAnswer(sentFields_, sentFrame_, bytes, judged);
      if (verdict.accepted && OnParametersRead) OnParametersRead();
      EndRequest({.silent = verdict.silent, .status = verdict.status});
      return;
    }
    case Purpose::WriteValue:
      // The answer is not examined: the read that follows shows what the controller holds.
      EndRequest({});
      tmrDataWrited_->start();
      return;
    case Purpose::WriteImage: {
      const AnswerVerdict verdict = JudgeImageWriteAnswer(sentFields_, sentFrame_.bytes, bytes, judged);
      EndRequest({.silent = verdict.silent, .status = verdict.status});
      if (verdict.accepted) ReadParameters();
      return;
    }
  }
}

void DeviceConnection::tmrTimeOutTimer() {
  // No answer within the time: the worker could not send (a TCP peer gone) or the handler
  // never came.
  ++generation_;
  EndRequest({.silent = true});
}

void DeviceConnection::EndRequest(Outcome outcome) {
  SetState(RequestState::Idle);
  if (const auto message = TimeOutMessage(outcome.silent, outcome.status)) CurrentPrompt().Warning("Quillon", *message);
  if (report_ == IdentifiedReport::AtRequestEnd) tmrConnectTimer();
}

void DeviceConnection::tmrConnectTimer() {
  tmrConnect_->stop();
  // An identification still under way (a port that needed its opening pauses) is waited for.
  if (Waiting()) {
    report_ = IdentifiedReport::AtRequestEnd;
    return;
  }
  report_ = IdentifiedReport::None;
  if (OnIdentified) OnIdentified(reportConnect_);
}

}  // namespace quillon
