#pragma once
// The main window's conversation with its device: identification, reading the parameter span,
// writing one value and writing the whole base image, through the program's port workers. One
// request is under way at a time; it ends with its answer or after two seconds, and then its
// error, if any, is reported.
//
// The window's thread never waits for the line: opening and configuring the port, a TCP connect
// and the waits for a worker's mutex run on the program's link task queue, which reports the
// outcome back here by a queued call; meanwhile the window shows the hourglass and keeps
// answering. Answers arrive on a worker thread; the handlers there only copy the answer and post
// it to the window's thread. The records are withdrawn from the workers before this object goes,
// so no answer can arrive afterwards.
//
// A record is never refilled while a worker may still hold it (a one-shot record stays in the
// worker's list until its handler has returned, and after a time-out it may still be in
// service): every exchange takes a record that no worker holds, from a small pool.
#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/device_parameters.h"
#include "link/attachment.h"
#include "link/link_request.h"

class QTimer;
class QWidget;

namespace quillon {

class LinkTaskQueue;
class LinkHub;
class TView;

class DeviceConnection : public QObject {
  Q_OBJECT

 public:
  // `window` owns the timers (they carry the window's timer names); `programDirectory` is where
  // Ports/ lies; `tasks` carries the registry work and must outlive this object.
  DeviceConnection(QWidget* window, std::string programDirectory, DeviceParameters& parameters, LinkTaskQueue& tasks,
                   LinkHub& hub);
  ~DeviceConnection() override;

  // The link fields as they are now, and the control to focus after a failed check.
  std::function<LinkFieldTexts()> Fields;
  std::function<void(LinkField field)> Focus;
  // The parameters were read and distributed into the value buffer.
  std::function<void()> OnParametersRead;
  // One second after an identification request (and not before it ended): `connect` tells
  // whether it was the connect sequence.
  std::function<void(bool connect)> OnIdentified;

  // "Подключить" (connect = true) and "ID".
  void Identify(bool connect);
  // Reads every parameter of the open device.
  void ReadParameters();
  void WriteValue(TView& variable, const std::vector<std::uint8_t>& data);
  // Writes the base image; the base values were confirmed by the caller.
  void WriteImage();

  // Forgets the request under way without a message (the device it was for is closed).
  void Abandon();

  const std::string& IdString() const { return idString_; }
  // A request is under way: its port is being made ready, or its answer is awaited.
  bool Waiting() const;

  QTimer* ConnectTimer() const { return tmrConnect_; }
  QTimer* TimeOutTimer() const { return tmrTimeOut_; }
  QTimer* DataWritedTimer() const { return tmrDataWrited_; }

 private:
  enum class Purpose { Identify, Read, WriteValue, WriteImage };
  // The life of the request under way; the hourglass shows while it is not Idle.
  enum class RequestState {
    Idle,
    Registering,     // the task queue makes the port ready and hands the record to a worker
    AwaitingAnswer,  // in a worker's hands: tmrTimeOut_ runs
  };
  // The identification's report (OnIdentified) one second after it was asked for. It waits for
  // whatever request is under way then, not only for the identification itself.
  enum class IdentifiedReport {
    None,
    Timing,        // tmrConnect_ runs
    AtRequestEnd,  // the second is over: made as the request under way ends
  };
  // How a request ended: what the user is told of it.
  struct Outcome {
    bool silent = false;  // no answer at all
    std::uint32_t status = 0;
  };
  // How registering a request ended, as the link task queue reports it.
  enum class Registration { Registered, PortFailed, Unreachable, Refused };

  static constexpr std::size_t kRequestCapacity = 512;

  // One request record with its buffers; it lives at a fixed place until this object goes.
  struct Exchange {
    TLinkRequest request;
    std::vector<std::uint8_t> requestBuf = std::vector<std::uint8_t>(kRequestCapacity);
    std::vector<std::uint8_t> answerBuf = std::vector<std::uint8_t>(4096);
    // Set before the record is registered; an answer to an earlier, abandoned request is ignored.
    std::atomic<std::uint64_t> generation{0};
    std::atomic<Purpose> purpose{Purpose::Identify};
  };

  // What the window's thread hands to the task queue for one request.
  struct Outgoing {
    Purpose purpose;
    LinkFieldTexts fields;
    std::vector<std::uint8_t> frame;
    std::int32_t expectedLen;
    std::uint32_t delayMs;
    std::uint64_t generation;
  };

  bool CheckFields(const LinkFieldTexts& fields, LinkCheck check);
  bool Send(Purpose purpose, const LinkFieldTexts& fields, const LinkFrame& frame, std::uint32_t delayMs);
  // On the task queue.
  Registration Register(const Outgoing& outgoing);
  Exchange& FreeExchange();
  void Fill(Exchange& exchange, const Outgoing& outgoing);
  // Back on the window's thread.
  void Registered(std::uint64_t generation, Registration registration, std::string port);
  void Answered(Purpose purpose, std::uint64_t generation, std::vector<std::uint8_t> answer, std::size_t answerLen);
  void tmrTimeOutTimer();
  void tmrConnectTimer();
  // Moves the request on; the time-out and the hourglass follow.
  void SetState(RequestState next);
  void EndRequest(Outcome outcome);

  QWidget* window_;
  std::string programDirectory_;
  DeviceParameters& parameters_;
  LinkTaskQueue& tasks_;

  // Touched only on the task queue (and in the destructor, through it).
  std::vector<std::unique_ptr<Exchange>> exchanges_;
  // Where the records go.
  Attachment attachment_;

  // The request under way.
  RequestState state_ = RequestState::Idle;
  LinkFieldTexts sentFields_;
  LinkFrame sentFrame_;
  std::uint64_t generation_ = 0;

  std::string idString_;
  IdentifiedReport report_ = IdentifiedReport::None;
  // Whether the identification awaiting its report was the connect sequence.
  bool reportConnect_ = false;

  QTimer* tmrConnect_ = nullptr;
  QTimer* tmrTimeOut_ = nullptr;
  // Runs from the answer to a value write until the parameters are read back.
  QTimer* tmrDataWrited_ = nullptr;
};

}  // namespace quillon
