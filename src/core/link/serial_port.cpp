#include "link/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/line_timing.h"

namespace quillon {

namespace {

speed_t StandardSpeed(unsigned baud) {
  switch (baud) {
    case 50:
      return B50;
    case 75:
      return B75;
    case 110:
      return B110;
    case 134:
      return B134;
    case 150:
      return B150;
    case 200:
      return B200;
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 500000:
      return B500000;
    case 576000:
      return B576000;
    case 921600:
      return B921600;
    case 1000000:
      return B1000000;
    case 1152000:
      return B1152000;
    case 1500000:
      return B1500000;
    case 2000000:
      return B2000000;
    default:
      return B0;
  }
}

void MakeRaw8N1(termios& settings) {
  cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // Reads never block in the driver: poll does all the waiting, with millisecond resolution.
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
}

// A USB adapter holds received bytes until its latency timer runs out (16 ms by default on
// many), which would cost every exchange that long; the low-latency mode hands them over at
// once. Drivers without the mode (a pseudo-terminal, most built-in ports) refuse, and that is
// fine.
void AskForLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ::ioctl(fd, TIOCSSERIAL, &serial);
}

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& reason, int fd) -> std::unique_ptr<SerialPort> {
    if (error) *error = reason;
    if (fd >= 0) ::close(fd);
    return nullptr;
  };
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(Reason(path), -1);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(Reason(path + " is held"), fd);
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return fail(Reason(path + " is not a serial port"), fd);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(Reason(path), fd);
  // Raw at once, before any configuration: a cooked line would echo the device's answers.
  MakeRaw8N1(settings);
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
    ::ioctl(fd, TIOCNXCL);
    return fail(Reason(path), fd);
  }
  AskForLowLatency(fd);
  const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    ::ioctl(fd, TIOCNXCL);
    return fail(Reason("eventfd"), fd);
  }
  ::tcflush(fd, TCIOFLUSH);
  return std::unique_ptr<SerialPort>(new SerialPort(fd, wakeFd));
}

SerialPort::~SerialPort() {
  ::tcflush(fd_, TCIOFLUSH);
  // The exclusive flag would otherwise outlive us on drivers that keep the tty around.
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  ::close(wakeFd_);
}

void SerialPort::NoteFailure(int error) {
  if (error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE) lost_ = true;
}

bool SerialPort::Lost() {
  if (lost_.load()) return true;
  pollfd line{fd_, 0, 0};
  if (::poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
  return lost_.load();
}

void SerialPort::Purge() {
  // What is waiting is read first, not only flushed, so the traffic monitor can show it as late.
  discarded_.Clear();
  std::uint8_t scratch[kSerialAnswerMax];
  ssize_t got = 0;
  while (!lost_.load() && (got = ::read(fd_, scratch, sizeof scratch)) > 0)
    discarded_.Add(scratch, static_cast<std::size_t>(got));
  if (::tcflush(fd_, TCIOFLUSH) != 0) NoteFailure(errno);
}

bool SerialPort::Send(const std::uint8_t* data, std::size_t length) {
  if (lost_.load()) return false;
  std::size_t done = 0;
  while (done < length) {
    const ssize_t written = ::write(fd_, data + done, length - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN) {
      NoteFailure(errno);
      return false;
    }
    // The output queue is full: wait for room, but never for long and never past a stop.
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, 1000);
    if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
    if (ready <= 0 || (fds[1].revents & POLLIN) || !(fds[0].revents & POLLOUT)) return false;
  }
  return true;
}

// A wake-up from poll comes tens of microseconds after the byte that caused it, on top of every
// exchange. When the bytes still missing from an answer of known length are due within this
// time, the line is watched without sleeping until they are in (or a little past their time).
constexpr std::chrono::microseconds kWatchBeforeEnd{200};
constexpr std::chrono::microseconds kWatchMargin{500};

