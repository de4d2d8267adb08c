#pragma once
// The main window's conversation with its device: identification, reading the parameter span,
// writing one value and writing the whole base image, through the program's port workers. One
// request is under way at a time; it ends with its answer or after two seconds, and then its
// error, if any, is reported.
//
// Answers arrive on a worker thread. The handlers there only copy the answer and post it to the
// window's thread; everything else happens here on the window's thread. The records are
// withdrawn from the workers before this object goes, so no answer can arrive afterwards.
#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/device_parameters.h"
#include "link/link_request.h"

class QTimer;
class QWidget;

namespace quillon {

class TView;

class DeviceConnection : public QObject {
  Q_OBJECT

 public:
  // `window` owns the timers (they carry the window's timer names); `programDirectory` is where
  // Ports/ lies.
  DeviceConnection(QWidget* window, std::string programDirectory, DeviceParameters& parameters);
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
  bool Waiting() const;

  QTimer* ConnectTimer() const { return tmrConnect_; }
  QTimer* TimeOutTimer() const { return tmrTimeOut_; }
  QTimer* DataWritedTimer() const { return tmrDataWrited_; }

 private:
  enum class Purpose { Identify, Read, WriteValue, WriteImage };

  struct Slot {
    TLinkRequest request;
    std::vector<std::uint8_t> requestBuf = std::vector<std::uint8_t>(512);
    std::vector<std::uint8_t> answerBuf = std::vector<std::uint8_t>(4096);
    // The request an answer belongs to; an answer to an earlier, abandoned one is ignored.
    std::atomic<std::uint64_t> generation{0};
  };

  bool CheckFields(const LinkFieldTexts& fields, LinkCheck check);
  bool Send(Purpose purpose, const LinkFieldTexts& fields, const LinkFrame& frame, std::uint32_t delayMs);
  bool RegisterSerial(Slot& slot, const LinkFieldTexts& fields);
  bool RegisterTcp(Slot& slot, const LinkFieldTexts& fields);
  void WithdrawAll();
  void StartWaiting();
  void Answered(Purpose purpose, std::uint64_t generation, std::vector<std::uint8_t> answer, std::size_t answerLen);
  void tmrTimeOutTimer();
  void tmrConnectTimer();
  void EndRequest();
  Slot& SlotOf(Purpose purpose) { return slots_[static_cast<std::size_t>(purpose)]; }

  QWidget* window_;
  std::string programDirectory_;
  DeviceParameters& parameters_;
  std::array<Slot, 4> slots_;

  std::string registeredPort_;
  std::uint32_t registeredIp_ = 0;
  bool ipRegistered_ = false;

  // The request under way.
  LinkFieldTexts sentFields_;
  LinkFrame sentFrame_;
  std::uint64_t generation_ = 0;
  std::uint32_t status_ = 0;
  bool silent_ = false;
  bool cursorShown_ = false;

  std::string idString_;
  bool connectPending_ = false;
  bool continuationDue_ = false;

  QTimer* tmrConnect_ = nullptr;
  QTimer* tmrTimeOut_ = nullptr;
  QTimer* tmrDataWrited_ = nullptr;
};

}  // namespace quillon
