#pragma once
// When a serial answer is complete without waiting for the line to fall quiet. The frame-end
// pause costs every exchange its full length even when the answer is long since in; a request
// whose answer length is known from its own bytes (a QuBUS read, a MODBUS read or write) can
// end at that length, and any MODBUS request at a complete exception answer. A memory card
// answer carries its own length in its header (a file block, a list entry) or has a fixed one,
// so it ends as soon as that many bytes are in and their CRC holds. An answer of any other
// length, and the answer to a request of unknown shape, still ends at the pause.
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
  // The request is a MODBUS RTU frame (the card service's included), not a QuBUS one.
  bool IsMODBUS() const { return modbus_; }

 private:
  std::optional<std::size_t> expected_;
  // MODBUS requests only: the slave and function an exception answer repeats.
  bool modbus_ = false;
  std::uint8_t slave_ = 0;
  std::uint8_t function_ = 0;
  // A card service request (functions 0x20..0x25): see CardAnswerComplete.
  bool card_ = false;

  bool CardAnswerComplete(const std::uint8_t* answer, std::size_t count) const;
};

}  // namespace quillon
