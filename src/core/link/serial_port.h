#pragma once
// A serial line as the port workers see it: opened exclusively, raw 8N1, any baud rate the
// driver takes. A read waits up to 500 ms for the first byte and then ends at the first gap
// longer than the frame-end pause, or as soon as the answer is complete by its request's shape.
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "link/link_channel.h"

namespace quillon {

class SerialLine : public LinkChannel {
 public:
  // Baud rate, 8 data bits, no parity, one stop bit; the frame-end pause in milliseconds.
  virtual bool Configure(unsigned baud, unsigned frameEndMs) = 0;
  // Once the line has hung up or failed (an adapter pulled out, the far end of a
  // pseudo-terminal closed), nothing passes through it any more: it has to be opened again.
  // A hang-up is seen here even while no exchange runs.
  virtual bool Lost() = 0;
  // When the line last fell quiet: the last byte of an answer came, a wait for one ended
  // empty, or a settle ended. The MODBUS silent interval is counted from here.
  virtual std::chrono::steady_clock::time_point QuietSince() const { return {}; }
};

inline constexpr int kFirstByteWaitMs = 500;
inline constexpr std::size_t kSerialAnswerMax = 256;
inline constexpr unsigned kDefaultFrameEndMs = 8;
// Beyond the frame-end pause and the longest answer's own time, how long a line that fell
// silent may still bring an answer its requester gave up on.
inline constexpr unsigned kLateAnswerMarginMs = 150;

// How long the line must stay quiet after a time-out: the frame-end pause and the time of the
// longest answer at the bit rate (10 bits a byte), plus the late-answer margin.
unsigned SerialSettleGuardMs(unsigned baud, unsigned frameEndMs);

class SerialPort final : public SerialLine {
 public:
  // Opens the device for this program alone: TIOCEXCL keeps other programs out, and an
  // exclusive flock does so even for root, which TIOCEXCL lets through. Returns nullptr and
  // the reason in `error` when the device cannot be opened or is not a terminal.
  static std::unique_ptr<SerialPort> Open(const std::string& path, std::string* error = nullptr);
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void Purge() override;
  bool Send(const std::uint8_t* data, std::size_t length) override;
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd& end) override;
  void Interrupt() override;
  bool Configure(unsigned baud, unsigned frameEndMs) override;
  bool Lost() override;
  void Settle() override;
  std::span<const std::uint8_t> SettledBytes() const override { return discarded_.View(); }
  std::chrono::steady_clock::time_point QuietSince() const override { return quietSince_.load(); }

 private:
  SerialPort(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd) {}
  // Marks the line lost when `error` (an errno) says the device is gone rather than busy.
  void NoteFailure(int error);

  int fd_;
  int wakeFd_;  // an eventfd that ends every wait once written
  std::atomic<unsigned> frameEndMs_{kDefaultFrameEndMs};
  std::atomic<unsigned> baud_{9600};
  std::atomic<bool> lost_{false};
  std::atomic<std::chrono::steady_clock::time_point> quietSince_{};
  DiscardedBytes discarded_;
};

// Sets a baud rate the standard speed constants do not name (termios2 with BOTHER).
bool SetArbitraryBaud(int fd, unsigned baud);

}  // namespace quillon
