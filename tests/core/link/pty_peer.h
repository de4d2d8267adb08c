#pragma once
// A device on the far end of a pseudo-terminal, for the serial worker tests: it collects each
// request (a burst of bytes followed by a short silence) and plays back the answer its script
// gives, chunk by chunk with pauses, so tests can shape the gaps inside an answer.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quillon::testing {

using Bytes = std::vector<std::uint8_t>;

struct AnswerChunk {
  int pauseBeforeMs = 0;
  Bytes bytes;
};

class PtyPeer {
 public:
  using Script = std::function<std::vector<AnswerChunk>(const Bytes& request)>;

  PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("no pty");
    slavePath_ = ::ptsname(master_);
    termios settings{};
    ::tcgetattr(master_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(master_, TCSANOW, &settings);
    // Our own handle on the slave keeps the master from seeing hang-ups while the worker has
    // the port closed; it never reads, so it takes nothing from the worker.
    keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::tcgetattr(keeper_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(keeper_, TCSANOW, &settings);
  }

  ~PtyPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(keeper_);
    ::close(master_);
  }

  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& SlavePath() const { return slavePath_; }
  int KeeperFd() const { return keeper_; }

  void Start(Script script) {
    script_ = std::move(script);
    thread_ = std::thread([this] { Run(); });
  }

  std::vector<Bytes> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Run() {
    Bytes request;
    while (!stop_) {
      pollfd fd{master_, POLLIN, 0};
      const int ready = ::poll(&fd, 1, request.empty() ? 20 : 3);
      if (ready > 0 && (fd.revents & POLLIN)) {
        std::uint8_t buffer[512];
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got > 0) request.insert(request.end(), buffer, buffer + got);
        continue;
      }
      if (ready > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));  // hang-up
      if (request.empty()) continue;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      for (const AnswerChunk& chunk : script_(request)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(chunk.pauseBeforeMs));
        if (!chunk.bytes.empty()) [[maybe_unused]] ssize_t written = ::write(master_, chunk.bytes.data(), chunk.bytes.size());
      }
      request.clear();
    }
  }

  int master_ = -1;
  int keeper_ = -1;
  std::string slavePath_;
  Script script_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Bytes> requests_;
};

// Polls `condition` until it holds or `timeout` passes.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace quillon::testing
