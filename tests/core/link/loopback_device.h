#pragma once
// A device listening on 127.0.0.1 for the TCP worker tests. Each request (whatever one recv
// brings) is handed to a script that returns the answer chunks; the device can also drop all
// its connections, as a controller that is switched off does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "pty_peer.h"

namespace quillon::testing {

class LoopbackDevice {
 public:
  using Script = std::function<std::vector<AnswerChunk>(const Bytes& request)>;

  explicit LoopbackDevice(Script script) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 8) != 0)
      throw std::runtime_error("cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }

  ~LoopbackDevice() {
    stop_ = true;
    thread_.join();
    for (int fd : clients_) ::close(fd);
    ::close(listener_);
  }

  LoopbackDevice(const LoopbackDevice&) = delete;
  LoopbackDevice& operator=(const LoopbackDevice&) = delete;

  std::uint16_t Port() const { return port_; }
  int Accepted() const { return accepted_.load(); }
  int Closed() const { return closedByPeer_.load(); }
  void DropConnections() { drop_ = true; }
  std::vector<Bytes> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::chrono::steady_clock::time_point LastRequestAt() const {
    std::lock_guard lock(mutex_);
    return lastRequestAt_;
  }

 private:
  void Run() {
    while (!stop_) {
      if (drop_.exchange(false)) {
        for (int fd : clients_) ::close(fd);
        clients_.clear();
      }
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (int fd : clients_) fds.push_back({fd, POLLIN, 0});
      if (::poll(fds.data(), fds.size(), 10) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
          clients_.push_back(client);
          ++accepted_;
        }
      }
      for (std::size_t i = 1; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        std::uint8_t buffer[4096];
        const ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
          ++closedByPeer_;
          ::close(fds[i].fd);
          std::erase(clients_, fds[i].fd);
          continue;
        }
        const Bytes request(buffer, buffer + got);
        {
          std::lock_guard lock(mutex_);
          requests_.push_back(request);
          lastRequestAt_ = std::chrono::steady_clock::now();
        }
        for (const AnswerChunk& chunk : script_(request)) {
          std::this_thread::sleep_for(std::chrono::milliseconds(chunk.pauseBeforeMs));
          ::send(fds[i].fd, chunk.bytes.data(), chunk.bytes.size(), MSG_NOSIGNAL);
        }
      }
    }
  }

  Script script_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::vector<int> clients_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> drop_{false};
  std::atomic<int> accepted_{0};
  std::atomic<int> closedByPeer_{0};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Bytes> requests_;
  std::chrono::steady_clock::time_point lastRequestAt_;
};

}  // namespace quillon::testing
