#pragma once
// A program run by a test as a child process: its standard output on a pipe, its standard error
// in a file, its standard input empty. Every wait is bounded, and the child is always stopped
// and reaped by its owner.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/file_bytes.h"
#include "support/temp_dir.h"

extern char** environ;

namespace quillon::testing {

// A child with its standard output on a pipe and its standard error in a file.
class Process {
 public:
  explicit Process(const std::vector<std::string>& args) : errPath_(scratch_ / "stderr") {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int failed = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    outFd_ = out[0];
    if (failed != 0) {
      ::close(outFd_);
      throw std::runtime_error("cannot start " + args[0]);
    }
  }
  ~Process() {
    Stop();
    ::close(outFd_);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Reads standard output until a line starts with `prefix`; the rest of that line, or nothing
  // when the process ends or the time runs out first.
  std::optional<std::string> WaitForLine(const std::string& prefix, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
      for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        out_ += line + "\n";
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd fd{outFd_, POLLIN, 0};
      if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[512];
      const ssize_t count = ::read(outFd_, buffer, sizeof buffer);
      if (count <= 0) return std::nullopt;
      pending_.append(buffer, static_cast<std::size_t>(count));
    }
  }

  // Waits for the end; the exit code, or nothing when it had to be killed.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    if (pid_ <= 0) return exitCode_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
      DrainOutput();
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        DrainOutput();
        if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
        return exitCode_;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // Sends `signal` to the running child (Ctrl+C is SIGINT); nothing once it has ended.
  void Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
  }

  // SIGTERM, then SIGKILL when it does not end within 3 s.
  std::optional<int> Stop() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
    return Wait(std::chrono::milliseconds(3000));
  }

  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
      return false;
    }
    return true;
  }

  const std::string& Output() {
    DrainOutput();
    return out_;
  }
  std::string Errors() const { return FileBytes(errPath_); }

 private:
  void DrainOutput() {
    char buffer[4096];
    while (true) {
      pollfd fd{outFd_, POLLIN, 0};
      if (::poll(&fd, 1, 0) <= 0) break;
      const ssize_t count = ::read(outFd_, buffer, sizeof buffer);
      if (count <= 0) break;
      pending_.append(buffer, static_cast<std::size_t>(count));
    }
    out_ += pending_;
    pending_.clear();
  }

  TempDir scratch_;
  std::string errPath_;
  pid_t pid_ = -1;
  int outFd_ = -1;
  std::string pending_;
  std::string out_;
  std::optional<int> exitCode_;
};

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a command to its end (at most `limit`); a command that had to be killed exits -1.
inline RunResult RunProgram(const std::vector<std::string>& args,
                            std::chrono::milliseconds limit = std::chrono::milliseconds(20000)) {
  Process process(args);
  RunResult result;
  result.exitCode = process.Wait(limit).value_or(-1);
  result.out = process.Output();
  result.err = process.Errors();
  return result;
}

}  // namespace quillon::testing
