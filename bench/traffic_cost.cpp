// What watching the traffic costs a line: one polling record (a scope window's: OneShot 0,
// DelayMs 1) reads the demo drive's RAM set over MODBUS RTU from the simulator on a
// pseudo-terminal, as poll_rate measures it, first with the hub's traffic tap off, then with it
// on and a reader thread draining it every 100 ms into a TrafficLog, as the traffic monitor
// does. Rounds of the two kinds take turns and each kind's median round counts, so that a stall
// of the machine or a drift of its load does not decide. It is measured twice: with the MODBUS
// silent interval the line keeps, and without it, where exchanges come fastest and the tap's
// share of each is largest. Goal: with the tap on, at least 0.98 of the answers per second
// without it, both times.
//
//   traffic_cost [--device FILE] [--seconds S] [--smoke]
//
// S is the time of all rounds together (default 20).
//
// The exit status is 3 when the goal is missed; --smoke measures briefly and checks no goal.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/spans.h"
#include "link/traffic_log.h"
#include "link/traffic_tap.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/line_server.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace {

using namespace quillon;
using bench::Clock;
using Seconds = std::chrono::duration<double>;

constexpr double kGoal = 0.98;
constexpr auto kDrainInterval = std::chrono::milliseconds(100);
const char* const kPort = "BENCH";

struct Settings {
  std::string device = std::string(QUILLON_SOURCE_DIR) + "/demo/Devices/TK3/1027.ini";
  double seconds = 20.0;  // every round of both measurements together
  int rounds = 7;         // of each kind
  bool smoke = false;
};

// The MODBUS read a scope window polling the device's RAM set sends, and its answer's length.
std::vector<std::uint8_t> PollFrame(const std::string& device, std::size_t& answerLength) {
  TViewList list;
  std::vector<std::uint8_t> image(kImageSize);
  for (const auto& line : ReadParameterSection(device, "RAM")) CreateVariable(line, "", image, list);
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  std::uint16_t start = 0, end = 0;
  int odd = 0;
  MODBUSSpan(list, start, end, odd);
  BuildMODBUSRead("1", start, end, frame, length);
  answerLength = 5 + 2 * std::size_t(end - start);
  return {frame, frame + length};
}

// A record that asks again as soon as it is answered, counting good answers.
struct Poller {
  TLinkRequest request;
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(4096);
  std::size_t expected = 0;
  std::atomic<long> answers{0};
  std::atomic<long> bad{0};

  Poller(std::vector<std::uint8_t> bytes, std::size_t expectedLength)
      : frame(std::move(bytes)), expected(expectedLength) {
    request.RequestBuf = frame.data();
    request.RequestLen = static_cast<std::uint32_t>(frame.size());
    request.AnswerBuf = answer.data();
    request.AnswerCapacity = answer.size();
    request.OneShot = false;
    request.DelayMs = 1;
    request.OnAnswer = [this](TLinkRequest& served) {
      (served.AnswerLen.load() == expected ? answers : bad)++;
      served.Busy = false;
    };
  }
};

// The traffic monitor's side: while it lives the tap is on and drained every 100 ms into a log.
class Reader {
 public:
  explicit Reader(TrafficTap& tap) : tap_(tap) {
    tap_.SetEnabled(true);
    thread_ = std::thread([this] { Run(); });
  }
  ~Reader() { Stop(); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Ends the reading: the tap off, then what it still held taken too. Every frame logged.
  std::uint64_t Stop() {
    if (thread_.joinable()) {
      {
        std::lock_guard lock(mutex_);
        stop_ = true;
      }
      wake_.notify_one();
      thread_.join();
      tap_.SetEnabled(false);
      frames_ += tap_.Drain([this](const TrafficFrame& frame) { log_.Append(frame); });
    }
    return frames_;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, kDrainInterval, [this] { return stop_; })) {
      frames_ += tap_.Drain([this](const TrafficFrame& frame) { log_.Append(frame); });
    }
  }

  TrafficTap& tap_;
  TrafficLog log_;
  std::uint64_t frames_ = 0;  // the reader thread's until it is joined
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// Answers per second over one round of `seconds`.
double Round(const Poller& poller, double seconds) {
  const long before = poller.answers.load();
  const auto start = Clock::now();
  std::this_thread::sleep_for(Seconds(seconds));
  const double elapsed = Seconds(Clock::now() - start).count();
  return static_cast<double>(poller.answers.load() - before) / elapsed;
}

