#include "sim/line_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "link/mbap_frames.h"
#include "sim/frame_scanner.h"
#include "sim/mbap_framing.h"

namespace quillon::sim {
namespace {

// Longer than any frame either protocol has: whatever is collected beyond this is noise.
constexpr std::size_t kMaxPending = 1024;

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

PseudoTerminal::PseudoTerminal() {
  master_ = FileHandle(::posix_openpt(O_RDWR | O_NOCTTY));
  if (!master_) throw std::runtime_error(SystemError("cannot open a pseudo-terminal"));
  if (::grantpt(master_.Get()) != 0 || ::unlockpt(master_.Get()) != 0) {
    throw std::runtime_error(SystemError("cannot unlock the pseudo-terminal"));
  }
  char name[128] = {};
  if (::ptsname_r(master_.Get(), name, sizeof name) != 0) {
    throw std::runtime_error(SystemError("cannot name the pseudo-terminal"));
  }
  devicePath_ = name;
  terminal_ = FileHandle(::open(name, O_RDWR | O_NOCTTY));
  if (!terminal_) throw std::runtime_error(SystemError("cannot open " + devicePath_));
  termios settings{};
  ::tcgetattr(terminal_.Get(), &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(terminal_.Get(), TCSANOW, &settings);
  SetNonBlocking(master_.Get());
}

PublishedLink::PublishedLink(std::string linkPath, const std::string& target)
    : linkPath_(std::move(linkPath)), target_(target) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path link(linkPath_);
  const auto status = fs::symlink_status(link, error);
  if (fs::exists(status)) {
    if (!fs::is_symlink(status)) {
      throw std::runtime_error(linkPath_ + " exists and is not a symlink; choose another link path");
    }
    if (fs::exists(link, error)) {
      throw std::runtime_error("port link " + linkPath_ + " is busy: it leads to " +
                               fs::read_symlink(link, error).string() +
                               " (another simulator?); stop that one or remove the link");
    }
    fs::remove(link, error);  // dangling: left behind by a simulator that was killed
  }
  if (link.has_parent_path()) fs::create_directories(link.parent_path(), error);
  // Made under a temporary name and renamed, so a reader never sees a half-made link.
  const std::string temporary = linkPath_ + ".tmp" + std::to_string(::getpid());
  fs::remove(temporary, error);
  if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
    const std::string reason = SystemError("cannot create the link " + linkPath_);
    fs::remove(temporary, error);
    throw std::runtime_error(reason);
  }
}

PublishedLink::~PublishedLink() {
  std::error_code error;
  // Only our own link: another simulator may have taken the name over since.
  if (std::filesystem::read_symlink(linkPath_, error).string() == target_) std::filesystem::remove(linkPath_, error);
}

TcpListener::TcpListener(const std::string& address, std::uint16_t port, const std::string& option) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
    throw std::runtime_error("--bind: \"" + address + "\" is not an IPv4 address");
  }
  socket_ = FileHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket_) throw std::runtime_error(SystemError("cannot create a TCP socket"));
  const int yes = 1;
  ::setsockopt(socket_.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  if (::bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    if (errno == EADDRINUSE) {
      throw std::runtime_error("TCP port " + std::to_string(port) + " on " + address +
                               " is busy (another program listens on it); choose another with " + option);
    }
    throw std::runtime_error(SystemError("cannot listen on " + address + ":" + std::to_string(port)));
  }
  if (::listen(socket_.Get(), 16) != 0) throw std::runtime_error(SystemError("cannot listen"));
  socklen_t length = sizeof local;
  ::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  SetNonBlocking(socket_.Get());
}

void LineServer::AddLine(int fd, LineKind kind) {
  Line line;
  line.fd = fd;
  line.serial = kind.serial;
  line.owned = kind.owned;
  line.mbap = kind.mbap;
  lines_.push_back(std::move(line));
}

std::size_t LineServer::ClientCount() const {
  std::size_t count = 0;
  for (const auto& line : lines_) count += line.owned ? 1 : 0;
  return count;
}

void LineServer::Accept(int listenFd, bool mbap) {
  while (true) {
    const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (client < 0) return;
    const int yes = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    AddLine(client, {.serial = false, .owned = true, .mbap = mbap});
  }
}

bool LineServer::ReadLine(Line& line) {
  std::uint8_t buffer[512];
  while (true) {
    const ssize_t count = ::read(line.fd, buffer, sizeof buffer);
    if (count > 0) {
      line.pending.insert(line.pending.end(), buffer, buffer + count);
      line.lastByte = std::chrono::steady_clock::now();
      if (line.pending.size() > kMaxPending) line.pending.clear();
      continue;
    }
    if (count == 0) return !line.owned;  // a TCP client closed
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    // EIO on a pseudo-terminal nobody holds; the server keeps its side open, so this is rare.
    return !line.owned;
  }
}

bool LineServer::Send(const Line& line, std::span<const std::uint8_t> bytes) {
  // One write: a TCP master takes what one receive brings as the whole answer.
  std::size_t sent = 0;
  int spins = 0;
  while (sent < bytes.size() && spins < 100) {
    const ssize_t count = line.owned ? ::send(line.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                                     : ::write(line.fd, bytes.data() + sent, bytes.size() - sent);
    if (count > 0) {
      sent += static_cast<std::size_t>(count);
    } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
      ++spins;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      return false;
    }
  }
  return sent == bytes.size();
}

