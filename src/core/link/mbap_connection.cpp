#include "link/mbap_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "link/mbap_frames.h"

namespace quillon {

std::unique_ptr<MbapConnection> MbapConnection::Create(std::uint32_t ip, std::uint16_t port) {
  int fd = -1, wakeFd = -1;
  if (!OpenHandles(fd, wakeFd)) return nullptr;
  return std::unique_ptr<MbapConnection>(new MbapConnection(fd, wakeFd, ip, port));
}

bool MbapConnection::Send(const std::uint8_t* data, std::size_t length) {
  const std::uint16_t next = static_cast<std::uint16_t>(transaction_ + 1);
  auto adu = data != nullptr ? MbapFromRtu({data, length}, next) : std::nullopt;
  if (!adu) {
    sent_.clear();
    return false;
  }
  transaction_ = next;
  sent_ = std::move(*adu);
  return TcpConnection::Send(sent_.data(), sent_.size());
}

MbapConnection::Piece MbapConnection::ReadPiece(std::size_t wanted) {
  const int fd = fd_.load();
  if (fd < 0) return Piece::Failed;
  pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  const int ready = ::poll(fds, 2, kAnswerWaitMs);
  if (ready == 0) return Piece::Quiet;
  if (ready < 0 || (fds[1].revents & POLLIN)) return Piece::Failed;
  std::uint8_t piece[kMbapLongestAdu];
  // Never more than this ADU: a copy of it sent twice, or anything after it, stays on the line
  // for the purge before the next request.
  const ssize_t got = ::recv(fd, piece, std::min(wanted, sizeof piece), MSG_DONTWAIT);
  if (got <= 0) {
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) connected_ = false;
    return Piece::Failed;
  }
  lastByteAt_ = std::chrono::steady_clock::now();
  received_.insert(received_.end(), piece, piece + got);
  return Piece::Came;
}

bool MbapConnection::ReadAdu() {
  while (true) {
    // A header that cannot be good is refused at once; the settle after it takes the rest.
    if (MbapHeaderRefusal(received_) != MbapRefusal::None) return false;
    const std::size_t whole = MbapAduLength(received_).value_or(kMbapLengthFieldEnd);
    if (received_.size() >= whole) return true;
    switch (ReadPiece(whole - received_.size())) {
      case Piece::Came:
        continue;
      case Piece::Quiet:
        return false;
      case Piece::Failed:
        failed_ = true;
        return false;
    }
  }
}

std::uint32_t MbapConnection::Refuse() {
  refused_ = true;
  return 1;
}

std::uint32_t MbapConnection::ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd&) {
  received_.clear();
  refused_ = false;
  failed_ = false;
  if (!ReadAdu()) {
    if (failed_) return 0;
    return received_.empty() ? 1 : Refuse();
  }
  const RtuFromMbapResult answer = RtuFromMbap(received_, transaction_);
  if (answer.refusal != MbapRefusal::None) return Refuse();
  // Without a buffer the answer is still taken off the line, but reported as none, as on a
  // connection without MBAP.
  if (buffer == nullptr || capacity == 0) return 0;
  const std::size_t count = std::min(capacity, answer.rtu.size());
  std::copy_n(answer.rtu.begin(), count, buffer);
  return count <= kTCPLongestAnswer ? static_cast<std::uint32_t>(count) : 0;
}

}  // namespace quillon
