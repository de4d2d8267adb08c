// How close the program comes to what a serial line allows, on a simulator that takes the line's
// own time for every byte (quillon-sim --line): a pseudo-terminal alone moves bytes at once, and
// then the figures say nothing about a real RS-485 line.
//
// At 9,600, 19,200 and 115,200 Bd, for QuBUS and MODBUS RTU, one scope session polls the demo
// drive's RAM set. The line limit of one exchange is its request and answer bytes at 10 bits a
// byte, plus the MODBUS silent interval; the session must reach 0.97 of it. With the silent
// interval switched off, MODBUS RTU is compared with libmodbus reading the same registers in its
// tightest loop on the same line (goal: at least as fast). Eight sessions on addresses 1 to 8 of
// one line at 115,200 Bd must together reach 0.95 of the limit, each within 10 % of their mean,
// without a framing violation, while a parameter read of address 1 goes out before the next
// poll. A 1 MB file read from the memory card at 115,200 Bd must reach 0.9 of the payload the
// line carries (230 bytes an exchange).
//
//   line_rate [--seconds S] [--smoke] [--part polls|shared|card]... [--baud N]
//
// The exit status is 3 when a goal is missed; --smoke measures briefly and checks no goal.
// --part and --baud narrow a run down to some of the measurements (polls at one rate).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "e2e/e2e_processes.h"
#include "line_peers.h"
#include "link/answer_end.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/line_timing.h"
#include "link/link_hub.h"
#include "scope/scope_device.h"
#include "scope/scope_session.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace {

using namespace quillon;
using bench::Clock;
using Seconds = std::chrono::duration<double>;

const std::string kDemoDevice = e2e::kSource + "/demo/Devices/TK3/1027.ini";
const std::vector<unsigned> kRates = {9600, 19200, 115200};
constexpr unsigned kBitsPerByte = 10;  // the workers' 8N1
constexpr int kLines = 8;
constexpr std::size_t kCardBlock = 230;

struct Options {
  double seconds = 5.0;
  bool smoke = false;
  // Parts to measure (all of them when empty): "polls", "shared", "card"; and the rates.
  std::vector<std::string> parts;
  std::vector<unsigned> rates = kRates;

  bool Measures(const std::string& part) const {
    return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
  }
};

struct Goal {
  std::string what;
  double measured = 0;
  double limit = 0;
  bool atMost = false;  // the limit is a ceiling, not a floor
  bool Met() const { return atMost ? measured <= limit : measured >= limit; }
};

class Goals {
 public:
  void AtLeast(std::string what, double measured, double limit) {
    goals_.push_back({std::move(what), measured, limit, false});
  }
  void AtMost(std::string what, double measured, double limit) {
    goals_.push_back({std::move(what), measured, limit, true});
  }
  // Prints every goal; the number missed.
  int Report() const {
    int missed = 0;
    std::printf("\nGoals:\n");
    for (const Goal& goal : goals_) {
      std::printf("  %-58s %8.3f (%s %.2f)  %s\n", goal.what.c_str(), goal.measured,
                  goal.atMost ? "at most" : "at least", goal.limit, goal.Met() ? "met" : "MISSED");
      missed += goal.Met() ? 0 : 1;
    }
    return missed;
  }

 private:
  std::vector<Goal> goals_;
};

// A workspace of its own with the simulator's line at Ports/LINE.
struct Bench {
  bench::ScratchDir dir{"line-rate"};
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  std::string Port() const { return dir.Path() + "Ports/LINE"; }

  std::unique_ptr<e2e::Simulator> StartSimulator(std::vector<std::string> extra) const {
    std::vector<std::string> args = {"--device", kDemoDevice, "--pty", Port(), "--line"};
    args.insert(args.end(), extra.begin(), extra.end());
    auto sim = std::make_unique<e2e::Simulator>(args);
    if (!sim->Ready()) throw std::runtime_error("the simulator did not start: " + sim->Proc().Errors());
    return sim;
  }
};

// The framing violations the simulator counted, once it has ended.
long StopSimulator(e2e::Simulator& sim) {
  sim.Proc().Stop();
  return bench::FramingViolations(sim.Proc().Output());
}

TBaseProperty SessionSettings(const std::string& protocol, unsigned baud, int slave) {
  TBaseProperty settings;
  settings.DevicePath = kDemoDevice;
  settings.Protocol = protocol;
  settings.MemArea = "RAM";
  settings.PortName = "LINE";
  settings.Baud = std::to_string(baud);
  settings.FrameEnd = "8";
  settings.SlaveAddr = std::to_string(slave);
  return settings;
}

