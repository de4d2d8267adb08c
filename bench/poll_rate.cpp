// How fast a polling record (a scope window's: OneShot 0, DelayMs 1) is served by the program's
// port workers against the simulated controller, over a pseudo-terminal and over TCP, with the
// fast frame end on and off, compared with what the link allows. The link limit of one exchange
// is measured in the same run, on a plain descriptor talking to the same simulator:
//   serial, fast frame end:    delay + the round trip of one request (+ the MODBUS silent interval)
//   serial, classic frame end: delay + the round trip + the frame-end pause
//   TCP:                       delay + the round trip
// A pseudo-terminal moves bytes at once whatever the baud rate, so no line time is added.
// When `mbpoll` is installed, its fastest loop (-l 10) reads the same registers on the same
// terminal for comparison.
//
//   poll_rate [--device FILE] [--seconds S] [--baud N] [--fe MS]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/answer_end.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/line_timing.h"
#include "link/spans.h"
#include "link/tcp_connection.h"
#include "link/tcpip_list.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/line_server.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "workspace/device_file.h"

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

constexpr double kPollDelayMs = 1.0;

struct Settings {
  std::string device = std::string(QUILLON_SOURCE_DIR) + "/demo/Devices/TK3/1027.ini";
  double seconds = 3.0;
  unsigned baud = 115200;
  unsigned frameEndMs = 8;
};

// The frames a scope window polling the device's RAM set would send.
struct PollFrames {
  std::vector<std::uint8_t> qubus;
  std::vector<std::uint8_t> modbus;
  std::size_t qubusAnswer = 0;
  std::size_t modbusAnswer = 0;
  std::uint16_t firstRegister = 0;
  std::uint16_t registers = 0;
};

PollFrames MakeFrames(const std::string& device) {
  TViewList list;
  std::vector<std::uint8_t> image(kImageSize);
  for (const auto& line : ReadParameterSection(device, "RAM")) CreateVariable(line, "", image, list);
  PollFrames frames;
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  std::uint16_t start = 0, end = 0;
  QuBUSSpan(list, start, end);
  BuildQuBUSRead(&list, "RAM", start, end, frame, length);
  frames.qubus.assign(frame, frame + length);
  frames.qubusAnswer = frame[5];
  int odd = 0;
  MODBUSSpan(list, start, end, odd);
  BuildMODBUSRead("1", start, end, frame, length);
  frames.modbus.assign(frame, frame + length);
  frames.firstRegister = start;
  frames.registers = static_cast<std::uint16_t>(end - start);
  frames.modbusAnswer = 5 + 2 * std::size_t{frames.registers};
  return frames;
}

// A record that asks again as soon as it is answered, counting good answers.
struct Poller {
  TLinkRequest request;
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(4096);
  std::atomic<long> answers{0};
  std::atomic<long> bad{0};
  std::size_t expected = 0;

  explicit Poller(std::vector<std::uint8_t> bytes, std::size_t expectedLen)
      : frame(std::move(bytes)), expected(expectedLen) {
    request.AnswerBuf = answer.data();
    request.AnswerCapacity = answer.size();
    request.RequestBuf = frame.data();
    request.RequestLen = static_cast<std::uint32_t>(frame.size());
    request.OneShot = false;
    request.DelayMs = static_cast<std::uint32_t>(kPollDelayMs);
    request.OnAnswer = [this](TLinkRequest& served) {
      (served.AnswerLen.load() == expected ? answers : bad)++;
      served.Busy = false;
    };
  }
  double Rate(double seconds) const { return static_cast<double>(answers.load()) / seconds; }
};

void Report(const std::string& name, double rate, long wrong, double limitMs) {
  const double limit = 1000.0 / limitMs;
  std::printf("%-34s %8.1f answers/s  (%ld wrong)  limit %7.1f/s (%.3f ms each)  ratio %.2f\n", name.c_str(), rate,
              wrong, limit, limitMs, rate / limit);
}

// Request after request on a plain descriptor, each read until the whole answer is in: the time
// of one exchange without any worker, delay or pause.
double MeasureRoundTripMs(int fd, const std::vector<std::uint8_t>& frame, std::size_t answerLen) {
  constexpr int kRounds = 200;
  std::uint8_t buffer[512];
  const auto start = Clock::now();
  for (int i = 0; i < kRounds; ++i) {
    if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return 0.0;
    std::size_t got = 0;
    while (got < answerLen) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, 500) <= 0) return 0.0;
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) return 0.0;
      got += static_cast<std::size_t>(n);
    }
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kRounds;
}

