#pragma once
// A pseudo-terminal that the test process keeps open on its slave side, as another program
// (a terminal emulator, a modem tool) would hold a serial port.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace quillon::testing {

class OpenTerminal {
 public:
  OpenTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("no pty");
    path_ = ::ptsname(master_);
    fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path_);
  }
  ~OpenTerminal() {
    ::close(fd_);
    ::close(master_);
  }
  OpenTerminal(const OpenTerminal&) = delete;
  OpenTerminal& operator=(const OpenTerminal&) = delete;

  const std::string& Path() const { return path_; }
  // The slave side, held by "the other program".
  int Fd() const { return fd_; }
  // Bytes arrive on the slave side as if typed on the line.
  void Type(const std::string& text) {
    if (::write(master_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
      throw std::runtime_error("write");
  }

 private:
  int master_ = -1;
  int fd_ = -1;
  std::string path_;
};

}  // namespace quillon::testing
