#include "soak_simulator.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

namespace quillon::soak {

namespace {

constexpr const char* kSetPriv = "/usr/bin/setpriv";

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

SoakSimulator::SoakSimulator(std::string program, std::string logPath)
    : program_(std::move(program)), logPath_(std::move(logPath)) {}

bool SoakSimulator::Start(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
  Kill();
  tcpPort_.clear();
  lastError_.clear();
  // posix_spawn rather than fork: forking a large sanitized process copies its page tables and
  // stalls every other thread of it meanwhile, which the soak would then count against the
  // program. setpriv makes the simulator die with the soak.
  std::vector<std::string> command;
  if (::access(kSetPriv, X_OK) == 0) command = {kSetPriv, "--pdeathsig", "KILL", "--"};
  command.push_back(program_);
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  // A port or socket of the program held by the simulator would hide the very hang-ups the
  // soak is about.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t child = -1;
  const int failed = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    lastError_ = "cannot start " + program_;
    return false;
  }
  pid_ = child;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      lastError_ = "the simulator ended before it was ready: " + ReadWhole(logPath_);
      return false;
    }
    const std::string output = ReadWhole(logPath_);
    if (output.find("\nready") != std::string::npos || output.rfind("ready", 0) == 0) {
      std::istringstream lines(output);
      for (std::string line; std::getline(lines, line);) {
        if (line.rfind("tcp: ", 0) == 0) tcpPort_ = line.substr(line.rfind(':') + 1);
      }
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  lastError_ = "the simulator was not ready in time: " + ReadWhole(logPath_);
  Kill();
  return false;
}

void SoakSimulator::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace quillon::soak
