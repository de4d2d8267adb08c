#pragma once
// When a serial answer is complete without waiting for the line to fall quiet. The frame-end
// pause costs every exchange its full length even when the answer is long since in; a request
// whose answer length is known from its own bytes (a QuBUS read, a MODBUS read or write) can
// end at that length, and any MODBUS request at a complete exception answer. An answer of any
// other length, and the answer to a request of unknown shape, still ends at the pause.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillon {

class AnswerEnd {
 public:
  // The classic rule only: every answer ends at the frame-end pause.
  AnswerEnd() = default;
  // Derived from the request frame alone, never from what its owner expects: the owner's
  // figure is for judging the answer, and a wrong one must not cut an answer short.
  static AnswerEnd ForRequest(const std::uint8_t* request, std::size_t length);

  // The answer length the request asks for, when its bytes tell.
  std::optional<std::size_t> ExpectedLength() const { return expected_; }
  bool Complete(const std::uint8_t* answer, std::size_t count) const;

 private:
  std::optional<std::size_t> expected_;
  // MODBUS requests only: the slave and function an exception answer repeats.
  bool modbus_ = false;
  std::uint8_t slave_ = 0;
  std::uint8_t function_ = 0;
};

}  // namespace quillon
