#include "link/traffic_capture.h"

#include <chrono>

#include "link/traffic_text.h"

namespace quillon {

namespace {

std::int64_t WallMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

TrafficFrame ExchangeCapture::NewFrame(FrameDirection direction) const {
  TrafficFrame frame;
  frame.timeUs = WallMicros();
  frame.SetLink(rules.linkName);
  frame.direction = direction;
  frame.framing = channel.FramesWithMBAP() ? FrameFraming::MBAP
                  : modbus                 ? FrameFraming::MODBUSRTU
                                           : FrameFraming::QuBUS;
  return frame;
}

void ExchangeCapture::Request(const TLinkRequest& request) const {
  if (!Watching()) return;
  TrafficFrame frame = NewFrame(FrameDirection::TX);
  const auto wire = channel.SentOnWire();
  if (!wire.empty()) frame.SetBytes(wire.data(), wire.size());
  else if (request.RequestBuf != nullptr) frame.SetBytes(request.RequestBuf, request.RequestLen);
  rules.tap->Put(frame);
}

void ExchangeCapture::Answer(const TLinkRequest& request, std::size_t stored, bool silent) const {
  if (!Watching()) return;
  TrafficFrame frame = NewFrame(FrameDirection::RX);
  if (request.RequestBuf != nullptr) frame.SetRequestHead(request.RequestBuf, request.RequestLen);
  const std::size_t answerLength = silent ? 0 : stored;
  const auto wire = channel.ReceivedOnWire();
  if (!wire.empty()) frame.SetBytes(wire.data(), wire.size());
  else if (request.AnswerBuf != nullptr) frame.SetBytes(request.AnswerBuf, answerLength);
  if (channel.AnswerRefused()) {
    frame.verdict = FrameVerdict::Mismatch;
  } else {
    frame.verdict = JudgeFrame(modbus, request.RequestBuf, request.RequestBuf != nullptr ? request.RequestLen : 0,
                               static_cast<std::uint32_t>(request.ExpectedLen), request.AnswerBuf, answerLength,
                               frame.exceptionCode);
  }
  rules.tap->Put(frame);
}

void ExchangeCapture::Discarded() const {
  if (!Watching()) return;
  const auto bytes = channel.SettledBytes();
  if (bytes.empty()) return;
  TrafficFrame frame = NewFrame(FrameDirection::RX);
  frame.SetBytes(bytes.data(), bytes.size());
  frame.verdict = FrameVerdict::Late;
  rules.tap->Put(frame);
}

}  // namespace quillon