std::uint32_t SerialPort::ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity, const AnswerEnd& end) {
  using Clock = std::chrono::steady_clock;
  if (lost_.load()) return 0;
  capacity = std::min(capacity, kSerialAnswerMax);
  std::size_t count = 0;
  int timeout = kFirstByteWaitMs;
  Clock::time_point lastByte;
  Clock::time_point watchUntil;
  while (count < capacity) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const bool watching = count > 0 && Clock::now() < watchUntil;
    const int ready = ::poll(fds, 2, watching ? 0 : timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && watching) {
      ::sched_yield();  // the simulator or another program woken on this core goes first
      continue;
    }
    if (ready <= 0 || (fds[1].revents & POLLIN)) break;
    const bool hungUp = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if (!(fds[0].revents & POLLIN)) {
      if (hungUp) lost_ = true;
      break;
    }
    const ssize_t got = ::read(fd_, buffer + count, capacity - count);
    if (got > 0) {
      lastByte = Clock::now();
      count += static_cast<std::size_t>(got);
      if (end.Complete(buffer, count)) break;
      const std::size_t expected = end.ExpectedLength().value_or(0);
      if (expected > count) {
        const auto missing =
            std::chrono::duration_cast<std::chrono::microseconds>(LineTime(expected - count, baud_.load()));
        if (missing <= kWatchBeforeEnd) watchUntil = lastByte + missing + kWatchMargin;
      }
    } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
      continue;
    } else {
      // With VMIN and VTIME at 0 an empty read is no error, but after a hang-up it is the end.
      if (got < 0) NoteFailure(errno);
      if (got == 0 && hungUp) lost_ = true;
      break;
    }
    timeout = static_cast<int>(std::max(1u, frameEndMs_.load()));
  }
  quietSince_ = count > 0 ? lastByte : Clock::now();
  return static_cast<std::uint32_t>(count);
}

void SerialPort::Interrupt() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
}

unsigned SerialSettleGuardMs(unsigned baud, unsigned frameEndMs) {
  const unsigned longestAnswerMs =
      baud == 0 ? 0 : static_cast<unsigned>((kSerialAnswerMax * 10 * 1000 + baud - 1) / baud);
  return std::max(frameEndMs, longestAnswerMs) + kLateAnswerMarginMs;
}

void SerialPort::Settle() {
  if (lost_.load()) return;
  // However it ends, the line has been quiet since then.
  struct QuietAtEnd {
    std::atomic<std::chrono::steady_clock::time_point>& since;
    ~QuietAtEnd() { since = std::chrono::steady_clock::now(); }
  } quietAtEnd{quietSince_};
  discarded_.Clear();
  const int guard = static_cast<int>(SerialSettleGuardMs(baud_.load(), frameEndMs_.load()));
  const auto deadline = std::chrono::steady_clock::now() + kSettleLimit;
  std::uint8_t scratch[kSerialAnswerMax];
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, guard);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fds[1].revents & POLLIN)) return;
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && !(fds[0].revents & POLLIN)) return;
    const ssize_t got = ::read(fd_, scratch, sizeof scratch);
    if (got < 0 && errno != EAGAIN && errno != EINTR) {
      NoteFailure(errno);
      return;
    }
    if (got == 0) return;
    if (got > 0) discarded_.Add(scratch, static_cast<std::size_t>(got));
  }
}

bool SerialPort::Configure(unsigned baud, unsigned frameEndMs) {
  frameEndMs_ = frameEndMs;
  baud_ = baud;
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) {
    NoteFailure(errno);
    return false;
  }
  MakeRaw8N1(settings);
  const speed_t speed = StandardSpeed(baud);
  if (speed != B0) {
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
  }
  if (::tcsetattr(fd_, TCSANOW, &settings) != 0) {
    NoteFailure(errno);
    return false;
  }
  return speed != B0 || SetArbitraryBaud(fd_, baud);
}

}  // namespace quillon