double MeasurePtyRoundTripMs(const std::string& path, const std::vector<std::uint8_t>& frame, std::size_t answerLen) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0.0;
  termios settings{};
  ::tcgetattr(fd, &settings);
  ::cfmakeraw(&settings);
  ::tcsetattr(fd, TCSANOW, &settings);
  ::tcflush(fd, TCIOFLUSH);
  const double ms = MeasureRoundTripMs(fd, frame, answerLen);
  ::close(fd);
  return ms;
}

double MeasureTcpRoundTripMs(std::uint16_t port, const std::vector<std::uint8_t>& frame, std::size_t answerLen) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  double ms = 0.0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    ms = MeasureRoundTripMs(fd, frame, answerLen);
  ::close(fd);
  return ms;
}

// Polls the simulator's terminal for the configured time with the fast frame end on or off;
// returns the rate of good answers.
double PollSerial(const std::string& name, const std::string& programDir, const std::vector<std::uint8_t>& frame,
                  std::size_t answerLen, const Settings& settings, bool fastFrameEnd, double roundTripMs) {
  TCommList ports(programDir);
  ports.SetTimings(SerialTimings::None());
  ports.SetFastFrameEnd(fastFrameEnd);
  if (ports.OpenPortWorker("BENCH") < 0) {
    std::printf("%s: cannot open the simulator's line\n", name.c_str());
    return 0.0;
  }
  ports.ConfigurePort("BENCH", settings.baud, settings.frameEndMs);
  Poller poller(frame, answerLen);
  ports.LockPort("BENCH");
  ports.AddRequest("BENCH", &poller.request);
  ports.UnlockPort("BENCH");
  std::this_thread::sleep_for(std::chrono::duration<double>(settings.seconds));
  ports.RemoveRequest("BENCH", &poller.request);
  // A MODBUS request waits out the silent interval after the last byte of the answer before it,
  // which the classic frame end's pause already covers.
  const bool modbus = AnswerEnd::ForRequest(frame.data(), frame.size()).IsMODBUS();
  const double silentMs =
      modbus ? std::chrono::duration<double, std::milli>(MODBUSSilentInterval(settings.baud)).count() : 0.0;
  const double pauseMs = fastFrameEnd ? silentMs : std::max<double>(settings.frameEndMs, silentMs);
  const double limitMs = kPollDelayMs + roundTripMs + pauseMs;
  const double rate = poller.Rate(settings.seconds);
  Report(name + (fastFrameEnd ? ", fast frame end" : ", classic frame end"), rate, poller.bad.load(), limitMs);
  return rate;
}

double PollTcp(std::uint16_t port, const std::vector<std::uint8_t>& frame, std::size_t answerLen,
               const Settings& settings) {
  const double roundTrip = MeasureTcpRoundTripMs(port, frame, answerLen);
  TTCPIPList workers;
  const std::uint32_t ip = ParseIPv4("127.0.0.1");
  const TcpPeer peer{ip, port};
  if (workers.OpenWorker(peer) < 0 || workers.FindWorker(peer) == nullptr) {
    std::printf("MODBUS TCP: cannot connect\n");
    return 0.0;
  }
  Poller poller(frame, answerLen);
  workers.AddRequest(peer, &poller.request);
  std::this_thread::sleep_for(std::chrono::duration<double>(settings.seconds));
  workers.RemoveRequest(peer, &poller.request);
  const double rate = poller.Rate(settings.seconds);
  Report("MODBUS TCP (127.0.0.1)", rate, poller.bad.load(), kPollDelayMs + roundTrip);
  std::printf("%-34s round trip %.3f ms\n", "", roundTrip);
  return rate;
}

// Runs mbpoll's fastest loop on the terminal and counts the polls it prints in the configured
// time (one "[first register]:" line each). Negative when mbpoll cannot be run.
double PollWithMbpoll(const std::string& path, const PollFrames& frames, const Settings& settings) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return -1.0;
  const pid_t child = ::fork();
  if (child < 0) return -1.0;
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(out[1], STDERR_FILENO);
    const std::string first = std::to_string(frames.firstRegister);
    const std::string count = std::to_string(frames.registers);
    const std::string baud = std::to_string(settings.baud);
    ::execlp("stdbuf", "stdbuf", "-oL", "mbpoll", "-m", "rtu", "-a", "1", "-0", "-r", first.c_str(), "-c",
             count.c_str(), "-b", baud.c_str(), "-P", "none", "-l", "10", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  const std::string marker = "[" + std::to_string(frames.firstRegister) + "]:";
  std::string pending;
  long polls = 0;
  std::optional<Clock::time_point> firstPoll;
  const auto deadline = Clock::now() + std::chrono::duration<double>(settings.seconds + 2.0);
  while (Clock::now() < deadline) {
    if (firstPoll && Clock::now() - *firstPoll >= std::chrono::duration<double>(settings.seconds)) break;
    pollfd ready{out[0], POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      if (pending.compare(0, marker.size(), marker) != 0) continue;
      if (!firstPoll) firstPoll = Clock::now();
      else ++polls;  // counted from the first poll on, over the time after it
    }
  }
  const double elapsed = firstPoll ? std::chrono::duration<double>(Clock::now() - *firstPoll).count() : 0.0;
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(out[0]);
  if (!firstPoll || elapsed <= 0.0) return -1.0;
  return static_cast<double>(polls) / elapsed;
}

