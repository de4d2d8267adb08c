#pragma once
// A pseudo-terminal served at the pace of a real RS-485 line. A pseudo-terminal moves bytes at
// once whatever the bit rate, so a program tested on one never meets the time its frames take;
// here each byte, in both directions, takes the time the line needs at the bit rate and framing
// the program set on its side, and MODBUS requests that do not keep the silent interval are
// counted.
//
// The line runs on a thread of its own (LineServer starts it), so that TCP clients never wait
// behind its deadlines and it is never late because of them. Deadlines are absolute; the thread
// sleeps towards them and spins the last stretch, since a sleeper wakes tens of microseconds
// late and a character lasts 87 microseconds at 115,200 Bd.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "sim/line_pacing.h"
#include "sim/sim_bus.h"

namespace quillon::sim {

// How a pseudo-terminal is paced.
struct LinePacing {
  // The terminal side (not owned): the bit rate and framing are read from it at every request.
  int terminalFd = -1;
  // The controller's processing time between a request's last byte and its answer's first.
  std::chrono::milliseconds turnaround{0};
  // Called with one line per framing violation when set (verbose mode); on the line's thread.
  std::function<void(const std::string&)> Log;
};

class PacedLine {
 public:
  // `masterFd` (not owned, non-blocking) is the simulator's side of the pseudo-terminal.
  PacedLine(int masterFd, LinePacing pacing) : masterFd_(masterFd), pacing_(std::move(pacing)) {}
  PacedLine(const PacedLine&) = delete;
  PacedLine& operator=(const PacedLine&) = delete;

  // Serves until `stop` is set or `token` asks it to end. The bus is shared with the server's
  // other lines; its controllers lock themselves. Whatever the serving throws is kept for
  // Failure() and ends the run.
  void Run(const std::atomic<bool>& stop, std::stop_token token, SimBus& bus);
  bool Failed() const { return failed_.load(); }
  // Read only after Run has returned.
  std::exception_ptr Failure() const { return failure_; }

  // Any thread.
  std::uint64_t FramingViolations() const { return violations_.load(); }

 private:
  struct PendingByte {
    std::uint8_t value = 0;
    LineTimePoint seen;
    LineTimePoint arrived;
  };
  struct Handover {
    std::size_t length = 0;
    LineTimePoint end;  // its last byte's arrival
    LineTimePoint at;   // when the controllers get it: at its end, or after the quiet gap
  };

  void Serve(const std::atomic<bool>& stop, const std::stop_token& token, SimBus& bus);
  LineTimePoint NextDeadline(LineTimePoint now) const;
  // The frame at the head of the pending bytes and when it goes to the controllers: when its
  // last byte has arrived, or once the line has stayed quiet when its length cannot be told.
  std::optional<Handover> PendingFrame() const;
  void Read();
  void HandOver(LineTimePoint now, SimBus& bus);
  // `taken`: when the controllers took the request.
  void Answer(std::vector<std::uint8_t> frame, LineTimePoint taken, SimBus& bus);
  void Release();
  void Report(const std::vector<std::uint8_t>& frame, const RequestStart& start);

  int masterFd_;
  LinePacing pacing_;
  // Until then the terminal is watched without sleeping: a request is expected.
  LineTimePoint watchUntil_{};
  ReceiveClock receive_;
  AnswerQueue answers_;
  LineHistory history_;
  std::vector<PendingByte> pending_;
  RequestStart start_;  // of the frame at the head of pending_
  std::atomic<std::uint64_t> violations_{0};
  std::atomic<bool> failed_{false};
  std::exception_ptr failure_;
};

}  // namespace quillon::sim
