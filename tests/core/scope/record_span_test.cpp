// Which samples a record takes, for any head, any fill of the ring and any two rulers: exactly
// the marked samples, oldest first, their times strictly increasing, across the ring's end too.
#include "scope/record_span.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "scope/record_file.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "text/datetime.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

const DateTime kStart = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});

// A time mark that took `samples` samples, the n-th (from 1) at kStart + n seconds.
std::unique_ptr<TTimeMark> Sampled(int samples) {
  auto mark = std::make_unique<TTimeMark>();
  int taken = 0;
  mark->Clock = [&taken] { return kStart + ++taken / 86400.0; };
  for (int i = 0; i < samples; ++i) mark->TakeSample();
  mark->Clock = NowDateTime;
  return mark;
}

// The number (from 1) of the sample a time stands for.
int SampleNumber(DateTime time) { return static_cast<int>(std::lround((time - kStart) * 86400.0)); }

// Every sample of the span, oldest first, follows the one before it by exactly one.
void ExpectConsecutive(const TTimeMark& mark, const RecordSpan& span, int firstNumber) {
  for (int i = 0; i < span.count; ++i) {
    ASSERT_EQ(SampleNumber(mark.TimeAt(mark.RingIndex(span.first + i))), firstNumber + i) << "sample " << i;
  }
}

TEST(RecordSpan, TheWholeHistoryHoldsOnlyTakenSamplesUpToTheNewest) {
  for (const int taken : {0, 1, 37, kHistoryLength - 2, kHistoryLength - 1, kHistoryLength, kHistoryLength + 5,
                          2 * kHistoryLength + 17}) {
    const auto mark = Sampled(taken);
    const RecordSpan span = WholeHistorySpan(*mark, mark->History.Head());
    const int held = std::min(taken, kHistoryLength - 1);
    ASSERT_EQ(span.count, held) << taken;
    if (held == 0) continue;
    EXPECT_EQ(mark->RingIndex(span.first + span.count - 1), mark->History.Head()) << "ends with the newest, " << taken;
    ExpectConsecutive(*mark, span, taken - held + 1);
  }
}

TEST(RecordSpan, RulersInEitherOrderAndAcrossTheEndGiveTheStretchBetweenThem) {
  std::mt19937 random(2024);
  for (const int taken : {50, kHistoryLength + 20, 3 * kHistoryLength - 7}) {
    const auto mark = Sampled(taken);
    const int held = std::min(taken, kHistoryLength - 1);
    const int head = mark->History.Head();
    std::uniform_int_distribution<int> age(0, held - 1);
    for (int round = 0; round < 200; ++round) {
      const int ageA = age(random);
      const int ageB = round == 0 ? ageA : age(random);
      const int a = mark->RingIndex(head - ageA);
      const int b = mark->RingIndex(head - ageB);
      for (const auto& [first, second] : {std::pair{a, b}, std::pair{b, a}}) {
        const RecordSpan span = RulerSpan(head, first, second, kHistoryLength);
        ASSERT_EQ(span.count, std::abs(ageA - ageB) + 1) << a << " " << b;
        ExpectConsecutive(*mark, span, taken - std::max(ageA, ageB));
      }
    }
  }
  // The case seen in the window: rulers at 32760 and 5 with the head just past them, 14 apart.
  const auto wrapped = Sampled(kHistoryLength + 10);
  ASSERT_EQ(wrapped->History.Head(), 10);
  for (const auto& [first, second] : {std::pair{32760, 5}, std::pair{5, 32760}}) {
    const RecordSpan span = RulerSpan(wrapped->History.Head(), first, second, kHistoryLength);
    EXPECT_EQ(span.first, 32760);
    EXPECT_EQ(span.count, 14);
  }
}

TEST(RecordSpan, ARecordOfAStretchAcrossTheEndReadsBackInTimeOrder) {
  testing::TempDir dir;
  testing::UnexpectedPrompt prompt;
  TViewList list;
  list.Append(Sampled(kHistoryLength + 10));
  std::vector<std::uint8_t> image(kImageSize);
  ASSERT_NE(CreateVariable("p1=Speed/Speed/TWORD/x0010/r0008/rpm/1/2/x0000/", "1/16/", image, list), nullptr);
  const auto& mark = dynamic_cast<const TTimeMark&>(list[0]);
  for (const RecordSpan span :
       {RulerSpan(mark.History.Head(), 5, 32760, kHistoryLength), WholeHistorySpan(mark, mark.History.Head())}) {
    const std::string path = dir / "r.rec";
    ASSERT_EQ(WriteRecord(RecordHeader{}, list, span.first, path, span.first + span.count - 1, prompt), span.count);
    TViewList back;
    RecordHeader header;
    ASSERT_EQ(OpenRecord(path, back, header), span.count);
    const auto& read = dynamic_cast<const TTimeMark&>(back[0]);
    for (int i = 1; i < span.count; ++i) {
      ASSERT_LT(read.TimeAt(read.RingIndex(i - 1)), read.TimeAt(read.RingIndex(i))) << i;
    }
    EXPECT_EQ(read.TimeAt(read.RingIndex(span.count - 1)), mark.TimeAt(mark.RingIndex(span.first + span.count - 1)));
    EXPECT_EQ(read.TimeAt(0), mark.TimeAt(span.first));
  }
}

}  // namespace
}  // namespace quillon
