// Several windows on one line: the polling records take turns, and a one-shot request goes out
// before the next poll, whatever else keeps the worker busy.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "instant_line.h"
#include "link/comm_thread.h"
#include "request_owner.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::InstantLine;
using testing::WaitFor;
using Owner = testing::RequestOwner;

struct SharedLine {
  SharedLine() {
    auto owned = std::make_unique<InstantLine>(std::chrono::microseconds(200));  // a short exchange
    line = owned.get();
    worker = std::make_unique<TComm>("FAKE", std::move(owned), SerialTimings::None());
  }
  ~SharedLine() { worker.reset(); }

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

}  // namespace

TEST(LineSharing, ThreeRecordsOnOnePortAreEachServedWithinOneRoundOfTheOthers) {
  SharedLine shared;
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
  SharedLine shared;
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
  SharedLine shared;
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

}  // namespace quillon
