// How a serial worker spends its time on a line that answers at once: straight on after a pass
// that served someone, resting after one that served nobody until a record is added, never
// keeping owners from its lock; polling records take turns and a one-shot request goes out before
// the next poll; and the MODBUS silent interval, counted from the moment the line fell quiet, is
// kept for MODBUS requests only and not at all once switched off.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "instant_line.h"
#include "link/comm_thread.h"
#include "link/line_timing.h"
#include "link/tcpip_list.h"
#include "link_bytes.h"
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

// A worker on a line whose every exchange takes `exchange`.
struct FakeLine {
  explicit FakeLine(std::chrono::microseconds exchange = std::chrono::microseconds(0)) {
    auto owned = std::make_unique<InstantLine>(exchange);
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

// The largest difference, at any point of the sequence, between how often two of `marks` had
// been served.
int LargestLead(const std::vector<std::uint8_t>& sent, const std::vector<std::uint8_t>& marks) {
  std::map<std::uint8_t, int> served;
  int lead = 0;
  for (std::uint8_t mark : sent) {
    if (std::find(marks.begin(), marks.end(), mark) == marks.end()) continue;
    ++served[mark];
    int least = served[mark], most = served[mark];
    for (std::uint8_t other : marks) {
      least = std::min(least, served[other]);
      most = std::max(most, served[other]);
    }
    lead = std::max(lead, most - least);
  }
  return lead;
}

// The gaps before 50 requests of `frame` at 19,200 Bd, sorted.
std::vector<Clock::duration> GapsBefore(const Bytes& frame, bool silentInterval) {
  FakeLine fake;
  fake.worker->ConfigurePort(19200, 8);
  fake.worker->SetSilentInterval(silentInterval);
  Owner poller(frame);
  poller.record.DelayMs = 0;
  fake.worker->AddRequest(&poller.record);
  EXPECT_TRUE(WaitFor([&] { return poller.count > 50; }));
  fake.worker->RemoveRequest(&poller.record);
  return fake.line->Gaps();
}

}  // namespace

TEST(WorkerPace, SerialWorkerServesBackToBackAndRestsWhenNothingIsAsked) {
  FakeLine paced;
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
  FakeLine paced;
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

TEST(LineSharing, ThreeRecordsOnOnePortAreEachServedWithinOneRoundOfTheOthers) {
  FakeLine shared(std::chrono::microseconds(200));  // a short exchange
  Owner first({0x01}), second({0x02}), third({0x03});
  // A fourth window asks again and again with one-shot requests, as a card transfer or a
  // terminal does: it must not take the turns of the polling records.
  Owner once({0x09}, false);
  once.record.OneShot = true;
  std::atomic<bool> stop{false};
  std::thread asker([&] {
    while (!stop) {
      if (!shared.worker->HasRequest(&once.record)) {
        once.record.Busy = false;
        shared.worker->AddRequest(&once.record);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  for (Owner* owner : {&first, &second, &third}) shared.worker->AddRequest(&owner->record);
  ASSERT_TRUE(WaitFor([&] { return first.count > 150 && second.count > 150 && third.count > 150; }));
  stop = true;
  asker.join();
  for (Owner* owner : {&first, &second, &third, &once}) shared.worker->RemoveRequest(&owner->record);

  const auto sent = shared.line->Sent();
  EXPECT_LE(LargestLead(sent, {0x01, 0x02, 0x03}), 1);
  EXPECT_GT(std::count(sent.begin(), sent.end(), 0x09), 30);
}

TEST(LineSharing, AOneShotRequestGoesOutBeforeTheNextPoll) {
  FakeLine shared(std::chrono::microseconds(200));  // a short exchange
  Owner first({0x01}), second({0x02}), third({0x03});
  for (Owner* owner : {&first, &second, &third}) shared.worker->AddRequest(&owner->record);
  ASSERT_TRUE(WaitFor([&] { return third.count > 20; }));
  for (int attempt = 0; attempt < 20; ++attempt) {
    Owner once({0x09}, false);
    once.record.OneShot = true;
    const std::size_t before = shared.line->Sent().size();
    shared.worker->AddRequest(&once.record);
    ASSERT_TRUE(WaitFor([&] { return once.count == 1; }));
    shared.worker->RemoveRequest(&once.record);
    // At most the poll that was under way when it came goes out before it.
    const auto sent = shared.line->Sent();
    const auto at = std::find(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end(), 0x09);
    ASSERT_NE(at, sent.end());
    EXPECT_LE(at - (sent.begin() + static_cast<std::ptrdiff_t>(before)), 1) << "attempt " << attempt;
  }
  for (Owner* owner : {&first, &second, &third}) shared.worker->RemoveRequest(&owner->record);
}

TEST(LineSharing, ARecordWaitingForItsOwnerDoesNotHoldUpTheOthers) {
  FakeLine shared(std::chrono::microseconds(200));  // a short exchange
  Owner fast({0x01}), slow({0x02}, false);
  shared.worker->AddRequest(&fast.record);
  shared.worker->AddRequest(&slow.record);
  ASSERT_TRUE(WaitFor([&] { return slow.count == 1; }));
  const int before = fast.count.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GT(fast.count.load() - before, 20);  // the slow owner keeps Busy set all this time
  slow.record.Busy = false;
  EXPECT_TRUE(WaitFor([&] { return slow.count == 2; }));
  shared.worker->RemoveRequest(&fast.record);
  shared.worker->RemoveRequest(&slow.record);
}

TEST(SilentInterval, AMODBUSRequestWaitsThreeAndAHalfCharactersAfterTheLineFellQuiet) {
  const auto interval = MODBUSSilentInterval(19200);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(interval).count(), 1822);
  const auto kept = GapsBefore(testing::MODBUSRead(256, 257), true);
  ASSERT_FALSE(kept.empty());
  EXPECT_GE(kept.front(), interval);  // every one of them
  // Switched off, or for QuBUS, the requests follow at once: most gaps are a fraction of it.
  for (const auto& gaps :
       {GapsBefore(testing::MODBUSRead(256, 257), false), GapsBefore(testing::QuBUSRead("RAM", 0, 16), true)}) {
    ASSERT_FALSE(gaps.empty());
    EXPECT_LT(gaps[gaps.size() / 2], interval / 2);
  }
}

TEST(SilentInterval, AboveNineteenThousandTwoHundredBaudItIsFixed) {
  using std::chrono::microseconds;
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(9600)).count(), 3645);
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(38400)).count(), 1750);
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(MODBUSSilentInterval(115200)).count(), 1750);
  // 3.5 characters of 11 bits (a parity bit) at 9,600 Bd.
  EXPECT_EQ(std::chrono::duration_cast<microseconds>(ThreeAndAHalfCharacters(9600, {8, true, 1})).count(), 4010);
  EXPECT_EQ(LineTime(37, 19200).count(), 19'270'834);
}

}  // namespace quillon
