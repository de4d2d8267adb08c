// The card link over a real serial worker: a scripted device on a pseudo-terminal answers, the
// record stays with the port between operations, and withdrawing lets the port go.
#include "card/card_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "card/card_queries.h"
#include "core/card/card_answers.h"
#include "core/link/pty_peer.h"
#include "link/link_hub.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::Bytes;

// A device with two files and a disk of 2 MiB.
std::vector<testing::AnswerChunk> Device(const Bytes& request) {
  static const std::vector<std::string> names{"one.txt", "two.txt"};
  static std::size_t next = 0;
  if (request.size() < 2) return {};
  switch (request[1]) {
    case 0x21: {
      if (request[2] == 0x00) next = 0;
      const std::string name = next < names.size() ? names[next++] : std::string();
      return {{0, testing::CountedAnswer(0x21, Bytes(name.begin(), name.end()))}};
    }
    case 0x20:
      return {{0, testing::WithCrc({1, 0x20, 0x00, 0x20, 0x00, 0x00})}};
    default:
      return {};
  }
}

class CardLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "Ports");
    ASSERT_EQ(::symlink(peer.SlavePath().c_str(), (dir / "Ports/DEV").c_str()), 0);
    peer.Start(Device);
    target.protocol = Protocol::MODBUSRTU;
    target.port = "DEV";
    target.baud = 115200;
    target.frameEndMs = 5;
  }
  void TearDown() override { link.Withdraw(); }

  // The steps of one operation up to its last.
  std::vector<CardStep> RunToEnd(std::shared_ptr<CardOperation> operation, std::uint64_t generation) {
    {
      std::lock_guard lock(mutex);
      steps.clear();
    }
    EXPECT_EQ(link.Start(target, std::move(operation), generation), CardAttach::Attached);
    std::unique_lock lock(mutex);
    EXPECT_TRUE(
        arrived.wait_for(lock, std::chrono::seconds(5), [&] { return !steps.empty() && steps.back().Finished(); }));
    return steps;
  }

  testing::TempDir dir;
  testing::PtyPeer peer;
  LinkHub hub{dir.Path()};
  TCommList& ports = hub.Serial();
  Endpoint target;
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<CardStep> steps;
  CardLink link{hub, [this](CardStep step) {
                  std::lock_guard lock(mutex);
                  steps.push_back(std::move(step));
                  arrived.notify_all();
                }};
};

TEST_F(CardLinkTest, OperationsFollowOneAnotherOnTheSameRecordAndPort) {
  const std::vector<CardStep> listed = RunToEnd(std::make_shared<CardListQuery>(1), 1);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].fileName, "one.txt");
  EXPECT_EQ(listed[1].fileName, "two.txt");
  EXPECT_EQ(listed[2].outcome, CardOutcome::Done);
  for (const CardStep& step : listed) EXPECT_EQ(step.generation, 1u);
  EXPECT_FALSE(link.Running());
  // The record waits with its worker: the port stays open for the next operation.
  TComm* worker = ports.FindPortWorker("DEV");
  ASSERT_NE(worker, nullptr);
  EXPECT_EQ(worker->RequestCount(), 1);

  const std::vector<CardStep> disk = RunToEnd(std::make_shared<CardDiskStateQuery>(1), 2);
  ASSERT_EQ(disk.size(), 1u);
  EXPECT_EQ(disk[0].diskSize, "2097152 B");
  EXPECT_EQ(disk[0].generation, 2u);
  EXPECT_EQ(ports.FindPortWorker("DEV"), worker);

  link.Withdraw();
  EXPECT_EQ(ports.FindPortWorker("DEV"), nullptr);
}

TEST_F(CardLinkTest, APortThatDoesNotOpenStartsNothing) {
  target.port = "MISSING";
  EXPECT_EQ(link.Start(target, std::make_shared<CardListQuery>(1), 1), CardAttach::PortFailed);
  EXPECT_FALSE(link.Running());
  EXPECT_EQ(ports.Count(), 0u);
  Endpoint network;
  network.protocol = Protocol::MODBUSTCP;
  network.ip = "not an address";
  network.peer = {kNoIPv4Address, 502};
  EXPECT_EQ(link.Start(network, std::make_shared<CardListQuery>(1), 2), CardAttach::PortFailed);
}

TEST_F(CardLinkTest, ARequestToAddressZeroNeverGoesOut) {
  // Every controller of the line would delete the file, and none would say so.
  const std::vector<CardStep> refused = RunToEnd(std::make_shared<CardDeleteQuery>(0, "a.txt"), 3);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].outcome, CardOutcome::BadAnswer);
  EXPECT_EQ(refused[0].message, kCardBroadcastMessage);
  EXPECT_EQ(refused[0].generation, 3u);
  EXPECT_FALSE(link.Running());
  EXPECT_EQ(ports.FindPortWorker("DEV"), nullptr) << "the port was not even opened";
}

}  // namespace
}  // namespace quillon
