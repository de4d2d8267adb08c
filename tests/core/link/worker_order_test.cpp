#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>

#include "link/comm_thread.h"
#include "pty_peer.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::WaitFor;

// A line that records what is sent and can hold the worker at the start of an exchange, so a
// test can change the list at a moment of its choosing.
class HeldLine final : public SerialLine {
 public:
  void Hold(bool hold) {
    {
      std::lock_guard lock(mutex_);
      hold_ = hold;
    }
    changed_.notify_all();
  }
  bool Waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
  }
  std::vector<Bytes> Sent() {
    std::lock_guard lock(mutex_);
    return sent_;
  }

  void Purge() override {
    std::unique_lock lock(mutex_);
    waiting_ = hold_;
    changed_.wait(lock, [&] { return !hold_; });
    waiting_ = false;
  }
  bool Send(const std::uint8_t* data, std::size_t length) override {
    std::lock_guard lock(mutex_);
    sent_.emplace_back(data, data + length);
    return true;
  }
  std::uint32_t ReceiveAnswer(std::uint8_t* buffer, std::size_t capacity) override {
    if (capacity > 0) buffer[0] = 0x99;
    return capacity > 0 ? 1 : 0;
  }
  void Interrupt() override { Hold(false); }
  bool Configure(unsigned, unsigned) override { return true; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool hold_ = false;
  bool waiting_ = false;
  std::vector<Bytes> sent_;
};

struct Poller {
  explicit Poller(std::uint8_t id) : frame{id} {
    record.RequestBuf = frame;
    record.RequestLen = 1;
    record.AnswerBuf = answer;
    record.AnswerCapacity = sizeof answer;
    record.OnAnswer = [this](TLinkRequest& served) {
      ++count;
      served.Busy = false;
    };
  }
  std::uint8_t frame[1];
  std::uint8_t answer[4] = {};
  TLinkRequest record;
  std::atomic<int> count{0};
};

}  // namespace

TEST(SerialWorkerOrder, RecordsAreServedFromTheLastToTheFirst) {
  auto owned = std::make_unique<HeldLine>();
  HeldLine& line = *owned;
  TComm worker("FAKE", std::move(owned), SerialTimings::None());
  Poller a(0xA), b(0xB), c(0xC);
  line.Hold(true);
  worker.AddRequest(&a.record);
  ASSERT_TRUE(WaitFor([&] { return line.Waiting(); }));  // serving A, the only record
  worker.AddRequest(&b.record);
  worker.AddRequest(&c.record);
  line.Hold(false);
  ASSERT_TRUE(WaitFor([&] { return line.Sent().size() >= 7; }));
  worker.RemoveRequest(&a.record);
  worker.RemoveRequest(&b.record);
  worker.RemoveRequest(&c.record);
  const auto sent = line.Sent();
  const std::vector<Bytes> expected{{0xA}, {0xC}, {0xB}, {0xA}, {0xC}, {0xB}, {0xA}};
  EXPECT_EQ(std::vector<Bytes>(sent.begin(), sent.begin() + 7), expected);
  EXPECT_EQ(a.answer[0], 0x99);
}

TEST(SerialWorkerOrder, AListShortenedDuringAPassStartsANewOne) {
  auto owned = std::make_unique<HeldLine>();
  HeldLine& line = *owned;
  TComm worker("FAKE", std::move(owned), SerialTimings::None());
  Poller a(0xA), b(0xB), c(0xC);
  a.record.Busy = b.record.Busy = true;
  worker.AddRequest(&a.record);
  worker.AddRequest(&b.record);
  line.Hold(true);
  worker.AddRequest(&c.record);
  ASSERT_TRUE(WaitFor([&] { return line.Waiting(); }));  // serving C at the end of the list
  // Withdrawing A and B while C is in service: the pass must not step onto them.
  auto removeA = std::async(std::launch::async, [&] { worker.RemoveRequest(&a.record); });
  auto removeB = std::async(std::launch::async, [&] { worker.RemoveRequest(&b.record); });
  removeA.get();
  removeB.get();
  line.Hold(false);
  ASSERT_TRUE(WaitFor([&] { return c.count >= 3; }));
  for (const Bytes& frame : line.Sent()) EXPECT_EQ(frame, Bytes{0xC});
  EXPECT_EQ(worker.RequestCount(), 1);
  worker.RemoveRequest(&c.record);
}

TEST(WorkerMutexRules, ReentrantAndForgivingOfStrayUnlocks) {
  WorkerMutex mutex;
  mutex.Unlock();  // never locked: ignored
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));
  ASSERT_TRUE(mutex.LockFor(std::chrono::milliseconds(10)));  // taken again by its holder
  auto other = std::async(std::launch::async, [&] {
    mutex.Unlock();  // not the holder: ignored
    return mutex.LockFor(std::chrono::milliseconds(20));
  });
  EXPECT_FALSE(other.get());
  mutex.Unlock();
  EXPECT_TRUE(mutex.HeldByThisThread());
  mutex.Unlock();
  EXPECT_FALSE(mutex.HeldByThisThread());
  auto later = std::async(std::launch::async, [&] {
    const bool got = mutex.LockFor(std::chrono::milliseconds(20));
    if (got) mutex.Unlock();
    return got;
  });
  EXPECT_TRUE(later.get());
}

}  // namespace quillon
