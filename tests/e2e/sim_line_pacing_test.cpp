// The pseudo-terminal paced like a real line: the timing model with plain numbers, then the time
// whole exchanges take at the program's bit rate and framing, and the count of MODBUS requests
// that do not keep the silent interval.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "e2e/sim_device_fixture.h"
#include "link/line_timing.h"
#include "link/serial_port.h"
#include "sim/controller.h"
#include "sim/line_pacing.h"
#include "sim/line_server.h"
#include "sim/terminal_settings.h"

namespace quillon::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using testing::Bytes;
using testing::WithCRC;
using Ms = std::chrono::duration<double, std::milli>;

LineTimePoint At(double ms) { return LineTimePoint(std::chrono::duration_cast<nanoseconds>(Ms(ms))); }

TEST(LinePacingModel, BytesWrittenTogetherArriveOneCharacterApart) {
  ReceiveClock clock;
  EXPECT_EQ(clock.Arrive(At(10), 1ms), At(11));
  EXPECT_EQ(clock.Arrive(At(10), 1ms), At(12));
  EXPECT_EQ(clock.Arrive(At(10.5), 1ms), At(13));
  // Once the line is idle a byte begins when it is seen.
  EXPECT_EQ(clock.Arrive(At(20), 1ms), At(21));
}

TEST(LinePacingModel, AnswerBytesFallDueOneCharacterApartAndAnswersWaitForEachOther) {
  AnswerQueue queue;
  queue.Add({1, 2, 3}, At(100), 1ms);
  queue.Add({4, 5}, At(101), 1ms);  // due to begin before the first has ended
  EXPECT_EQ(queue.NextDue(), At(101));
  EXPECT_FALSE(queue.Sending(At(99.9)));
  EXPECT_TRUE(queue.Sending(At(100)));
  // A late wake-up takes all that is due; the deadlines after it stay put.
  AnswerQueue::Due due = queue.TakeDue(At(102.5));
  EXPECT_EQ(due.bytes, (Bytes{1, 2}));
  EXPECT_FALSE(due.answerEnded);
  EXPECT_EQ(queue.NextDue(), At(103));
  due = queue.TakeDue(At(103));
  EXPECT_EQ(due.bytes, (Bytes{3}));
  EXPECT_TRUE(due.answerEnded);
  EXPECT_EQ(queue.NextDue(), At(104)) << "the second answer begins where the first ended";
  due = queue.TakeDue(At(110));
  EXPECT_EQ(due.bytes, (Bytes{4, 5}));
  EXPECT_TRUE(due.answerEnded);
  EXPECT_FALSE(queue.NextDue());
  EXPECT_FALSE(queue.Sending(At(110)));
}

TEST(LinePacingModel, ARequestMustBeginThreeAndAHalfCharactersAfterThePreviousFrame) {
  const nanoseconds interval = ThreeAndAHalfCharacters(9600);  // 3.646 ms, with no 1.75 ms floor
  LineHistory history;
  EXPECT_FALSE(BreaksSilentInterval(history.StartAt(At(0), false, interval))) << "nothing was before it";
  history.RequestEnded(At(10));
  history.AnswerEnded(At(20));
  EXPECT_TRUE(BreaksSilentInterval(history.StartAt(At(23.6), false, interval)));
  EXPECT_FALSE(BreaksSilentInterval(history.StartAt(At(23.7), false, interval)));
  EXPECT_TRUE(BreaksSilentInterval(history.StartAt(At(50), true, interval))) << "a collision";
  // An answer still to come leaves the request as the last frame on the line.
  history.RequestEnded(At(40));
  EXPECT_TRUE(BreaksSilentInterval(history.StartAt(At(43), false, interval)));
  EXPECT_FALSE(BreaksSilentInterval(history.StartAt(At(44), false, interval)));
}

TEST(LinePacingModel, TheControlFlagsGiveTheBitsOfACharacter) {
  EXPECT_EQ(CharacterFormatOf(CS8 | CREAD).Bits(), 10u);
  const CharacterFormat sevenO2 = CharacterFormatOf(CS7 | PARENB | PARODD | CSTOPB);
  EXPECT_EQ(sevenO2.dataBits, 7u);
  EXPECT_TRUE(sevenO2.parity);
  EXPECT_EQ(sevenO2.stopBits, 2u);
  EXPECT_EQ(CharacterFormatOf(CS5 | PARENB).Bits(), 8u);
}

