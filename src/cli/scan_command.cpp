// quillon-cli scan LINK [--from N] [--to N]: the device search of a MODBUS line, as the search
// window sweeps it, one line per slave that answered with its identification.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/commands.h"
#include "cli/link_command_args.h"
#include "device/link_status.h"
#include "link/buses.h"
#include "link/device_search.h"
#include "text/option_number.h"
#include "workspace/paths.h"

namespace quillon::cli {
namespace {

constexpr long long kFirstSlave = 1;
constexpr long long kLastSlave = 247;
// Far longer than one address takes (its pause, the wait for a first byte, a TCP reconnect
// attempt): a sweep that stops moving has lost its worker.
constexpr std::chrono::seconds kStepTimeout{8};

// The sweep's steps, handed over from the worker's thread.
class StepQueue {
 public:
  void Push(SweepStep step) {
    std::lock_guard lock(mutex_);
    steps_.push_back(std::move(step));
    arrived_.notify_one();
  }
  std::optional<SweepStep> Pop(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, limit, [this] { return !steps_.empty(); })) return std::nullopt;
    SweepStep step = std::move(steps_.front());
    steps_.pop_front();
    return step;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<SweepStep> steps_;
};

}  // namespace

int RunScanCommand(const Args& args, bool trace) {
  LinkCommandArgs parsed;
  long long from = kFirstSlave;
  long long to = kLastSlave;
  try {
    parsed = ParseLinkCommandArgs(args, {"--from", "--to"});
    if (parsed.Has("--from")) from = OptionNumber("--from", parsed.options["--from"], 1, 255);
    if (parsed.Has("--to")) to = OptionNumber("--to", parsed.options["--to"], 1, 255);
    if (from > to)
      throw std::invalid_argument("--from " + std::to_string(from) + " lies above --to " + std::to_string(to));
  } catch (const std::invalid_argument& error) {
    return UsageError(std::string("scan: ") + error.what());
  }
  if (parsed.link.Kind() == Protocol::QuBUS) {
    return UsageError("scan: the search asks MODBUS slaves: --bus \"MODBUS RTU\", \"MODBUS TCP\" or \"MODBUS TCP/IP\"");
  }
  if (const auto failed = FailedLinkCheck(parsed.link, LinkCheck::Identify)) return *failed;

  StepQueue steps;
  DeviceSweep sweep([&steps](SweepStep step) { steps.Push(std::move(step)); });
  sweep.Start(static_cast<std::uint8_t>(from), static_cast<unsigned>(to - from + 1));
  const bool showProgress = ::isatty(STDERR_FILENO) == 1;
  const unsigned total = static_cast<unsigned>(to - from + 1);
  unsigned asked = 0;
  unsigned found = 0;
  try {
    // Declared after the sweep, so it withdraws the record before the sweep goes.
    LinkSession session(parsed.link, Workspace().program, trace);
    session.Attach(sweep.Request());
    while (true) {
      const auto step = steps.Pop(kStepTimeout);
      if (!step) {
        sweep.Stop();
        if (showProgress) std::fputs("\r\x1b[K", stderr);
        return ReportLinkFailure(kNoAnswerMessage);
      }
      ++asked;
      if (step->found) {
        if (const auto device = ProcessFoundText(Workspace(), *step->found)) {
          ++found;
          // Both may go to one terminal: the progress line leaves room for the result.
          if (showProgress) std::fputs("\r\x1b[K", stderr);
          std::printf("%02X\t%s\t%s\n", static_cast<unsigned>(step->asked), device->id.c_str(),
                      device->noDeviceFile ? "NEW" : device->devicePath.c_str());
          std::fflush(stdout);
        }
      }
      if (showProgress) {
        std::fprintf(stderr, "\rпоиск: адрес %u, %u из %u, найдено %u ", static_cast<unsigned>(step->asked), asked,
                     total, found);
        std::fflush(stderr);
      }
      if (step->last) break;
    }
    session.Detach(sweep.Request());
  } catch (const LinkFailure& error) {
    if (showProgress) std::fputs("\r\x1b[K", stderr);
    return ReportLinkFailure(error.what());
  }
  if (showProgress) std::fputs("\r\x1b[K", stderr);
  return kExitDone;
}

}  // namespace quillon::cli