// A scope session of the demo drive's whole RAM set behind a time mark, as a scope window polls
// it, counting the samples it takes.
struct CountedSession {
  std::shared_ptr<ScopeSession> session;
  // How many samples so far and when the last one came; rates are taken between two samples,
  // so that a slow line's rate is not rounded to whole samples of the measuring window.
  struct Tally {
    long samples = 0;
    Clock::time_point last;
  };
  Tally Now() {
    std::lock_guard lock(guard);
    return tally;
  }
  std::mutex guard;
  Tally tally;

  // false when any step fails.
  bool Start(LinkHub& hub, const WorkspacePaths& paths, TBaseProperty settings) {
    session = std::make_shared<ScopeSession>(hub);
    std::vector<std::string> names;
    for (int key = 1; key <= 11; ++key) names.push_back("r" + std::to_string(key) + " ");
    if (OpenDeviceFromList(settings, names, "", session->list, session->image, paths).status !=
        ScopeDeviceStatus::Built)
      return false;
    auto mark = std::make_unique<TTimeMark>();
    mark->Owner = &session->list;
    mark->AttachMarkFlags(session->poll.TickByte());
    session->list.Variables.insert(session->list.Variables.begin(), std::move(mark));
    auto sample = session->poll.AfterSample;
    session->poll.AfterSample = [this, sample] {
      if (sample) sample();
      std::lock_guard lock(guard);
      ++tally.samples;
      tally.last = Clock::now();
    };
    return session->poll.PreparePoll(settings) && session->RegisterPoll(settings) == ScopeRegistration::Polling;
  }
  void Stop() {
    if (session) session->Withdraw(true);
  }

  // The line time of one exchange at `baud`, with the MODBUS silent interval where it applies.
  double ExchangeSeconds(unsigned baud) {
    TLinkRequest& record = session->poll.PollRecord();
    const AnswerEnd shape = AnswerEnd::ForRequest(record.RequestBuf, record.RequestLen);
    const std::size_t bytes = record.RequestLen + shape.ExpectedLength().value_or(0);
    auto time = LineTime(bytes, baud);
    if (shape.IsMODBUS()) time += MODBUSSilentInterval(baud);
    return std::chrono::duration<double>(time).count();
  }
};

// The machine's other work stalls a run now and then for milliseconds, which the line's limit
// does not know about: a measurement is taken in rounds and the round of the median total rate
// counts (every program in the comparison is measured the same way).
constexpr int kRounds = 5;

// Samples per second of each session in one round of `seconds`; the total.
double MeasureRound(const std::vector<CountedSession*>& sessions, double seconds, std::vector<double>& each) {
  std::vector<CountedSession::Tally> before;
  for (auto* counted : sessions) before.push_back(counted->Now());
  std::this_thread::sleep_for(Seconds(seconds));
  double total = 0;
  each.clear();
  for (std::size_t i = 0; i < sessions.size(); ++i) {
    const CountedSession::Tally after = sessions[i]->Now();
    const double elapsed = Seconds(after.last - before[i].last).count();
    each.push_back(elapsed > 0 ? static_cast<double>(after.samples - before[i].samples) / elapsed : 0.0);
    total += each.back();
  }
  return total;
}

// The median round of kRounds over about `seconds`, after a short start: its total and, in
// `each`, its sessions' rates.
double MeasureRate(const std::vector<CountedSession*>& sessions, double seconds, std::vector<double>& each) {
  std::this_thread::sleep_for(Seconds(std::min(0.5, seconds / 4)));
  std::vector<std::pair<double, std::vector<double>>> rounds;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<double> rates;
    const double total = MeasureRound(sessions, seconds / kRounds, rates);
    rounds.emplace_back(total, std::move(rates));
  }
  std::sort(rounds.begin(), rounds.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  each = rounds[kRounds / 2].second;
  return rounds[kRounds / 2].first;
}

void PrintRate(const std::string& name, double rate, double exchangeSeconds, long violations) {
  const double limit = 1.0 / exchangeSeconds;
  std::printf("%-40s %8.1f answers/s  limit %8.1f/s (%.3f ms each)  ratio %.3f  framing violations %ld\n", name.c_str(),
              rate, limit, exchangeSeconds * 1000, rate / limit, violations);
}

