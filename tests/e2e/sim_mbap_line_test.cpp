// The simulator's MBAP listener in-process: ADUs split over writes or sharing one, the unit id
// choosing the controller, a stream spoiled by an impossible header, and each fault as a master
// meets it on standard MODBUS TCP.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "e2e/sim_device_fixture.h"
#include "link/mbap_frames.h"
#include "sim/line_server.h"
#include "support/mbap_adu.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using Clock = std::chrono::steady_clock;

// Register 0x80 of the small device holds 0x1234, 0x100 (RAM) 0x0005.
Bytes ReadRequest(std::uint16_t transaction, std::uint8_t unit) {
  return quillon::testing::MbapAdu(transaction, {unit, 0x03, 0x00, 0x80, 0x00, 0x01});
}
Bytes ReadAnswer(std::uint16_t transaction, std::uint8_t unit) {
  return quillon::testing::MbapAdu(transaction, {unit, 0x03, 0x02, 0x12, 0x34});
}

// Everything that arrives until the line stays quiet for `quietMs`.
Bytes ReceiveUntilQuiet(int fd, int quietMs = 200) {
  Bytes received;
  pollfd wait{fd, POLLIN, 0};
  for (std::uint8_t buffer[512]; ::poll(&wait, 1, quietMs) > 0;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    received.insert(received.end(), buffer, buffer + got);
  }
  return received;
}

// Controllers at the given addresses, each with the faults given, behind one MBAP listener.
class MbapLine {
 public:
  MbapLine(std::vector<std::uint8_t> addresses, const std::string& faults = "") : listener_("127.0.0.1", 0) {
    std::vector<SimController*> line;
    for (std::uint8_t address : addresses) {
      ControllerOptions options{"7 T v1.0", address, false, ParseFaultSpec(faults), std::nullopt, false};
      controllers_.push_back(
          std::make_unique<SimController>(LoadDeviceImage(testing::WriteDeviceFile(dir_)), std::move(options)));
      line.push_back(controllers_.back().get());
    }
    server_ = std::make_unique<LineServer>(SimBus(line));
    server_->AddMbapListener(listener_.Fd());
    thread_ = std::thread([this] { server_->Run(stop_); });
    client_ = FileHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(listener_.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(client_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~MbapLine() {
    stop_ = true;
    thread_.join();
  }

  bool Connected() const { return connected_; }
  void Send(const Bytes& bytes) {
    ASSERT_EQ(::send(client_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  }
  Bytes Exchange(const Bytes& request, int quietMs = 200) {
    Send(request);
    return ReceiveUntilQuiet(client_.Get(), quietMs);
  }

 private:
  quillon::testing::TempDir dir_;
  std::vector<std::unique_ptr<SimController>> controllers_;
  TcpListener listener_;
  std::unique_ptr<LineServer> server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  FileHandle client_;
  bool connected_ = false;
};

TEST(MbapLine, AdusInPiecesOrSharingAWriteAreAnsweredUnderTheirTransactions) {
  MbapLine line({1});
  ASSERT_TRUE(line.Connected());
  const Bytes request = ReadRequest(0x0102, 1);
  line.Send(Bytes(request.begin(), request.begin() + 4));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(line.Exchange(Bytes(request.begin() + 4, request.end())), ReadAnswer(0x0102, 1));
  Bytes both = ReadRequest(7, 1);
  const Bytes ram = quillon::testing::MbapAdu(8, {0x01, 0x03, 0x01, 0x00, 0x00, 0x01});
  both.insert(both.end(), ram.begin(), ram.end());
  Bytes expected = ReadAnswer(7, 1);
  const Bytes ramAnswer = quillon::testing::MbapAdu(8, {0x01, 0x03, 0x02, 0x00, 0x05});
  expected.insert(expected.end(), ramAnswer.begin(), ramAnswer.end());
  EXPECT_EQ(line.Exchange(both), expected);
}

TEST(MbapLine, TheUnitIdChoosesTheControllerAndNobodyAnswersForAnUnknownOne) {
  MbapLine line({1, 3});
  ASSERT_TRUE(line.Connected());
  EXPECT_EQ(line.Exchange(ReadRequest(1, 3)), ReadAnswer(1, 3));
  EXPECT_EQ(line.Exchange(ReadRequest(2, 1)), ReadAnswer(2, 1));
  EXPECT_TRUE(line.Exchange(ReadRequest(3, 2)).empty());
  // Registers past the register space are the controller's exception, under MBAP as under RTU.
  EXPECT_EQ(line.Exchange(quillon::testing::MbapAdu(4, {0x03, 0x03, 0x7F, 0xFF, 0x00, 0x02})),
            quillon::testing::MbapAdu(4, {0x03, 0x83, 0x02}));
}

TEST(MbapLine, AnImpossibleHeaderSpoilsWhatCameAndTheNextRequestIsAnsweredAgain) {
  MbapLine line({1});
  ASSERT_TRUE(line.Connected());
  EXPECT_TRUE(line.Exchange(quillon::testing::MbapAdu(5, {0x01, 0x03, 0x00, 0x80, 0x00, 0x01}, 1)).empty());
  // An RTU frame on this port reads as a header of another protocol too.
  EXPECT_TRUE(line.Exchange(testing::WithCRC({0x01, 0x03, 0x00, 0x80, 0x00, 0x01})).empty());
  EXPECT_EQ(line.Exchange(ReadRequest(6, 1)), ReadAnswer(6, 1));
}

// Each fault on every answer: the ADU the master receives for a read of register 0x80.
TEST(MbapLine, EachFaultShapesTheAduAndKeepsTheTransaction) {
  const Bytes good = ReadAnswer(0x4242, 1);
  Bytes corrupted = good;
  corrupted.back() ^= 0xA5;  // no CRC to spoil: the last data byte
  const struct {
    const char* fault;
    Bytes adu;
  } cases[] = {
      {"crc=1", corrupted},
      {"short=1", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2))},
      {"exc=1", quillon::testing::MbapAdu(0x4242, {0x01, 0x83, 0x04})},
      {"addr=1", quillon::testing::MbapAdu(0x4242, {0x02, 0x03, 0x02, 0x12 ^ 0x5A, 0x34 ^ 0x5A})},
      {"func=1", quillon::testing::MbapAdu(0x4242, {0x01, 0x07, 0x02, 0x12 ^ 0x5A, 0x34 ^ 0x5A})},
      {"count=1", quillon::testing::MbapAdu(0x4242, {0x01, 0x03, 0x00})},
      {"drop=1", {}},
  };
  for (const auto& item : cases) {
    MbapLine line({1}, item.fault);
    ASSERT_TRUE(line.Connected());
    EXPECT_EQ(line.Exchange(ReadRequest(0x4242, 1)), item.adu) << item.fault;
  }
}

TEST(MbapLine, ARepeatedAnswerComesTwiceAndALateOneLate) {
  MbapLine twice({1}, "dup=1");
  ASSERT_TRUE(twice.Connected());
  const Bytes once = ReadAnswer(9, 1);
  Bytes both = once;
  both.insert(both.end(), once.begin(), once.end());
  EXPECT_EQ(twice.Exchange(ReadRequest(9, 1)), both);

  MbapLine late({1}, "late=1");
  ASSERT_TRUE(late.Connected());
  const auto start = Clock::now();
  EXPECT_EQ(late.Exchange(ReadRequest(10, 1), kLateAnswerMs + 300), ReadAnswer(10, 1));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kLateAnswerMs));
}

}  // namespace
}  // namespace quillon::sim
