#pragma once
// The simulator's lines: a pseudo-terminal published as a symlink, and TCP listeners with any
// number of clients, one for RTU frames over TCP and one for MBAP (standard MODBUS TCP). One
// loop serves them all; each line collects bytes until a frame is
// complete and hands it to the controllers on the line. A pseudo-terminal paced like a real
// line is served apart, on a thread of its own (see paced_line.h), which Run starts and joins.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/controller.h"
#include "sim/frame_scanner.h"
#include "sim/paced_line.h"
#include "sim/sim_bus.h"

namespace quillon::sim {

// Owns a file descriptor.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A pseudo-terminal in raw mode. The simulator keeps the terminal side open itself, so the line
// stays usable while programs open and close it.
class PseudoTerminal {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  PseudoTerminal();
  int MasterFd() const { return master_.Get(); }
  // The terminal side, where the program's bit rate and framing can be read.
  int TerminalFd() const { return terminal_.Get(); }
  const std::string& DevicePath() const { return devicePath_; }

 private:
  FileHandle master_;
  FileHandle terminal_;
  std::string devicePath_;
};

// A symlink that points to `target` for as long as this object lives. A link that is already
// there and leads to an existing file is another program's line: that is an error, not
// something to overwrite. A dangling one is replaced. Throws std::runtime_error.
class PublishedLink {
 public:
  PublishedLink(std::string linkPath, const std::string& target);
  ~PublishedLink();
  PublishedLink(const PublishedLink&) = delete;
  PublishedLink& operator=(const PublishedLink&) = delete;

 private:
  std::string linkPath_;
  std::string target_;
};

// A listening TCP socket; throws std::runtime_error with the reason (a busy port, a bad
// address), naming the option that chose the port.
class TcpListener {
 public:
  TcpListener(const std::string& address, std::uint16_t port, const std::string& option = "--tcp");
  int Fd() const { return socket_.Get(); }
  std::uint16_t Port() const { return port_; }

 private:
  FileHandle socket_;
  std::uint16_t port_ = 0;
};

class LineServer {
 public:
  explicit LineServer(SimController& controller) : bus_(controller) {}
  // Every controller of the bus hears every line.
  explicit LineServer(SimBus bus) : bus_(std::move(bus)) {}

  // Bytes pass at once, whatever the bit rate.
  void AddPseudoTerminal(int masterFd) { AddLine(masterFd, {.serial = true, .owned = false}); }
  // Bytes take the time the line needs; MODBUS framing violations are counted.
  void AddPseudoTerminal(int masterFd, LinePacing pacing);
  void AddListener(int listenFd) { listenFd_ = listenFd; }
  // Its clients frame requests and answers with MBAP headers.
  void AddMbapListener(int listenFd) { mbapListenFd_ = listenFd; }

  // Serves until `stop` is set (checked at least every 100 ms). Throws what a line's serving
  // threw, once every line has stopped.
  void Run(const std::atomic<bool>& stop);
  std::size_t ClientCount() const;
  // Of every paced line since it was added; any thread may ask while Run runs.
  std::uint64_t FramingViolations() const;

 private:
  struct Line {
    int fd = -1;
    bool serial = false;
    bool owned = false;  // a TCP client, closed by the server
    bool mbap = false;   // a client of the MBAP listener
    std::vector<std::uint8_t> pending;
    std::chrono::steady_clock::time_point lastByte;
  };

  struct LineKind {
    bool serial = false;
    bool owned = false;  // a TCP client, closed by the server
    bool mbap = false;
  };
  void AddLine(int fd, LineKind kind);
  void ServeOnce();
  bool PacedLineFailed() const;
  void Accept(int listenFd, bool mbap);
  // false when the line is gone (a TCP client that closed).
  bool ReadLine(Line& line);
  void ServeFrames(Line& line, bool quiet);
  void Reply(Line& line, std::vector<std::uint8_t> frame);
  // Whole ADUs are answered; a header no request can have spoils the stream, which is dropped.
  void ServeMbapFrames(Line& line);
  void ReplyMbap(Line& line, std::span<const std::uint8_t> adu);
  void SendResponse(const Line& line, const Response& response, const std::vector<std::uint8_t>& bytes);
  // false when the line took not all of the bytes.
  static bool Send(const Line& line, std::span<const std::uint8_t> bytes);

  SimBus bus_;
  int listenFd_ = -1;
  int mbapListenFd_ = -1;
  std::vector<Line> lines_;
  std::vector<std::unique_ptr<PacedLine>> pacedLines_;
};

}  // namespace quillon::sim