bool MbpollInstalled() { return std::system("command -v mbpoll >/dev/null 2>&1") == 0; }

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--device") settings.device = value;
    else if (option == "--seconds") settings.seconds = ReadReal(value);
    else if (option == "--baud") settings.baud = static_cast<unsigned>(ReadInteger(value));
    else if (option == "--fe") settings.frameEndMs = static_cast<unsigned>(ReadInteger(value));
    else {
      std::fprintf(stderr, "usage: poll_rate [--device FILE] [--seconds S] [--baud N] [--fe MS]\n");
      return 2;
    }
  }
  try {
    sim::ControllerOptions options;
    sim::DeviceImage image = sim::LoadDeviceImage(settings.device);
    options.id = image.id;
    sim::SimController controller(std::move(image), options);
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("quillon-bench-" + std::to_string(::getpid()))).string() + "/";
    sim::PseudoTerminal pty;
    sim::PublishedLink link(dir + "Ports/BENCH", pty.DevicePath());
    sim::TcpListener listener("127.0.0.1", 0);
    sim::LineServer server(controller);
    server.AddPseudoTerminal(pty.MasterFd());
    server.AddListener(listener.Fd());
    std::atomic<bool> stop{false};
    std::thread serving([&] { server.Run(stop); });

    const PollFrames frames = MakeFrames(settings.device);
    std::printf("poll_rate: %s, %.1f s per run, %u Bd, frame end %u ms, request delay %.0f ms\n",
                settings.device.c_str(), settings.seconds, settings.baud, settings.frameEndMs, kPollDelayMs);
    std::printf("QuBUS reads %zu bytes; MODBUS reads %u registers from %u (%zu-byte answer)\n", frames.qubusAnswer,
                frames.registers, frames.firstRegister, frames.modbusAnswer);

    const double qubusTrip = MeasurePtyRoundTripMs(pty.DevicePath(), frames.qubus, frames.qubusAnswer);
    const double modbusTrip = MeasurePtyRoundTripMs(pty.DevicePath(), frames.modbus, frames.modbusAnswer);
    std::printf("pty round trip: QuBUS %.3f ms, MODBUS RTU %.3f ms\n", qubusTrip, modbusTrip);
    const double qubusFast =
        PollSerial("QuBUS (pty)", dir, frames.qubus, frames.qubusAnswer, settings, true, qubusTrip);
    const double qubusClassic =
        PollSerial("QuBUS (pty)", dir, frames.qubus, frames.qubusAnswer, settings, false, qubusTrip);
    const double rtuFast =
        PollSerial("MODBUS RTU (pty)", dir, frames.modbus, frames.modbusAnswer, settings, true, modbusTrip);
    const double rtuClassic =
        PollSerial("MODBUS RTU (pty)", dir, frames.modbus, frames.modbusAnswer, settings, false, modbusTrip);
    PollTcp(listener.Port(), frames.modbus, frames.modbusAnswer, settings);

    std::printf("fast / classic frame end: QuBUS %.2f, MODBUS RTU %.2f\n", qubusFast / qubusClassic,
                rtuFast / rtuClassic);
    if (MbpollInstalled()) {
      const double mbpoll = PollWithMbpoll(pty.DevicePath(), frames, settings);
      if (mbpoll > 0.0) {
        std::printf("%-34s %8.1f polls/s\n", "mbpoll -l 10, MODBUS RTU (pty)", mbpoll);
        std::printf("MODBUS RTU against mbpoll -l 10: fast frame end %.2f, classic frame end %.2f\n", rtuFast / mbpoll,
                    rtuClassic / mbpoll);
      } else {
        std::printf("mbpoll: no poll seen on the terminal\n");
      }
    } else {
      std::printf("mbpoll: not installed, no comparison\n");
    }

    stop = true;
    serving.join();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "poll_rate: %s\n", error.what());
    return 1;
  }
  return 0;
}
