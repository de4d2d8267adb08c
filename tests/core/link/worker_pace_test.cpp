// How a worker spends its time: straight on after a pass that served someone, resting after one
// that served nobody until a record is added, and never keeping owners from its lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "instant_line.h"
#include "link/comm_thread.h"
#include "link/tcpip_list.h"
#include "loopback_device.h"
#include "request_owner.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::InstantLine;
using testing::WaitFor;
using Owner = testing::RequestOwner;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct PacedWorker {
  PacedWorker() {
    auto owned = std::make_unique<InstantLine>();
    line = owned.get();
    worker = std::make_unique<TComm>("FAKE", std::move(owned), SerialTimings::None());
  }
  // How often the worker looks at its line during `duration`.
  long LooksDuring(milliseconds duration) {
    const long before = line->looks.load();
    std::this_thread::sleep_for(duration);
    return line->looks.load() - before;
  }

  InstantLine* line = nullptr;
  std::unique_ptr<TComm> worker;
};

}  // namespace

TEST(WorkerPace, SerialWorkerServesBackToBackAndRestsWhenNothingIsAsked) {
  PacedWorker paced;
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_LT(paced.LooksDuring(milliseconds(300)), 40) << "an idle worker wakes only now and then";

  // A record served with no delay of its own is asked again at once, not a millisecond later.
  // (The median leaves out the moments another process had the processor.)
  Owner poller({0x01});
  poller.record.DelayMs = 0;
  paced.worker->AddRequest(&poller.record);
  ASSERT_TRUE(WaitFor([&] { return poller.count > 300; }));
  paced.worker->RemoveRequest(&poller.record);
  EXPECT_LT(paced.line->MedianGap(), std::chrono::microseconds(300));

  // Records that wait for their owners are looked at again after a bounded rest, not in a spin.
  Owner waiting({0x02}, false);
  waiting.record.Busy = true;
  paced.worker->AddRequest(&waiting.record);
  const long looks = paced.LooksDuring(milliseconds(300));
  EXPECT_LT(looks, 1500);
  EXPECT_GT(looks, 30) << "a record its owner clears must be seen soon";
  waiting.record.Busy = false;
  EXPECT_TRUE(WaitFor([&] { return waiting.count == 1; }, milliseconds(500)));
  paced.worker->RemoveRequest(&waiting.record);
}

TEST(WorkerPace, AddingARecordWakesTheRestingWorker) {
  PacedWorker paced;
  const auto start = Clock::now();
  for (int i = 0; i < 10; ++i) {
    // Each one-shot record is dropped once served; the worker then rests until the next comes.
    Owner once({static_cast<std::uint8_t>(i)}, false);
    once.record.OneShot = true;
    once.record.DelayMs = 0;
    paced.worker->AddRequest(&once.record);
    ASSERT_TRUE(WaitFor([&] { return once.count == 1 && !paced.worker->HasRequest(&once.record); }));
    paced.worker->RemoveRequest(&once.record);
  }
  // Ten full idle rests would take about half a second.
  EXPECT_LT(Clock::now() - start, milliseconds(250));
}

TEST(WorkerPace, TcpOwnersGetTheLockAtTheEndOfThePassInProgress) {
  constexpr std::uint32_t kPassMs = 20;
  testing::LoopbackDevice device(testing::EchoAfter(0x66));
  const TcpPeer ip{ParseIPv4("127.0.0.1"), device.Port()};
  TTCPIPList list;
  Owner poller({0x01, 0x03}, true, 4096);
  poller.record.DelayMs = kPassMs;
  list.Lock(ip);
  ASSERT_EQ(list.OpenWorker(ip), 0);
  list.AddRequest(ip, &poller.record);
  list.Unlock(ip);
  ASSERT_TRUE(WaitFor([&] { return poller.count > 2; }));
  TTCPIPThread* worker = list.FindWorker(ip);
  ASSERT_NE(worker, nullptr);
  // The mutex itself is not fair: a worker that retook it at once would keep an owner out for
  // pass after pass.
  Clock::duration longest{};
  for (int i = 0; i < 20; ++i) {
    const auto asked = Clock::now();
    ASSERT_TRUE(worker->Lock()) << "attempt " << i;
    longest = std::max(longest, Clock::now() - asked);
    worker->Unlock();
  }
  EXPECT_LT(longest, milliseconds(kPassMs * 3 / 2)) << "an owner waited longer than the pass in progress";
  Owner once({0x07}, false, 4096);
  once.record.OneShot = true;
  list.AddRequest(ip, &once.record);
  EXPECT_TRUE(WaitFor([&] { return once.count == 1; }));
  list.RemoveRequest(ip, &poller.record);
  list.RemoveRequest(ip, &once.record);
  EXPECT_EQ(poller.Answers().back(), (Bytes{0x66, 0x01, 0x03}));
}

}  // namespace quillon
