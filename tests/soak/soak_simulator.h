#pragma once
// quillon-sim as a child of the fault soak, started and ended from the soak's control thread so
// that the window's thread never waits for it. Its output goes to a log file, read for the
// "ready" and "tcp: " lines.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillon::soak {

class SoakSimulator {
 public:
  SoakSimulator(std::string program, std::string logPath);
  SoakSimulator(const SoakSimulator&) = delete;
  SoakSimulator& operator=(const SoakSimulator&) = delete;
  ~SoakSimulator() { Kill(); }

  // Starts the simulator and waits until it says "ready"; false (with the reason in
  // LastError) when it did not start or ended first.
  bool Start(const std::vector<std::string>& args, std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // SIGKILL, as a pulled cable or a crashed peer: nothing is finished or cleaned up.
  void Kill();
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The port of the "tcp: ADDR:PORT" line of the last start; empty without --tcp.
  const std::string& TcpPort() const { return tcpPort_; }
  const std::string& LastError() const { return lastError_; }

 private:
  std::string program_;
  std::string logPath_;
  pid_t pid_ = -1;
  std::string tcpPort_;
  std::string lastError_;
};

}  // namespace quillon::soak
