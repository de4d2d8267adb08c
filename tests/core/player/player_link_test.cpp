// The player's records on a real serial worker: a scripted controller on a pseudo-terminal
// answers the poll (well, with a bad checksum, or not at all) and takes the word writes.
#include "player/player_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "core/link/pty_peer.h"
#include "link/crc16.h"
#include "link/link_hub.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::Bytes;

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = CRC16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

class PlayerLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "Ports");
    ASSERT_EQ(::symlink(peer.SlavePath().c_str(), (dir / "Ports/DEV").c_str()), 0);
    peer.Start([this](const Bytes& request) -> std::vector<testing::AnswerChunk> {
      if (request.size() > 1 && request[1] == 0x10) return {{0, WithCrc({1, 0x10, 0x01, 0x01, 0x00, 0x01})}};
      switch (mode.load()) {
        case Mode::Good:
          return {{0, WithCrc({1, 0x03, 0x04, 0x12, 0x34, 0x00, 0x19})}};
        case Mode::BadCrc:
          return {{0, Bytes{1, 0x03, 0x02, 0x00, 0x19, 0x00, 0x00}}};
        case Mode::Silent:
          break;
      }
      return {};
    });
    port.protocol = Protocol::MODBUSRTU;
    port.port = "DEV";
    port.baud = 115200;
    port.frameEndMs = 5;
  }
  void TearDown() override { link.Detach(); }

  PlayerPollFrame Poll() { return PlayerPollFrame{WithCrc({1, 0x03, 0x01, 0x00, 0x00, 0x02}), 0}; }

  std::size_t PollsSent() {
    std::size_t count = 0;
    for (const Bytes& request : peer.Requests()) count += request.size() > 1 && request[1] == 0x03;
    return count;
  }

  enum class Mode { Good, BadCrc, Silent };
  std::atomic<Mode> mode{Mode::Good};
  testing::TempDir dir;
  testing::PtyPeer peer;
  LinkHub hub{dir.Path()};
  TCommList& ports = hub.Serial();
  Endpoint port;
  std::atomic<int> goodAnswers{0};
  PlayerLink link{hub, [this] { ++goodAnswers; }};
};

TEST_F(PlayerLinkTest, ThePollIsDecodedAndSentAgainOnlyWhenRearmed) {
  ASSERT_TRUE(link.Attach(port, Poll()));
  ASSERT_TRUE(testing::WaitFor([&] { return goodAnswers.load() == 1; }));
  link.WithImage([&] {
    // Words arrive high byte first and land in memory order.
    EXPECT_EQ(link.Image()[0], 0x34);
    EXPECT_EQ(link.Image()[1], 0x12);
    EXPECT_EQ(link.Image()[2], 0x19);
    EXPECT_EQ(link.Image()[3], 0x00);
  });
  EXPECT_EQ(link.Message(), "");
  // Served once, the poll waits for the window.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(PollsSent(), 1u);
  link.Rearm();
  ASSERT_TRUE(testing::WaitFor([&] { return goodAnswers.load() == 2; }));

  mode = Mode::BadCrc;
  link.Rearm();
  ASSERT_TRUE(testing::WaitFor([&] { return link.Message() == kPollCrcMessage; }));
  mode = Mode::Silent;
  link.Rearm();
  ASSERT_TRUE(testing::WaitFor([&] { return link.Message() == kPollLengthMessage; }));
  EXPECT_EQ(goodAnswers.load(), 2);
  // A bad answer leaves the image as the last good one left it.
  link.WithImage([&] { EXPECT_EQ(link.Image()[0], 0x34); });
}

TEST_F(PlayerLinkTest, WritesGoOutOnceAndThePortGoesWithTheLastRecord) {
  const Bytes write = WithCrc({1, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00, 0x11});
  EXPECT_FALSE(link.Send(write));
  ASSERT_TRUE(link.Attach(port, Poll()));
  ASSERT_TRUE(link.Send(write));
  ASSERT_TRUE(testing::WaitFor([&] {
    for (const Bytes& request : peer.Requests())
      if (request == write) return true;
    return false;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::size_t writes = 0;
  for (const Bytes& request : peer.Requests()) writes += request == write;
  EXPECT_EQ(writes, 1u);

  // Attaching again with a new poll replaces the old one instead of adding a second.
  ASSERT_TRUE(link.Attach(port, Poll()));
  ASSERT_NE(ports.FindPortWorker("DEV"), nullptr);
  EXPECT_EQ(ports.FindPortWorker("DEV")->RequestCount(), 1);
  link.Detach();
  EXPECT_EQ(ports.FindPortWorker("DEV"), nullptr);

  Endpoint missing = port;
  missing.port = "NOPE";
  EXPECT_FALSE(link.Attach(missing, Poll()));
  EXPECT_FALSE(link.Send(write));
}

}  // namespace
}  // namespace quillon
