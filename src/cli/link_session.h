#pragma once
// One conversation with a controller through the program's own port workers: the serial
// registry for QuBUS and MODBUS RTU, the TCP registry for MODBUS TCP. Each exchange is a
// one-shot request record, served by the worker thread and waited for here as the main window
// waits for it (2000 ms).
#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/frame_trace.h"
#include "device/link_status.h"
#include "link/attachment.h"
#include "link/endpoint.h"
#include "link/link_check.h"
#include "link/link_hub.h"
#include "link/link_request.h"

namespace quillon::cli {

// A failure the main window would report in a message box; the text is its message.
class LinkFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The worker never served the request in time (a TCP device that cannot be reached): the
// message is "Устройство не отвечает".
class NoAnswerError : public LinkFailure {
 public:
  NoAnswerError();
};

// Throws LinkFailure with the main window's message when the answer was not accepted.
void ThrowUnlessAccepted(const AnswerVerdict& verdict);

// The pauses between request and answer the program uses.
inline constexpr std::uint32_t kValueWriteDelayMs = 500;
inline constexpr std::uint32_t kImageWriteDelayMs = 20;

struct Exchange {
  std::vector<std::uint8_t> answer;  // AnswerLen bytes as the worker reported them
  std::uint32_t answerLen = 0;
};

class LinkSession {
 public:
  // `programDirectory` is where Ports/ is looked up. The fields must have passed
  // CheckLinkFields.
  // With `trace` every frame exchanged is printed on standard error (see FrameTrace).
  LinkSession(const LinkFieldTexts& fields, const std::string& programDirectory, bool trace = false);
  // Withdraws the record, which closes a serial port.
  ~LinkSession();
  LinkSession(const LinkSession&) = delete;
  LinkSession& operator=(const LinkSession&) = delete;

  // Sends the frame and waits for the worker to serve it. Throws LinkFailure with the port error
  // message when the port cannot be opened, and NoAnswerError when the worker never answers in
  // time (a TCP device that cannot be reached).
  Exchange Send(const std::uint8_t* frame, std::size_t length, std::uint32_t delayMs);

  // Hands a record of the caller's own (a sweep that re-arms itself) to the worker, opening the
  // port or connection as Send does; it stays there until Detach or the session ends. The
  // record must outlive the session or be detached first. Throws LinkFailure as Send does.
  void Attach(TLinkRequest& request);
  // Returns once the worker no longer touches the record.
  void Detach(TLinkRequest& request);

  const LinkFieldTexts& Fields() const { return fields_; }
  // The delays the main window uses: 200 ms on a serial port, 550 under MODBUS TCP.
  std::uint32_t ReadDelayMs() const { return fields_.Tcp() ? 550 : 200; }

 private:
  void Register(TLinkRequest& request);

  LinkFieldTexts fields_;
  Endpoint endpoint_;
  LinkHub hub_;
  FrameTrace trace_;
  Attachment attachment_;

  TLinkRequest request_;
  std::array<std::uint8_t, 256> requestBuf_{};
  std::array<std::uint8_t, 4096> answerBuf_{};
  std::mutex mutex_;
  std::condition_variable answered_;
  bool done_ = false;
  Exchange last_;
};

}  // namespace quillon::cli
