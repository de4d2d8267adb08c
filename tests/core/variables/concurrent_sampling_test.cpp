// The port worker samples while the window draws and reads values, without a lock between them.
// A writer thread samples a changing image as fast as it can; the reading thread paints and
// checks that every value it reads is one that was written, at the place it was written, and
// not older than what had already been published. Meant to be run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "recording_canvas.h"
#include "text/numbers.h"
#include "variable_fixture.h"
#include "variables/sample_ring.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

constexpr std::uint32_t kSampleCount = 3 * kHistoryLength + 1234;  // several laps of the ring
// Odd multipliers make the encodings one to one, so a value made of the bytes of two different
// samples decodes to a sample that does not belong at its ring index.
constexpr std::uint32_t kWordFactor = 0x9E37u;
constexpr std::uint32_t kDoubleWordFactor = 0x9E3779B1u;

std::uint32_t InverseOdd(std::uint32_t a) {
  std::uint32_t x = a;
  for (int i = 0; i < 5; ++i) x *= 2 - a * x;  // Newton: each step doubles the correct bits
  return x;
}

class ConcurrentSamplingTest : public testing::VariableTest {
 protected:
  void SetUp() override {
    list.Resize(400, 120);  // a trend column of 100 pixels
    auto mark = std::make_unique<TTimeMark>();
    mark->Clock = [this] { return static_cast<DateTime>(clockSample_); };
    timeMark = static_cast<TTimeMark*>(list.Append(std::move(mark)));
    dword = &Create("p=D/d/TDWORD/x0010/r0008/A/1/4/x00000000/", "1/20/0/");
    word = &Create("p=W/d/TWORD/x0020/r0010/A/1/2/x0000/", "1/20/0/");
    for (auto& variable : list.Variables) variable->Layout();
  }

  void Write(std::uint32_t k) {
    const std::uint32_t d = k * kDoubleWordFactor;
    for (int i = 0; i < 4; ++i) image[0x10 + i] = static_cast<std::uint8_t>(d >> (8 * i));
    const auto w = static_cast<std::uint16_t>(k * kWordFactor);
    image[0x20] = static_cast<std::uint8_t>(w);
    image[0x21] = static_cast<std::uint8_t>(w >> 8);
    clockSample_ = k;
    list.SampleAll();
  }

  // The sample number a double word was taken at, checked against where it was read and what
  // had been published before the read began.
  void CheckDoubleWord(std::uint32_t value, int index, std::uint32_t publishedBefore) {
    const std::uint32_t k = value * InverseOdd(kDoubleWordFactor);
    ASSERT_EQ(static_cast<int>(k % kHistoryLength), index) << "value " << value << " was never written here";
    ASSERT_LE(k, kSampleCount);
    // An entry up to the published head cannot be older than one lap behind it.
    ASSERT_GT(k + kHistoryLength, publishedBefore) << "entry at " << index << " is from an earlier lap";
  }
  void CheckWord(std::uint16_t value, int index) {
    const auto k = static_cast<std::uint16_t>(value * static_cast<std::uint16_t>(InverseOdd(kWordFactor)));
    ASSERT_EQ(k % kHistoryLength, index) << "value " << value << " was never written here";
  }

  TTimeMark* timeMark = nullptr;
  TView* dword = nullptr;
  TView* word = nullptr;

 private:
  std::atomic<std::uint32_t> clockSample_{0};
};