const Bytes kRead = WithCRC({0x01, 0x03, 0x00, 0x80, 0x00, 0x01});
const Bytes kAnswer = WithCRC({0x01, 0x03, 0x02, 0x12, 0x34});

// A controller behind a paced pseudo-terminal, and the terminal side opened as a program opens
// a serial port.
class PacedSim {
 public:
  explicit PacedSim(std::chrono::milliseconds turnaround = 0ms, const std::string& faults = "")
      : controller_(LoadDeviceImage(testing::WriteDeviceFile(dir_)),
                    ControllerOptions{"7 T v1.0", 1, false, ParseFaultSpec(faults), std::nullopt, false}),
        listener_("127.0.0.1", 0),
        server_(controller_) {
    server_.AddListener(listener_.Fd());
    LinePacing pacing;
    pacing.terminalFd = pty_.TerminalFd();
    pacing.turnaround = turnaround;
    pacing.Log = [this](const std::string& line) {
      const std::lock_guard lock(mutex_);
      log_.push_back(line);
    };
    server_.AddPseudoTerminal(pty_.MasterFd(), std::move(pacing));
    thread_ = std::thread([this] { server_.Run(stop_); });
    port_ = FileHandle(::open(pty_.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  }
  ~PacedSim() {
    stop_ = true;
    thread_.join();
  }

  // Raw, 8 data bits, at `speed`.
  void Configure(speed_t speed, bool parity = false, bool twoStopBits = false) {
    termios settings{};
    ASSERT_EQ(::tcgetattr(port_.Get(), &settings), 0);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, speed);
    settings.c_cflag = (settings.c_cflag & ~(PARENB | CSTOPB)) | (parity ? PARENB : 0) | (twoStopBits ? CSTOPB : 0);
    ASSERT_EQ(::tcsetattr(port_.Get(), TCSANOW, &settings), 0);
  }
  int Port() const { return port_.Get(); }

  void Send(const Bytes& request) {
    ASSERT_EQ(::write(port_.Get(), request.data(), request.size()), static_cast<ssize_t>(request.size()));
  }
  // What comes until `count` bytes are there or the line stays quiet for `quiet`.
  Bytes Receive(std::size_t count, int quietMs = 500) {
    Bytes bytes;
    pollfd wait{port_.Get(), POLLIN, 0};
    for (std::uint8_t buffer[256]; bytes.size() < count && ::poll(&wait, 1, quietMs) > 0;) {
      const ssize_t got = ::read(port_.Get(), buffer, sizeof buffer);
      if (got <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
  }
  // From the request's write to the last answer byte read; the fastest of seven, since a loaded
  // machine only ever adds time while a line paced wrongly is wrong in every exchange.
  Ms ExchangeTime(const Bytes& request, const Bytes& answer) {
    std::vector<Ms> times;
    for (int i = 0; i < 7; ++i) {
      std::this_thread::sleep_for(20ms);
      const auto begin = LineClock::now();
      Send(request);
      EXPECT_EQ(Receive(answer.size()), answer);
      times.push_back(LineClock::now() - begin);
    }
    return *std::min_element(times.begin(), times.end());
  }
  // One request over TCP, which is never paced; how long its answer took.
  Ms TcpExchange(const Bytes& request, const Bytes& answer) {
    const FileHandle client(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(listener_.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(client.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto begin = LineClock::now();
    EXPECT_EQ(::send(client.Get(), request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    Bytes received(answer.size());
    EXPECT_EQ(::recv(client.Get(), received.data(), received.size(), MSG_WAITALL), static_cast<ssize_t>(answer.size()));
    EXPECT_EQ(received, answer);
    return LineClock::now() - begin;
  }
  std::uint64_t Violations() const { return server_.FramingViolations(); }
  std::vector<std::string> Log() {
    const std::lock_guard lock(mutex_);
    return log_;
  }

 private:
  quillon::testing::TempDir dir_;
  SimController controller_;
  PseudoTerminal pty_;
  TcpListener listener_;
  LineServer server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  FileHandle port_;
  std::mutex mutex_;
  std::vector<std::string> log_;
};

// The time `bytes` characters take, in milliseconds.
double ByteTime(std::size_t bytes, unsigned baud, CharacterFormat format = {}) {
  return Ms(LineTime(bytes, baud, format)).count();
}

TEST(LinePacing, AnExchangeAt9600TakesItsByteTime) {
  PacedSim sim;
  sim.Configure(B9600);
  const double expected = ByteTime(kRead.size() + kAnswer.size(), 9600);  // 15.6 ms
  EXPECT_NEAR(sim.ExchangeTime(kRead, kAnswer).count(), expected, expected * 0.1);
}

// A pseudo-terminal keeps no parity bit (the kernel clears it), so the stop bits show the
// framing on the line; at 2,400 Bd the second stop bit adds 6 ms to an exchange.
TEST(LinePacing, TwoStopBitsAndArbitraryRatesChangeTheByteTime) {
  PacedSim sim;
  sim.Configure(B2400);
  const double tenBits = ByteTime(kRead.size() + kAnswer.size(), 2400);
  EXPECT_NEAR(sim.ExchangeTime(kRead, kAnswer).count(), tenBits, tenBits * 0.03);
  sim.Configure(B2400, false, true);
  const double elevenBits = ByteTime(kRead.size() + kAnswer.size(), 2400, {8, false, 2});
  EXPECT_NEAR(sim.ExchangeTime(kRead, kAnswer).count(), elevenBits, elevenBits * 0.03);
  sim.Configure(B9600);
  ASSERT_TRUE(SetArbitraryBaud(sim.Port(), 5000));
  const double arbitrary = ByteTime(kRead.size() + kAnswer.size(), 5000);  // 30 ms
  EXPECT_NEAR(sim.ExchangeTime(kRead, kAnswer).count(), arbitrary, arbitrary * 0.1);
}

TEST(LinePacing, TheTurnaroundAndARepeatedAnswerTakeTheirTime) {
  PacedSim slow(20ms);
  slow.Configure(B9600);
  const double turnaround = 20 + ByteTime(kRead.size() + kAnswer.size(), 9600);
  EXPECT_NEAR(slow.ExchangeTime(kRead, kAnswer).count(), turnaround, turnaround * 0.1);
  PacedSim twice(0ms, "dup=1");
  twice.Configure(B9600);
  Bytes both = kAnswer;
  both.insert(both.end(), kAnswer.begin(), kAnswer.end());
  const double repeated = ByteTime(kRead.size() + both.size(), 9600);
  EXPECT_NEAR(twice.ExchangeTime(kRead, both).count(), repeated, repeated * 0.1);
}

TEST(LinePacing, TcpClientsDoNotWaitForThePacedLine) {
  PacedSim sim;
  sim.Configure(B300);  // a request takes 267 ms to arrive, its answer 233 ms to go out
  sim.Send(kRead);
  EXPECT_LT(sim.TcpExchange(kRead, kAnswer).count(), 100.0);
  EXPECT_EQ(sim.Receive(kAnswer.size(), 1000), kAnswer);
}

TEST(FramingCheck, RequestsRightAfterOrDuringAnAnswerAreViolationsAndQuBUSNever) {
  PacedSim sim;
  sim.Configure(B2400);  // 3.5 characters: 14.6 ms; a request 33 ms, an answer 29 ms
  sim.Send(kRead);
  EXPECT_EQ(sim.Receive(kAnswer.size()), kAnswer);
  EXPECT_EQ(sim.Violations(), 0u) << "the first frame on the line";
  sim.Send(kRead);  // at once
  EXPECT_EQ(sim.Receive(kAnswer.size()), kAnswer);
  EXPECT_EQ(sim.Violations(), 1u);
  std::this_thread::sleep_for(30ms);
  sim.Send(kRead);
  EXPECT_EQ(sim.Receive(kAnswer.size()), kAnswer);
  EXPECT_EQ(sim.Violations(), 1u) << "after a silence of more than 3.5 characters";
  sim.Send({0xA5, 0x04, 0x04, 0x01, 0x00, 0x02, 0x5A});  // a QuBUS read, at once
  EXPECT_FALSE(sim.Receive(64, 100).empty());
  EXPECT_EQ(sim.Violations(), 1u) << "QuBUS keeps no silent interval";
  std::this_thread::sleep_for(30ms);
  sim.Send(kRead);
  std::this_thread::sleep_for(45ms);  // the request has arrived and its answer is on its way
  sim.Send(kRead);
  EXPECT_EQ(sim.Receive(2 * kAnswer.size(), 1000).size(), 2 * kAnswer.size());
  EXPECT_EQ(sim.Violations(), 2u);
  const std::vector<std::string> log = sim.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].rfind("framing violation: request " + HexBytes(kRead) + " started ", 0), 0u) << log[0];
  EXPECT_NE(log[0].find("after the previous frame (3.5 characters: 14.583 ms)"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("while an answer was being sent"), std::string::npos) << log[1];
}

}  // namespace
}  // namespace quillon::sim
