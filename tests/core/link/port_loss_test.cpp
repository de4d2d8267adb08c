// A serial port that goes away under its worker (an adapter pulled out, a simulator ended) and
// comes back, possibly under another device path that its Ports/ link then leads to.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "link/comm_list.h"
#include "link_bytes.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::PtyPeer;
using testing::WaitFor;
using Owner = testing::RequestOwner;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void Unlink(const testing::TempDir& dir, const std::string& name) {
  const std::string link = dir / ("Ports/" + name);
  if (::unlink(link.c_str()) != 0) throw std::runtime_error("cannot remove " + link);
}

// Counts in a list taken once: the worker goes on answering while a test looks.
std::size_t EmptyAnswersAfter(const std::vector<Bytes>& answers, std::size_t first) {
  std::size_t empty = 0;
  for (std::size_t i = first; i < answers.size(); ++i) empty += answers[i].empty() ? 1 : 0;
  return empty;
}

bool AnsweredWith(Owner& owner, std::uint8_t marker) {
  const auto answers = owner.Answers();
  return !answers.empty() && !answers.back().empty() && answers.back().front() == marker;
}

}  // namespace

TEST(SerialPortLoss, TheWorkerReopensThePortByNameWithoutSpinningMeanwhile) {
  testing::TempDir dir;
  auto peer = std::make_unique<PtyPeer>();
  testing::LinkPort(dir.Path(), "LINE", peer->SlavePath());
  peer->Start(testing::EchoAfter(0x55));
  TCommList list(dir.Path());
  list.SetTimings(SerialTimings::None());
  Owner poller({0x01, 0x02});
  ASSERT_EQ(list.OpenPortWorker("LINE"), 0);
  ASSERT_TRUE(list.ConfigurePort("LINE", 19200, 8));
  list.AddRequest("LINE", &poller.record);
  ASSERT_TRUE(WaitFor([&] { return AnsweredWith(poller, 0x55); }));
  TComm* worker = list.FindPortWorker("LINE");

  // Pulled out: the device vanishes with its name, as a simulator removes its link and udev a
  // by-id name. (A dangling link would be followed to whatever terminal is given that number
  // next, another test's simulator included.)
  Unlink(dir, "LINE");
  peer.reset();
  ASSERT_TRUE(WaitFor([&] { return !worker->LineUp(); }));
  // An answer that came in just before the hang-up may still be handed over after it.
  ASSERT_TRUE(WaitFor([&] { return EmptyAnswersAfter(poller.Answers(), 0) > 0; }));
  const std::size_t before = poller.Answers().size();
  std::this_thread::sleep_for(milliseconds(1000));
  const auto down = poller.Answers();
  const std::size_t whileDown = down.size() - before;
  EXPECT_GE(whileDown, 2u) << "owners must still learn that nothing answers";
  EXPECT_LE(whileDown, 8u) << "the lost port is retried in a loop";
  EXPECT_EQ(EmptyAnswersAfter(down, before), whileDown);
  // A one-shot record registered meanwhile gets its empty answer and is dropped.
  Owner once({0x09}, false);
  once.record.OneShot = true;
  once.record.AnswerLen = 99;
  list.AddRequest("LINE", &once.record);
  ASSERT_TRUE(WaitFor([&] { return once.count == 1 && !worker->HasRequest(&once.record); }));
  EXPECT_EQ(once.record.AnswerLen, 0u);

  // Plugged back under another device path; the settings come back with it.
  auto back = std::make_unique<PtyPeer>();
  back->Start(testing::EchoAfter(0x77));
  testing::LinkPort(dir.Path(), "LINE", back->SlavePath());
  const auto plugged = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return AnsweredWith(poller, 0x77); }));
  EXPECT_LT(Clock::now() - plugged, milliseconds(1000));
  EXPECT_TRUE(worker->LineUp());
  termios settings{};
  ASSERT_EQ(::tcgetattr(back->KeeperFd(), &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
  EXPECT_EQ(settings.c_cc[VMIN], 0);  // our own raw mode, not the peer's

  // Gone and back while nobody asks: the next request is answered at the first try.
  Owner idle({0x0A}, false);
  idle.record.Busy = true;  // keeps the port open without asking
  list.AddRequest("LINE", &idle.record);
  list.RemoveRequest("LINE", &poller.record);
  Unlink(dir, "LINE");
  back.reset();
  auto again = std::make_unique<PtyPeer>();
  again->Start(testing::EchoAfter(0x88));
  testing::LinkPort(dir.Path(), "LINE", again->SlavePath());
  std::this_thread::sleep_for(milliseconds(600));
  Owner next({0x0B}, false);
  next.record.OneShot = true;
  list.AddRequest("LINE", &next.record);
  ASSERT_TRUE(WaitFor([&] { return next.count == 1; }));
  EXPECT_EQ(next.Answers().at(0), (Bytes{0x88, 0x0B}));

  // A worker whose port is lost still stops at once.
  Unlink(dir, "LINE");
  again.reset();
  ASSERT_TRUE(WaitFor([&] { return !worker->LineUp(); }));
  const auto start = Clock::now();
  list.RemoveRequest("LINE", &next.record);
  list.RemoveRequest("LINE", &idle.record);
  EXPECT_EQ(list.FindPortWorker("LINE"), nullptr);
  EXPECT_LT(Clock::now() - start, milliseconds(500));
}

}  // namespace quillon
