#pragma once
// The TCP connection of one device address. Every send is MSG_NOSIGNAL (a dead peer must never
// kill the program with SIGPIPE), connecting is bounded by 2 s, and the liveness probe really
// detects a peer that closed.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/link_channel.h"

namespace quillon {

inline constexpr int kConnectTimeoutMs = 2000;
inline constexpr int kAnswerWaitMs = 50;
inline constexpr std::size_t kTCPAnswerMax = 4096;
inline constexpr std::uint32_t kTCPLongestAnswer = 255;
// After a time-out the connection must bring nothing for this long before the next request: a
// device or gateway may answer long after the 50 ms the worker waits.
inline constexpr int kTCPSettleGuardMs = 700;
// Before a request goes out the connection must have brought nothing for this long since the
// last answer's bytes: a peer that sends an answer twice sends the copies back to back, and a
// copy arriving after a purge would be read as the next request's answer (RTU frames carry
// nothing that ties an answer to its request).
inline constexpr std::chrono::microseconds kTCPQuietBeforeRequest{1000};

// A dotted IPv4 text as a 32-bit address in network byte order, as the system's registry keys
// are; 0xFFFFFFFF (INADDR_NONE) when the text is not an address.
std::uint32_t ParseIPv4(std::string_view text);
// "192.168.0.5:502": how messages and the traffic monitor name a peer.
std::string TcpPeerName(std::uint32_t ip, std::uint16_t port);

class TcpConnection : public LinkChannel {
 public:
  // A stream socket for the address (network byte order) and port; nullptr when no socket
  // could be made.
  static std::unique_ptr<TcpConnection> Create(std::uint32_t ip, std::uint16_t port);
  ~TcpConnection() override;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Binds the local port numbered like the remote one; when that is refused (a port below
  // 1024 without privileges, a server on this host holding it) an ephemeral port is bound
  // instead. Returns the local port bound, 0 when nothing could be bound.
  std::uint16_t BindLocal();
  // Connects within 2 s; on failure the socket is closed. A socket that was closed is made
  // afresh first, so a lost connection can be re-established.
  bool Connect();
  bool Connected() const { return connected_.load(); }
  // true while the peer is there: a peer that closed or failed is found by a non-blocking
  // peek, and the connection is then marked lost.
  bool Alive();
  void Close();
  std::uint16_t LocalPort() const;

  // Drains what came, waiting first until the connection has been quiet for
  // kTCPQuietBeforeRequest since the last byte received.
  void Purge() override;
  bool Send(const std::uint8_t* data, std::size_t length) override;
  // Waits 50 ms for data and receives up to 4096 bytes: the count when it is at most 255,
  // 0 for a longer answer or a failed receive, 1 when nothing came. A stream has no frame-end
  // pause to shorten, so `end` changes nothing.
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd& end) override;
  void Interrupt() override;
  void Settle() override;
  std::span<const std::uint8_t> SettledBytes() const override { return discarded_.View(); }
  // The count 1 stands for "nothing came", and no answer of the protocol is one byte long.
  bool Silence(std::uint32_t count) const override { return count <= 1; }

 protected:
  TcpConnection(int fd, int wakeFd, std::uint32_t ip, std::uint16_t port)
      : fd_(fd), wakeFd_(wakeFd), ip_(ip), port_(port) {}
  // A fresh stream socket and the wake-up event for a connection of this kind or a subclass;
  // false, with nothing left open, when either could not be made.
  static bool OpenHandles(int& fd, int& wakeFd);
  bool Reopen();
  // errno of one bounded connect attempt, 0 on success.
  int ConnectOnce();

  std::atomic<int> fd_;
  int wakeFd_;
  std::uint32_t ip_;
  std::uint16_t port_;
  std::atomic<bool> connected_{false};
  // When the last byte arrived; the worker's thread only.
  std::chrono::steady_clock::time_point lastByteAt_{};
  DiscardedBytes discarded_;
};

}  // namespace quillon