void LineServer::Reply(Line& line, std::vector<std::uint8_t> frame) {
  const Response response = bus_.Handle(frame, line.serial);
  SendResponse(line, response, response.bytes);
}

void LineServer::SendResponse(const Line& line, const Response& response, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  if (response.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(response.delayMs));
  // A repeated answer goes as writes of its own, so a master may take the first as the whole.
  for (int i = 0; i < response.repeats; ++i) {
    if (!Send(line, bytes)) return;
  }
}

void LineServer::ReplyMbap(Line& line, std::span<const std::uint8_t> adu) {
  const std::vector<std::uint8_t> request = RtuRequestOf(adu);
  if (request.empty()) return;
  // The unit id picks the controller as the slave address does on the other lines.
  const Response response = bus_.Handle(request, false, WireFaults::LeftToLine);
  SendResponse(line, response, MbapAnswerOf(response, MbapTransaction(adu)));
}

void LineServer::ServeMbapFrames(Line& line) {
  while (!line.pending.empty()) {
    const ScanResult scan = ScanMbap(line.pending);
    if (scan.status == ScanStatus::NeedMore) return;
    if (scan.status == ScanStatus::Unknown) {
      line.pending.clear();
      return;
    }
    const std::vector<std::uint8_t> adu(line.pending.begin(),
                                        line.pending.begin() + static_cast<std::ptrdiff_t>(scan.length));
    line.pending.erase(line.pending.begin(), line.pending.begin() + static_cast<std::ptrdiff_t>(scan.length));
    ReplyMbap(line, adu);
  }
}

void LineServer::ServeFrames(Line& line, bool quiet) {
  if (line.mbap) {
    ServeMbapFrames(line);
    return;
  }
  while (!line.pending.empty()) {
    const ScanResult scan = ScanFrame(line.pending, line.serial);
    if (scan.status == ScanStatus::Complete) {
      std::vector<std::uint8_t> frame(line.pending.begin(),
                                      line.pending.begin() + static_cast<std::ptrdiff_t>(scan.length));
      line.pending.erase(line.pending.begin(), line.pending.begin() + static_cast<std::ptrdiff_t>(scan.length));
      Reply(line, std::move(frame));
      continue;
    }
    if (!quiet) return;
    // The line fell quiet: whatever has come is the whole frame (an unknown function, or a
    // frame cut short on the way).
    std::vector<std::uint8_t> frame;
    frame.swap(line.pending);
    Reply(line, std::move(frame));
  }
}

void LineServer::AddPseudoTerminal(int masterFd, LinePacing pacing) {
  pacedLines_.push_back(std::make_unique<PacedLine>(masterFd, std::move(pacing)));
}

std::uint64_t LineServer::FramingViolations() const {
  std::uint64_t count = 0;
  for (const auto& line : pacedLines_) count += line->FramingViolations();
  return count;
}

bool LineServer::PacedLineFailed() const {
  return std::any_of(pacedLines_.begin(), pacedLines_.end(), [](const auto& line) { return line->Failed(); });
}

void LineServer::ServeOnce() {
  std::vector<pollfd> polled;
  if (listenFd_ >= 0) polled.push_back(pollfd{listenFd_, POLLIN, 0});
  if (mbapListenFd_ >= 0) polled.push_back(pollfd{mbapListenFd_, POLLIN, 0});
  bool waiting = false;
  for (const auto& line : lines_) {
    polled.push_back(pollfd{line.fd, POLLIN, 0});
    waiting = waiting || !line.pending.empty();
  }
  const int timeout = waiting ? 5 : 100;
  const int ready = ::poll(polled.data(), polled.size(), timeout);
  if (ready < 0 && errno != EINTR) throw std::runtime_error(SystemError("poll"));
  std::size_t index = 0;
  for (const auto& [listenFd, mbap] : {std::pair{listenFd_, false}, std::pair{mbapListenFd_, true}}) {
    if (listenFd < 0) continue;
    if (ready > 0 && (polled[index].revents & POLLIN)) Accept(listenFd, mbap);
    ++index;
  }
  const auto now = std::chrono::steady_clock::now();
  std::vector<Line> kept;
  const std::size_t existing = polled.size() - index;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    bool alive = true;
    if (i < existing && ready > 0 && (polled[index + i].revents & (POLLIN | POLLHUP | POLLERR))) {
      alive = ReadLine(line);
      // A pseudo-terminal that nobody holds reports a hang-up for ever; do not spin on it.
      if (!line.owned && (polled[index + i].revents & POLLHUP))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!alive) {
      ::close(line.fd);
      continue;
    }
    ServeFrames(line, !line.pending.empty() && now - line.lastByte >= kQuietGap);
    kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
}

void LineServer::Run(const std::atomic<bool>& stop) {
  {
    // The paced lines' threads are asked to stop and joined when this block ends, by a throw too.
    std::vector<std::jthread> paced;
    for (const auto& line : pacedLines_) {
      paced.emplace_back([this, &stop, line = line.get()](std::stop_token token) { line->Run(stop, token, bus_); });
    }
    while (!stop.load() && !PacedLineFailed()) ServeOnce();
  }
  for (auto& line : lines_) {
    if (line.owned) ::close(line.fd);
  }
  lines_.clear();
  for (const auto& line : pacedLines_) {
    if (line->Failure()) std::rethrow_exception(line->Failure());
  }
}

}  // namespace quillon::sim
