#pragma once
// The TCP connection of a "MODBUS TCP/IP" device: standard MODBUS TCP. The worker hands it RTU
// frames and gets RTU frames back, as from any line; on the wire each request goes as an MBAP
// ADU under the connection's next transaction id, and an answer counts only when it is a whole
// ADU under that same id. Unlike bare RTU frames over TCP, the transaction id ties an answer to
// its request, so a late or repeated answer to an earlier request is refused rather than taken.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "link/tcp_connection.h"

namespace quillon {

class MbapConnection final : public TcpConnection {
 public:
  static std::unique_ptr<MbapConnection> Create(std::uint32_t ip, std::uint16_t port);

  // Sends the RTU frame as an ADU under the next transaction id (65535 is followed by 0). A
  // frame without a function code, or too long for an ADU, is not sent: false.
  bool Send(const std::uint8_t* data, std::size_t length) override;
  // Waits kAnswerWaitMs for the answer to begin, then for each further piece of it, until the
  // ADU is as long as its length field says; it comes back as an RTU frame with a CRC computed
  // here. The counts are TcpConnection's: 1 when nothing came, and also when what came was
  // refused (another transaction id, a protocol id other than 0, a length field that disagrees
  // with what came); 0 when the line failed or the worker is stopping.
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd& end) override;

  std::span<const std::uint8_t> SentOnWire() const override { return sent_; }
  std::span<const std::uint8_t> ReceivedOnWire() const override { return received_; }
  bool AnswerRefused() const override { return refused_; }
  bool FramesWithMBAP() const override { return true; }

  // The transaction id of the last request sent.
  std::uint16_t Transaction() const { return transaction_; }

 private:
  using TcpConnection::TcpConnection;

  enum class Piece { Came, Quiet, Failed };
  // Waits up to kAnswerWaitMs and takes at most `wanted` bytes into received_.
  Piece ReadPiece(std::size_t wanted);
  // Reads until the ADU is whole; false when it did not come whole (refused_ tells whether
  // anything came at all) or the line failed (failed_).
  bool ReadAdu();
  std::uint32_t Refuse();

  // The worker's thread only, as everything of a channel.
  std::uint16_t transaction_ = 0;
  std::vector<std::uint8_t> sent_;
  std::vector<std::uint8_t> received_;
  bool refused_ = false;
  bool failed_ = false;
};

}  // namespace quillon