// One session of `protocol` at `baud`; with `silentInterval` off, also libmodbus on the line.
void PollOneSession(const Options& options, Goals& goals, const std::string& protocol, unsigned baud,
                    bool silentInterval) {
  Bench bench;
  auto sim = bench.StartSimulator({});
  LinkHub hub(bench.dir.Path());
  hub.Serial().SetSilentInterval(silentInterval);
  CountedSession counted;
  if (!counted.Start(hub, bench.paths, SessionSettings(protocol, baud, 1)))
    throw std::runtime_error(protocol + " at " + std::to_string(baud) + " Bd: the session did not start");
  std::vector<double> each;
  const double rate = MeasureRate({&counted}, options.seconds, each);
  const double exchange = counted.ExchangeSeconds(baud);
  const std::vector<std::uint8_t> frame(counted.session->poll.PollRecord().RequestBuf,
                                        counted.session->poll.PollRecord().RequestBuf + 6);
  counted.Stop();
  const std::string name =
      protocol + " " + std::to_string(baud) + " Bd" + (silentInterval ? "" : ", no silent interval");
  if (silentInterval) {
    PrintRate(name, rate, exchange, StopSimulator(*sim));
    goals.AtLeast(name + ": of the line limit", rate * exchange, 0.97);
    return;
  }
  // The same registers, read by libmodbus on the same line once the program has let go of it.
  const int first = frame[2] << 8 | frame[3];
  const int count = frame[4] << 8 | frame[5];
  const auto peer = bench::PollWithLibmodbus(sim->PtyPath(), baud, 1, first, count, options.seconds, kRounds);
  const long violations = StopSimulator(*sim);
  PrintRate(name, rate, exchange - std::chrono::duration<double>(MODBUSSilentInterval(baud)).count(), violations);
  if (!peer.error.empty()) throw std::runtime_error("libmodbus: " + peer.error);
  std::printf("  libmodbus, tight loop: %8.1f answers/s (%ld failed); program / libmodbus %.3f\n",
              peer.answersPerSecond, peer.failures, rate / peer.answersPerSecond);
  goals.AtLeast(name + ": program / libmodbus", rate / peer.answersPerSecond, 1.0);
}

// A parameter read of address 1, as the main window sends it, while the line is shared.
struct ParameterRead {
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(256);
  TLinkRequest record;
  std::atomic<bool> answered{false};
  Clock::time_point answeredAt;

  explicit ParameterRead(std::uint16_t firstRegister) {
    std::uint8_t bytes[kMaxFrameLength];
    int length = 0;
    BuildMODBUSRead("1", firstRegister, static_cast<std::uint16_t>(firstRegister + 2), bytes, length);
    frame.assign(bytes, bytes + length);
    record.RequestBuf = frame.data();
    record.RequestLen = static_cast<std::uint32_t>(frame.size());
    record.AnswerBuf = answer.data();
    record.AnswerCapacity = answer.size();
    record.OneShot = true;
    record.DelayMs = 200;
    record.OnAnswer = [this](TLinkRequest&) {
      answeredAt = Clock::now();
      answered = true;
    };
  }
};