struct Outcome {
  std::vector<double> off, on;  // answers per second of each round
  std::uint64_t logged = 0;     // frames the reader took while the tap was on
  long answeredOn = 0;
  long wrong = 0;
  std::uint64_t dropped = 0;
};

// Rounds with the tap off and on in turn, the MODBUS silent interval kept or not (without it the
// exchanges come fastest, and the tap's share of each is largest).
Outcome Measure(const Settings& settings, const std::string& dir, bool silentInterval) {
  LinkHub hub(dir);
  hub.Serial().SetTimings(hub.TimingsFor(kPort));
  hub.Serial().SetSilentInterval(silentInterval);
  if (hub.Serial().OpenPortWorker(kPort) < 0) throw std::runtime_error("cannot open the simulator's line");
  hub.Serial().ConfigurePort(kPort, 115200, 8);
  std::size_t answerLength = 0;
  std::vector<std::uint8_t> frame = PollFrame(settings.device, answerLength);
  Poller poller(std::move(frame), answerLength);
  hub.Serial().LockPort(kPort);
  hub.Serial().AddRequest(kPort, &poller.request);
  hub.Serial().UnlockPort(kPort);
  std::this_thread::sleep_for(Seconds(0.3));

  const double roundSeconds = settings.seconds / (4.0 * settings.rounds);
  Outcome outcome;
  for (int round = 0; round < settings.rounds; ++round) {
    outcome.off.push_back(Round(poller, roundSeconds));
    const long before = poller.answers.load();
    Reader reader(hub.Traffic());
    outcome.on.push_back(Round(poller, roundSeconds));
    outcome.answeredOn += poller.answers.load() - before;
    outcome.logged += reader.Stop();
  }
  hub.Serial().RemoveRequest(kPort, &poller.request);
  outcome.wrong = poller.bad.load();
  outcome.dropped = hub.Traffic().Dropped();
  return outcome;
}

// Prints the figures; whether the goal was met.
bool Report(const char* name, const Outcome& outcome) {
  const double offRate = bench::Median(outcome.off);
  const double onRate = bench::Median(outcome.on);
  const double ratio = offRate > 0 ? onRate / offRate : 0.0;
  std::printf("%s, %zu + %zu rounds, %ld wrong answers\n", name, outcome.off.size(), outcome.on.size(), outcome.wrong);
  std::printf("  tap off:                       %8.1f answers/s (median)\n", offRate);
  std::printf("  tap on, drained every 100 ms:  %8.1f answers/s (median)\n", onRate);
  std::printf("  on / off:                      %8.3f (goal at least %.2f)\n", ratio, kGoal);
  std::printf("  frames logged while on: %llu for %ld answers; dropped by the tap: %llu\n",
              static_cast<unsigned long long>(outcome.logged), outcome.answeredOn,
              static_cast<unsigned long long>(outcome.dropped));
  return ratio >= kGoal;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--smoke") {
      settings.smoke = true;
      settings.seconds = 1.0;
      settings.rounds = 1;
    } else if (option == "--device" && i + 1 < argc) {
      settings.device = argv[++i];
    } else if (option == "--seconds" && i + 1 < argc) {
      settings.seconds = ReadReal(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: traffic_cost [--device FILE] [--seconds S] [--smoke]\n");
      return 2;
    }
  }
  try {
    bench::PrintMachine("traffic_cost");
    sim::ControllerOptions options;
    sim::DeviceImage image = sim::LoadDeviceImage(settings.device);
    options.id = image.id;
    sim::SimController controller(std::move(image), options);
    bench::ScratchDir dir("traffic-cost");
    sim::PseudoTerminal pty;
    sim::PublishedLink link(dir.Path() + "Ports/" + kPort, pty.DevicePath());
    sim::LineServer server(controller);
    server.AddPseudoTerminal(pty.MasterFd());
    std::atomic<bool> stop{false};
    std::thread serving([&] { server.Run(stop); });
    const Outcome kept = Measure(settings, dir.Path(), true);
    const Outcome fastest = Measure(settings, dir.Path(), false);
    bool met = Report("MODBUS RTU (pty), silent interval kept", kept);
    met = Report("MODBUS RTU (pty), silent interval off", fastest) && met;
    stop = true;
    serving.join();
    std::printf("load average at the end: %s\n", bench::LoadAverage().c_str());
    if (settings.smoke) {
      std::printf("smoke run: goal not checked\n");
      return kept.logged > 0 && fastest.logged > 0 ? 0 : 1;
    }
    std::printf(met ? "goal met\n" : "goal MISSED\n");
    return met ? 0 : 3;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "traffic_cost: %s\n", error.what());
    return 1;
  }
}
