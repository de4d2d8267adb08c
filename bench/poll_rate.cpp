// How fast a polling record (a scope window's: OneShot 0, DelayMs 1) is served by the program's
// port workers against the simulated controller, over a pseudo-terminal and over TCP, compared
// with what the protocol timing allows:
//   serial: delay + frame-end pause + request and answer bytes on the line at the baud rate
//   TCP:    delay + the round trip of one request (measured on a plain socket)
//
//   poll_rate [--device FILE] [--seconds S] [--baud N] [--fe MS]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "link/buses.h"
#include "link/comm_list.h"
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
  frames.modbusAnswer = 5 + 2 * static_cast<std::size_t>(static_cast<std::uint16_t>(end - start));
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

  explicit Poller(std::vector<std::uint8_t> bytes, std::size_t expectedLen) : frame(std::move(bytes)), expected(expectedLen) {
    request.AnswerBuf = answer.data();
    request.AnswerCapacity = answer.size();
    request.RequestBuf = frame.data();
    request.RequestLen = static_cast<std::uint32_t>(frame.size());
    request.OneShot = false;
    request.DelayMs = 1;
    request.OnAnswer = [this](TLinkRequest& served) {
      (served.AnswerLen.load() == expected ? answers : bad)++;
      served.Busy = false;
    };
  }
};

void Report(const char* name, const Poller& poller, double seconds, double limitMs) {
  const double rate = static_cast<double>(poller.answers.load()) / seconds;
  const double limit = 1000.0 / limitMs;
  std::printf("%-22s %8.1f answers/s  (%ld wrong)  limit %7.1f/s (%.2f ms each)  ratio %.2f\n", name, rate,
              poller.bad.load(), limit, limitMs, rate / limit);
}

// A pseudo-terminal moves bytes at once, whatever the baud rate, so a serial figure is also
// given against the limit without line time.
void ReportSerial(const char* name, const Poller& poller, double seconds, double limitMs, double lineMs) {
  Report(name, poller, seconds, limitMs);
  const double rate = static_cast<double>(poller.answers.load()) / seconds;
  std::printf("%-22s without line time: limit %7.1f/s  ratio %.2f\n", "", 1000.0 / (limitMs - lineMs),
              rate * (limitMs - lineMs) / 1000.0);
}

void PollSerial(const char* name, const std::string& programDir, const std::vector<std::uint8_t>& frame,
                std::size_t answerLen, const Settings& settings) {
  TCommList ports(programDir);
  ports.SetTimings(SerialTimings::None());
  if (ports.OpenPortWorker("BENCH") < 0) {
    std::printf("%s: cannot open the simulator's line\n", name);
    return;
  }
  ports.ConfigurePort("BENCH", settings.baud, settings.frameEndMs);
  Poller poller(frame, answerLen);
  ports.LockPort("BENCH");
  ports.AddRequest("BENCH", &poller.request);
  ports.UnlockPort("BENCH");
  std::this_thread::sleep_for(std::chrono::duration<double>(settings.seconds));
  ports.RemoveRequest("BENCH", &poller.request);
  // 8N1: ten bits per byte.
  const double lineMs = static_cast<double>(frame.size() + answerLen) * 10.0 * 1000.0 / settings.baud;
  ReportSerial(name, poller, settings.seconds, 1.0 + settings.frameEndMs + lineMs, lineMs);
}

double MeasureRoundTripMs(std::uint16_t port, const std::vector<std::uint8_t>& frame) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int yes = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return 0.0;
  }
  constexpr int kRounds = 200;
  std::uint8_t buffer[512];
  const auto start = Clock::now();
  for (int i = 0; i < kRounds; ++i) {
    ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
    if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kRounds;
  ::close(fd);
  return ms;
}

void PollTcp(std::uint16_t port, const std::vector<std::uint8_t>& frame, std::size_t answerLen,
             const Settings& settings) {
  const double roundTrip = MeasureRoundTripMs(port, frame);
  TTCPIPList workers;
  const std::uint32_t ip = ParseIPv4("127.0.0.1");
  if (workers.OpenWorker(ip, port) < 0 || workers.FindWorker(ip) == nullptr) {
    std::printf("MODBUS TCP: cannot connect\n");
    return;
  }
  Poller poller(frame, answerLen);
  workers.AddRequest(ip, &poller.request);
  std::this_thread::sleep_for(std::chrono::duration<double>(settings.seconds));
  workers.RemoveRequest(ip, &poller.request);
  Report("MODBUS TCP", poller, settings.seconds, 1.0 + roundTrip);
  std::printf("%-22s round trip %.3f ms\n", "", roundTrip);
}

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
    const std::string dir = (std::filesystem::temp_directory_path() / ("quillon-bench-" + std::to_string(::getpid()))).string() + "/";
    sim::PseudoTerminal pty;
    sim::PublishedLink link(dir + "Ports/BENCH", pty.DevicePath());
    sim::TcpListener listener("127.0.0.1", 0);
    sim::LineServer server(controller);
    server.AddPseudoTerminal(pty.MasterFd());
    server.AddListener(listener.Fd());
    std::atomic<bool> stop{false};
    std::thread serving([&] { server.Run(stop); });

    const PollFrames frames = MakeFrames(settings.device);
    std::printf("poll_rate: %s, %.1f s per line, serial limit at %u Bd with frame end %u ms\n",
                settings.device.c_str(), settings.seconds, settings.baud, settings.frameEndMs);
    PollSerial("QuBUS (pty)", dir, frames.qubus, frames.qubusAnswer, settings);
    PollSerial("MODBUS RTU (pty)", dir, frames.modbus, frames.modbusAnswer, settings);
    PollTcp(listener.Port(), frames.modbus, frames.modbusAnswer, settings);

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
