#include "main/device_connection.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "device/cell_commit.h"
#include "device/image_write.h"
#include "link/comm_list.h"
#include "link/port_names.h"
#include "link/request_drop.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"
#include "platform/prompt.h"
#include "text/numbers.h"
#include "widget_helpers.h"

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
// How long a one-shot record may take to leave the worker's list after its handler returned.
constexpr auto kDropWait = std::chrono::milliseconds(300);

}  // namespace

DeviceConnection::DeviceConnection(QWidget* window, std::string programDirectory, DeviceParameters& parameters)
    : QObject(window), window_(window), programDirectory_(std::move(programDirectory)), parameters_(parameters) {
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

  for (std::size_t i = 0; i < slots_.size(); ++i) {
    Slot& slot = slots_[i];
    const auto purpose = static_cast<Purpose>(i);
    slot.request.RequestBuf = slot.requestBuf.data();
    slot.request.AnswerBuf = slot.answerBuf.data();
    slot.request.AnswerCapacity = slot.answerBuf.size();
    // On the worker thread: copy the answer out and hand it over, nothing that could block.
    slot.request.OnAnswer = [this, &slot, purpose](TLinkRequest& request) {
      const std::size_t answerLen = request.AnswerLen.load();
      const std::size_t stored = std::min(answerLen, request.AnswerCapacity);
      std::vector<std::uint8_t> answer(request.AnswerBuf, request.AnswerBuf + stored);
      const std::uint64_t generation = slot.generation.load();
      QMetaObject::invokeMethod(
          this,
          [this, purpose, generation, answer = std::move(answer), answerLen]() mutable {
            Answered(purpose, generation, std::move(answer), answerLen);
          },
          Qt::QueuedConnection);
    };
  }
}

DeviceConnection::~DeviceConnection() {
  WithdrawAll();
  if (cursorShown_) QApplication::restoreOverrideCursor();
}

void DeviceConnection::WithdrawAll() {
  for (Slot& slot : slots_) {
    if (!registeredPort_.empty()) CommList().RemoveRequest(registeredPort_, &slot.request);
    if (ipRegistered_) TCPIPList().RemoveRequest(registeredIp_, &slot.request);
  }
}

void DeviceConnection::Abandon() {
  ++generation_;
  tmrDataWrited_->stop();
  continuationDue_ = false;
  if (!Waiting()) return;
  tmrTimeOut_->stop();
  if (cursorShown_) {
    QApplication::restoreOverrideCursor();
    cursorShown_ = false;
  }
}

bool DeviceConnection::Waiting() const { return tmrTimeOut_->isActive(); }

bool DeviceConnection::CheckFields(const LinkFieldTexts& fields, LinkCheck check) {
  const auto failure = CheckLinkFields(fields, check);
  if (!failure) return true;
  CurrentPrompt().Warning("Quillon", failure->message);
  if (Focus) Focus(failure->focus);
  return false;
}

void DeviceConnection::Identify(bool connect) {
  if (connect) idString_.clear();
  const LinkFieldTexts fields = Fields ? Fields() : LinkFieldTexts{};
  if (CheckFields(fields, LinkCheck::Identify)) {
    Send(Purpose::Identify, fields, BuildIdentificationRequest(fields), fields.Tcp() ? kTcpDelayMs : kSerialDelayMs);
  }
  // The continuation runs even when nothing was sent: without an identification it ends quietly.
  connectPending_ = connect;
  continuationDue_ = false;
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
  if (variable.NoAddress) return;
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
    frame = BuildImageWrite(parameters_.List(), fields);
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
  Slot& slot = SlotOf(purpose);
  if (frame.bytes.size() > slot.requestBuf.size()) return false;
  std::copy(frame.bytes.begin(), frame.bytes.end(), slot.requestBuf.begin());
  slot.request.RequestLen = static_cast<std::uint32_t>(frame.bytes.size());
  slot.request.ExpectedLen = frame.expectedLen;
  slot.request.DelayMs = delayMs;
  slot.request.AnswerCapacity = fields.Tcp() ? slot.answerBuf.size() : kSerialAnswerCapacity;
  slot.request.OneShot = true;
  sentFields_ = fields;
  sentFrame_ = frame;
  ++generation_;
  slot.generation = generation_;
  const bool registered = fields.Tcp() ? RegisterTcp(slot, fields) : RegisterSerial(slot, fields);
  if (!registered && !fields.Tcp()) return false;
  // A TCP device that cannot be reached is waited for like a silent one.
  StartWaiting();
  return true;
}