TEST_F(ConcurrentSamplingTest, ReadersSeeOnlyWholePublishedSamples) {
  ASSERT_TRUE(list.SetStep(0.1));  // 1000 samples a row: drawn as envelopes
  std::atomic<std::uint32_t> publishedCount{0};
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (std::uint32_t k = 1; k <= kSampleCount; ++k) {
      Write(k);
      publishedCount.store(k, std::memory_order_release);
    }
    done.store(true, std::memory_order_release);
  });

  int checks = 0;
  while (!done.load(std::memory_order_acquire) || checks == 0) {
    const std::uint32_t before = publishedCount.load(std::memory_order_acquire);
    testing::RecordingCanvas canvas(400, 120);
    list.Paint(canvas);  // draws each row from its ring while the sampler writes
    const int head = list.ShownSample(*dword);
    const std::string hex = dword->HexTextAt(head);
    ASSERT_EQ(hex.size(), 9u);
    ASSERT_NO_FATAL_FAILURE(CheckDoubleWord(static_cast<std::uint32_t>(ReadInteger(hex)), head, before));
    for (int back = 0; back < 64; ++back) {
      const int index = dword->RingIndex(head - back);
      if (before > static_cast<std::uint32_t>(back)) {
        ASSERT_NO_FATAL_FAILURE(
            CheckDoubleWord(static_cast<std::uint32_t>(dword->SampleAt(index)), index, before - back));
      }
    }
    // The cheapest reads, many times over: a head published before its entry was written is
    // caught here.
    for (int quick = 0; quick < 256; ++quick) {
      const std::uint32_t published = publishedCount.load(std::memory_order_acquire);
      const int newest = dword->History.Head();
      ASSERT_NO_FATAL_FAILURE(CheckDoubleWord(static_cast<std::uint32_t>(dword->SampleAt(newest)), newest, published));
    }
    const int wordHead = word->History.Head();
    if (before > 0) {
      ASSERT_NO_FATAL_FAILURE(CheckWord(static_cast<std::uint16_t>(word->SampleAt(wordHead)), wordHead));
      const int markHead = timeMark->History.Head();
      const DateTime time = timeMark->TimeAt(markHead);
      ASSERT_EQ(static_cast<int>(static_cast<std::uint32_t>(time) % kHistoryLength), markHead);
      ASSERT_GE(time, static_cast<double>(before));
    }
    ++checks;
  }
  writer.join();
  EXPECT_GT(checks, 0);
  EXPECT_EQ(dword->History.Head(), static_cast<int>(kSampleCount % kHistoryLength));
}

TEST_F(ConcurrentSamplingTest, PendingMarksSetWhileSamplingAreNeverLost) {
  std::uint8_t pending = 0;
  timeMark->AttachMarkFlags(&pending);
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  std::thread writer([&] {
    // Less than a lap, so that every mark taken is still in the ring at the end.
    for (std::uint32_t k = 1; k < kHistoryLength && !stop.load(std::memory_order_acquire); ++k) Write(k);
    finished.store(true, std::memory_order_release);
  });
  // The window raises a tick only once the previous one has been taken, as its one-second
  // timer does; every tick must then land in exactly one sample.
  std::atomic_ref<std::uint8_t> flags(pending);
  int raised = 0;
  while (raised < 2000) {
    while (flags.load() != 0 && !finished.load(std::memory_order_acquire)) std::this_thread::yield();
    if (finished.load(std::memory_order_acquire)) break;
    flags.fetch_or(1);
    ++raised;
  }
  stop.store(true, std::memory_order_release);
  writer.join();
  int marked = 0;
  for (int i = 0; i < kHistoryLength; ++i) marked += timeMark->MarkAt(i) != 0 ? 1 : 0;
  EXPECT_GT(raised, 0);
  EXPECT_EQ(marked + (pending != 0 ? 1 : 0), raised);
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// A history is made on its first write: read before that it is all zeros, and two threads that
// write first at the same moment (the worker sampling, the window marking) both keep their write.
TEST(SampleRingTest, TheEntriesAreMadeOnTheFirstWriteByWhicheverThreadComesFirst) {
  SampleRing untouched(2, kHistoryLength);
  EXPECT_EQ(untouched.Load(kHistoryLength - 1), 0u);
  std::uint8_t bytes[4] = {1, 2, 3, 4};
  untouched.CopyOut(kHistoryLength - 1, 2, 2, bytes);
  EXPECT_EQ((std::vector<std::uint8_t>(bytes, bytes + 4)), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  untouched.ClearBits(5, 1);
  EXPECT_FALSE(untouched.Allocated()) << "reads and clears need no history";

  for (int round = 0; round < 200; ++round) {
    SampleRing ring(1, 64);
    std::atomic<bool> go{false};
    std::thread worker([&] {
      while (!go.load()) {
      }
      ring.Store(3, 0x40);
    });
    std::thread window([&] {
      while (!go.load()) {
      }
      ring.SetBits(9, 0x02);
    });
    go = true;
    worker.join();
    window.join();
    ASSERT_EQ(ring.Load(3), 0x40u) << round;
    ASSERT_EQ(ring.Load(9), 0x02u) << round;
  }
}

}  // namespace
}  // namespace quillon
