#include "link/tcp_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>

namespace quillon {

namespace {

sockaddr_in Address(std::uint32_t ip, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ip;
  address.sin_port = htons(port);
  return address;
}

int NewSocket() { return ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

bool BindTo(int fd, std::uint16_t port) {
  const sockaddr_in local = Address(htonl(INADDR_ANY), port);
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

// Connecting from port P to P on this very host, with nobody listening there, makes the socket
// connect to itself; that is no device.
bool ConnectedToItself(int fd) {
  sockaddr_in local{}, peer{};
  socklen_t localLen = sizeof local, peerLen = sizeof peer;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0) return false;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) return false;
  return local.sin_addr.s_addr == peer.sin_addr.s_addr && local.sin_port == peer.sin_port;
}

}  // namespace

std::string TcpPeerName(std::uint32_t ip, std::uint16_t port) {
  in_addr address{};
  address.s_addr = ip;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return std::string(text) + ":" + std::to_string(port);
}

std::uint32_t ParseIPv4(std::string_view text) {
  const std::string copy(text);
  in_addr address{};
  if (::inet_aton(copy.c_str(), &address) == 0) return INADDR_NONE;
  return address.s_addr;
}

bool TcpConnection::OpenHandles(int& fd, int& wakeFd) {
  fd = NewSocket();
  if (fd < 0) return false;
  wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    ::close(fd);
    return false;
  }
  return true;
}

std::unique_ptr<TcpConnection> TcpConnection::Create(std::uint32_t ip, std::uint16_t port) {
  int fd = -1, wakeFd = -1;
  if (!OpenHandles(fd, wakeFd)) return nullptr;
  return std::unique_ptr<TcpConnection>(new TcpConnection(fd, wakeFd, ip, port));
}

TcpConnection::~TcpConnection() {
  Close();
  ::close(wakeFd_);
}

std::uint16_t TcpConnection::BindLocal() {
  const int fd = fd_.load();
  if (fd < 0) return 0;
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (!BindTo(fd, port_) && !BindTo(fd, 0)) return 0;
  return LocalPort();
}

bool TcpConnection::Reopen() {
  if (fd_.load() >= 0) return true;
  const int fd = NewSocket();
  if (fd < 0) return false;
  fd_ = fd;
  BindLocal();
  return true;
}

bool TcpConnection::Connect() {
  if (connected_.load()) return true;
  if (!Reopen()) return false;
  int error = ConnectOnce();
  if ((error == EADDRNOTAVAIL || error == EADDRINUSE) && LocalPort() == port_) {
    // The same local and remote ports were used a moment ago and the old connection is still
    // winding down on this side: take an ephemeral port rather than fail for a minute.
    Close();
    const int fd = NewSocket();
    if (fd < 0) return false;
    fd_ = fd;
    if (!BindTo(fd, 0)) {
      Close();
      return false;
    }
    error = ConnectOnce();
  }
  if (error != 0 || ConnectedToItself(fd_.load())) {
    Close();
    return false;
  }
  connected_ = true;
  return true;
}

int TcpConnection::ConnectOnce() {
  const int fd = fd_.load();
  const sockaddr_in remote = Address(ip_, port_);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
  int error = ETIMEDOUT;
  if (::poll(fds, 2, kConnectTimeoutMs) > 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  }
  return error;
}

bool TcpConnection::Alive() {
  const int fd = fd_.load();
  if (fd < 0 || !connected_.load()) return false;
  std::uint8_t byte = 0;
  const ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))) return true;
  connected_ = false;
  return false;
}

void TcpConnection::Close() {
  connected_ = false;
  const int fd = fd_.exchange(-1);
  if (fd >= 0) ::close(fd);
}

std::uint16_t TcpConnection::LocalPort() const {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  const int fd = fd_.load();
  if (fd < 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

void TcpConnection::Purge() {
  const int fd = fd_.load();
  if (fd < 0) return;
  discarded_.Clear();
  std::uint8_t scratch[512];
  while (true) {
    ssize_t got = 0;
    while ((got = ::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT)) > 0) {
      lastByteAt_ = std::chrono::steady_clock::now();
      discarded_.Add(scratch, static_cast<std::size_t>(got));
    }
    const auto left = lastByteAt_ + kTCPQuietBeforeRequest - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    const timespec wait{0, static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left).count())};
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::ppoll(fds, 2, &wait, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    // Quiet for the whole wait, stopping, or a failure the send will meet.
    if (ready <= 0 || (fds[1].revents & POLLIN) || !(fds[0].revents & POLLIN)) return;
  }
}

bool TcpConnection::Send(const std::uint8_t* data, std::size_t length) {
  const int fd = fd_.load();
  if (fd < 0 || !connected_.load()) return false;
  std::size_t done = 0;
  while (done < length) {
    const ssize_t sent = ::send(fd, data + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      connected_ = false;
      return false;
    }
    pollfd fds[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    if (::poll(fds, 2, 1000) <= 0 || (fds[1].revents & POLLIN) || !(fds[0].revents & POLLOUT)) return false;
  }
  return true;
}

std::uint32_t TcpConnection::ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd&) {
  const int fd = fd_.load();
  if (fd < 0) return 0;
  pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  const int ready = ::poll(fds, 2, kAnswerWaitMs);
  if (ready == 0) return 1;  // nothing came: every owner judges a 1-byte answer as too short
  if (ready < 0 || (fds[1].revents & POLLIN)) return 0;
  // Without a buffer the answer is still taken off the line, but reported as none: a count
  // without the bytes behind it would pass stale buffer contents off as an answer.
  const bool stored = buffer != nullptr && capacity > 0;
  std::uint8_t scratch[kTCPAnswerMax];
  const ssize_t got = stored ? ::recv(fd, buffer, std::min(capacity, kTCPAnswerMax), MSG_DONTWAIT)
                             : ::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT);
  if (got <= 0) {
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) connected_ = false;
    return 0;
  }
  lastByteAt_ = std::chrono::steady_clock::now();
  if (!stored) return 0;
  return static_cast<std::uint32_t>(got) <= kTCPLongestAnswer ? static_cast<std::uint32_t>(got) : 0;
}

void TcpConnection::Settle() {
  discarded_.Clear();
  const auto deadline = std::chrono::steady_clock::now() + kSettleLimit;
  std::uint8_t scratch[512];
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = fd_.load();
    if (fd < 0 || !connected_.load()) return;
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, kTCPSettleGuardMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[1].revents & POLLIN)) return;
    const ssize_t got = ::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      connected_ = false;
      return;
    }
    if (got > 0) {
      lastByteAt_ = std::chrono::steady_clock::now();
      discarded_.Add(scratch, static_cast<std::size_t>(got));
    }
  }
}

void TcpConnection::Interrupt() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
}

}  // namespace quillon