bool DeviceConnection::RegisterSerial(Slot& slot, const LinkFieldTexts& fields) {
  TCommList& ports = CommList();
  if (fields.port != registeredPort_) {
    if (!registeredPort_.empty()) {
      for (Slot& other : slots_) ports.RemoveRequest(registeredPort_, &other.request);
    }
    registeredPort_ = fields.port;
  }
  WaitUntilDropped(ports.FindPortWorker(fields.port), &slot.request, kDropWait);
  ports.SetTimings(IsPseudoTerminal(fields.port, programDirectory_) ? SerialTimings::None() : SerialTimings{});
  if (ports.OpenPortWorker(fields.port) < 0) {
    CurrentPrompt().Warning("Quillon", PortErrorMessage(fields.port));
    return false;
  }
  const auto baud = static_cast<unsigned>(ReadInteger(fields.baud));
  const auto frameEnd = static_cast<unsigned>(ReadInteger(fields.frameEnd));
  // Configured before the record goes in, and only when something changes: reconfiguring purges
  // the line, which would cut an exchange of another window in the middle.
  if (TComm* worker = ports.FindPortWorker(fields.port);
      worker != nullptr && (!worker->Configured() || worker->Baud() != baud || worker->FrameEnd() != frameEnd)) {
    ports.ConfigurePort(fields.port, baud, frameEnd);
  }
  slot.request.Busy = false;
  ports.LockPort(fields.port);
  ports.AddRequest(fields.port, &slot.request);
  ports.UnlockPort(fields.port);
  return true;
}

bool DeviceConnection::RegisterTcp(Slot& slot, const LinkFieldTexts& fields) {
  TTCPIPList& workers = TCPIPList();
  const std::uint32_t ip = ParseIPv4(fields.Ip());
  if (ipRegistered_ && ip != registeredIp_) {
    for (Slot& other : slots_) workers.RemoveRequest(registeredIp_, &other.request);
  }
  registeredIp_ = ip;
  ipRegistered_ = true;
  if (ip == 0xFFFFFFFFu) return false;
  WaitUntilDropped(workers.FindWorker(ip), &slot.request, kDropWait);
  const auto port = static_cast<std::uint16_t>(ReadInteger(fields.tcpPort));
  workers.Lock(ip);
  const int opened = workers.OpenWorker(ip, port);
  TTCPIPThread* worker = opened < 0 ? nullptr : workers.FindWorker(ip);
  if (worker == nullptr) {
    workers.Unlock(ip);
    return false;
  }
  slot.request.Busy = false;
  workers.AddRequest(ip, &slot.request);
  workers.Unlock(ip);
  return true;
}

void DeviceConnection::StartWaiting() {
  status_ = 0;
  silent_ = false;
  tmrTimeOut_->start();
  if (!cursorShown_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorShown_ = true;
  }
}

void DeviceConnection::Answered(Purpose purpose, std::uint64_t generation, std::vector<std::uint8_t> answer,
                                std::size_t answerLen) {
  if (generation != generation_ || !Waiting()) return;
  const std::uint8_t* bytes = answer.data();
  // An answer longer than what was stored is judged on the bytes that are there.
  const std::size_t judged = std::min(answerLen, answer.size());
  switch (purpose) {
    case Purpose::Identify: {
      const IdentificationAnswer taken = TakeIdentificationAnswer(sentFields_, bytes, judged);
      silent_ = taken.verdict.silent;
      status_ = taken.verdict.status;
      if (taken.verdict.accepted) idString_ = taken.text;
      EndRequest();
      return;
    }
    case Purpose::Read: {
      const AnswerVerdict verdict = parameters_.TakeReadAnswer(sentFields_, sentFrame_, bytes, judged);
      silent_ = verdict.silent;
      status_ = verdict.status;
      if (verdict.accepted && OnParametersRead) OnParametersRead();
      EndRequest();
      return;
    }
    case Purpose::WriteValue:
      // The answer is not examined: the read that follows shows what the controller holds.
      EndRequest();
      tmrDataWrited_->start();
      return;
    case Purpose::WriteImage: {
      const AnswerVerdict verdict = JudgeImageWriteAnswer(sentFields_, bytes, judged);
      silent_ = verdict.silent;
      status_ = verdict.status;
      EndRequest();
      if (verdict.accepted) ReadParameters();
      return;
    }
  }
}

void DeviceConnection::tmrTimeOutTimer() {
  // No answer within the time: the worker could not send (a TCP peer gone) or the handler
  // never came.
  silent_ = true;
  ++generation_;
  EndRequest();
}

void DeviceConnection::EndRequest() {
  tmrTimeOut_->stop();
  if (cursorShown_) {
    QApplication::restoreOverrideCursor();
    cursorShown_ = false;
  }
  const auto message = TimeOutMessage(silent_, status_);
  silent_ = false;
  status_ = 0;
  if (message) CurrentPrompt().Warning("Quillon", *message);
  if (continuationDue_) tmrConnectTimer();
}

void DeviceConnection::tmrConnectTimer() {
  tmrConnect_->stop();
  // An identification still under way (a port that needed its opening pauses) is waited for.
  if (Waiting()) {
    continuationDue_ = true;
    return;
  }
  continuationDue_ = false;
  if (OnIdentified) OnIdentified(connectPending_);
}

}  // namespace quillon