// Eight sessions on addresses 1 to 8 of one line at 115,200 Bd, and a parameter read meanwhile.
void ShareOneLine(const Options& options, Goals& goals) {
  constexpr unsigned kBaud = 115200;
  Bench bench;
  auto sim = bench.StartSimulator({"--addr", "1-" + std::to_string(kLines)});
  LinkHub hub(bench.dir.Path());
  std::vector<std::unique_ptr<CountedSession>> sessions;
  std::vector<CountedSession*> counted;
  for (int slave = 1; slave <= kLines; ++slave) {
    sessions.push_back(std::make_unique<CountedSession>());
    if (!sessions.back()->Start(hub, bench.paths, SessionSettings("MODBUS RTU", kBaud, slave)))
      throw std::runtime_error("session " + std::to_string(slave) + " did not start");
    counted.push_back(sessions.back().get());
  }
  std::vector<double> each;
  const double total = MeasureRate(counted, options.seconds, each);
  // The read goes in while every session polls; its own delay holds the line, the wait before
  // it goes out must not.
  ParameterRead read(0x0100);
  const auto asked = Clock::now();
  hub.Serial().AddRequest("LINE", &read.record);
  const auto deadline = asked + std::chrono::seconds(3);
  while (!read.answered.load() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const bool answered = read.answered.load();
  for (auto& session : sessions) session->Stop();
  hub.Serial().RemoveRequest("LINE", &read.record);
  const long violations = StopSimulator(*sim);

  const double exchange = sessions.front()->ExchangeSeconds(kBaud);
  PrintRate("MODBUS RTU 115200 Bd, 8 sessions together", total, exchange, violations);
  const double mean = total / kLines;
  double spread = 0;
  for (int i = 0; i < kLines; ++i) {
    std::printf("  address %d: %8.1f answers/s (%+.1f %% of the mean)\n", i + 1, each[i], (each[i] / mean - 1) * 100);
    spread = std::max(spread, std::abs(each[i] / mean - 1));
  }
  const double round = kLines / total;  // seconds of one polling round
  const double wait = answered ? Seconds(read.answeredAt - asked).count() - read.record.DelayMs / 1000.0 : 1e9;
  std::printf(
      "  parameter read of address 1: answered %.1f ms after it was asked, %.1f ms of them its own delay;\n"
      "  the rest is %.2f polling rounds of %.2f ms\n",
      answered ? Seconds(read.answeredAt - asked).count() * 1000 : -1.0, read.record.DelayMs * 1.0, wait / round,
      round * 1000);
  goals.AtLeast("8 sessions at 115200 Bd: together, of the line limit", total * exchange, 0.95);
  goals.AtMost("8 sessions: the largest distance from their mean", spread, 0.10);
  goals.AtMost("8 sessions: framing violations", static_cast<double>(violations), 0);
  goals.AtMost("8 sessions: polling rounds before the read's answer", wait / round, 2);
}

// A file read from the card at 115,200 Bd through quillon-cli, against the payload the line
// carries: 230 bytes an exchange.
void DownloadFromTheCard(const Options& options, Goals& goals) {
  constexpr unsigned kBaud = 115200;
  const std::string name = "bench.bin";
  const std::size_t size = options.smoke ? 20 * kCardBlock : 1024 * 1024;
  Bench bench;
  const std::string card = bench.dir.Path() + "card";
  std::filesystem::create_directories(card);
  std::string content(size, '\0');
  std::mt19937 random(7);
  for (char& byte : content) byte = static_cast<char>(random());
  std::ofstream(card + "/" + name, std::ios::binary) << content;
  auto sim = bench.StartSimulator({"--card", card});
  const std::string out = bench.dir.Path() + "got.bin";
  const auto start = Clock::now();
  const auto result =
      quillon::testing::RunProgram({e2e::kCli, "--workspace", bench.dir.Path(), "card", "--bus", "MODBUS RTU", "--port",
                                    "LINE", "--baud", std::to_string(kBaud), "get", name, "--out", out},
                                   std::chrono::minutes(10));
  const double elapsed = Seconds(Clock::now() - start).count();
  const long violations = StopSimulator(*sim);
  if (result.exitCode != 0 || quillon::testing::FileBytes(out) != content)
    throw std::runtime_error("the card download failed: " + result.out + result.err);
  const std::size_t request = 2 + 4 + name.size() + 1 + 2;
  const std::size_t answer = 3 + kCardBlock + 2;
  const double exchange = Seconds(LineTime(request + answer, kBaud) + MODBUSSilentInterval(kBaud)).count();
  const double limit = kCardBlock / exchange;
  const double rate = static_cast<double>(size) / elapsed;
  std::printf(
      "card download of %zu bytes at 115200 Bd: %.1f s, %.0f bytes/s, payload limit %.0f bytes/s, ratio %.3f,"
      " framing violations %ld\n",
      size, elapsed, rate, limit, rate / limit, violations);
  goals.AtLeast("card download at 115200 Bd: of the payload limit", rate / limit, 0.9);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      options.seconds = std::atof(argv[++i]);
    } else if (arg == "--smoke") {
      options.smoke = true;
      options.seconds = 0.3;
    } else if (arg == "--part" && i + 1 < argc) {
      options.parts.push_back(argv[++i]);
    } else if (arg == "--baud" && i + 1 < argc) {
      options.rates = {static_cast<unsigned>(std::atoi(argv[++i]))};
    } else {
      std::fprintf(stderr, "usage: line_rate [--seconds S] [--smoke] [--part polls|shared|card]... [--baud N]\n");
      return 2;
    }
  }
  bench::PrintMachine("line_rate");
  Goals goals;
  try {
    for (unsigned baud : options.Measures("polls") ? options.rates : std::vector<unsigned>{}) {
      for (const char* protocol : {"QuBUS", "MODBUS RTU"}) PollOneSession(options, goals, protocol, baud, true);
      PollOneSession(options, goals, "MODBUS RTU", baud, false);
    }
    if (options.Measures("shared")) ShareOneLine(options, goals);
    if (options.Measures("card")) DownloadFromTheCard(options, goals);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "line_rate: %s\n", error.what());
    return 1;
  }
  const int missed = goals.Report();
  if (options.smoke) {
    std::printf("smoke run: goals not checked\n");
    return 0;
  }
  return missed > 0 ? 3 : 0;
}
