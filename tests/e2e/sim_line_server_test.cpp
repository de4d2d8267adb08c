// The simulator's lines in-process: frames split over several writes, several frames in one
// write, frames of unknown length.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "e2e/sim_device_fixture.h"
#include "sim/controller.h"
#include "sim/line_server.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

// Collects what arrives on `fd` until `count` bytes are there or 2 s pass.
Bytes Receive(int fd, std::size_t count) {
  Bytes bytes;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd wait{fd, POLLIN, 0};
    if (::poll(&wait, 1, 50) <= 0) continue;
    std::uint8_t buffer[512];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

bool Quiet(int fd, int ms) {
  pollfd wait{fd, POLLIN, 0};
  return ::poll(&wait, 1, ms) == 0;
}

class LineServerTest : public ::testing::Test {
 protected:
  LineServerTest()
      : controller_(LoadDeviceImage(testing::WriteDeviceFile(dir_)),
                    ControllerOptions{"7 T v1.0 2024-01-01", 1, false, {}, std::nullopt, false}),
        listener_("127.0.0.1", 0),
        server_(controller_) {
    server_.AddListener(listener_.Fd());
    thread_ = std::thread([this] { server_.Run(stop_); });
  }
  ~LineServerTest() override {
    stop_ = true;
    thread_.join();
  }

  FileHandle Connect() {
    FileHandle fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(listener_.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
  }

  static void Send(int fd, const Bytes& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  quillon::testing::TempDir dir_;
  SimController controller_;
  TcpListener listener_;
  LineServer server_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(LineServerTest, FramesSplitOverWritesOrSharingOneWriteGetOneAnswerEach) {
  const FileHandle client = Connect();
  const Bytes request = WithCRC({0x01, 0x03, 0x00, 0x80, 0x00, 0x01});
  Send(client.Get(), Bytes(request.begin(), request.begin() + 3));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  Send(client.Get(), Bytes(request.begin() + 3, request.end()));
  EXPECT_EQ(Receive(client.Get(), 7), WithCRC({0x01, 0x03, 0x02, 0x12, 0x34}));
  EXPECT_TRUE(Quiet(client.Get(), 100));
  // Two frames in one write get two answers in order.
  Bytes both = WithCRC({0x01, 0x03, 0x00, 0x80, 0x00, 0x01});
  const Bytes second = WithCRC({0x01, 0x03, 0x01, 0x00, 0x00, 0x01});
  both.insert(both.end(), second.begin(), second.end());
  Send(client.Get(), both);
  Bytes expected = WithCRC({0x01, 0x03, 0x02, 0x12, 0x34});
  const Bytes secondAnswer = WithCRC({0x01, 0x03, 0x02, 0x00, 0x05});
  expected.insert(expected.end(), secondAnswer.begin(), secondAnswer.end());
  EXPECT_EQ(Receive(client.Get(), expected.size()), expected);
  // A frame of unknown length is answered once the line falls quiet.
  Send(client.Get(), WithCRC({0x01, 0x2B, 0x0E, 0x01, 0x00}));
  EXPECT_EQ(Receive(client.Get(), 5), MODBUSException(1, 0x2B, kIllegalFunction));
}

// The same frames on a serial line: a card upload written in pieces is one request.
TEST(SerialLine, ACardFrameSplitOverSeveralWritesGetsOneAnswer) {
  quillon::testing::TempDir dir;
  quillon::testing::TempDir card;
  ControllerOptions options;
  options.cardDirectory = card.Path();
  SimController controller(LoadDeviceImage(testing::WriteDeviceFile(dir)), options);
  PseudoTerminal pty;
  LineServer server(controller);
  server.AddPseudoTerminal(pty.MasterFd());
  std::atomic<bool> stop{false};
  struct Runner {
    std::atomic<bool>& stop;
    std::thread thread;
    ~Runner() {
      stop = true;
      thread.join();
    }
  } runner{stop, std::thread([&] { server.Run(stop); })};

  const FileHandle line(::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_TRUE(line);
  const std::string name = Utf8ToCp1251("Отчёт.txt");
  Bytes frame{0x01, 0x23, 0x00, 0x00, 0x00, 0x00};
  frame.insert(frame.end(), name.begin(), name.end());
  frame.push_back(0x00);
  frame.push_back(230);
  for (int i = 0; i < 230; ++i) frame.push_back(static_cast<std::uint8_t>(i % 3));  // zeros among the data
  frame = WithCRC(frame);
  for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{0, 4}, {4, 13}, {13, 120}, {120, frame.size()}}) {
    ASSERT_EQ(::write(line.Get(), frame.data() + from, to - from), static_cast<ssize_t>(to - from));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(Receive(line.Get(), 5), WithCRC({0x01, 0x23, 0x01}));
  EXPECT_EQ(std::filesystem::file_size(card / "Отчёт.txt"), 230u);
}

}  // namespace
}  // namespace quillon::sim
