#include "events/osc_search.h"

#include <gtest/gtest.h>

#include "event_test_files.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::AppendOsc;
using testing::OscRecordAt;
using testing::TempDir;

// `count` records, one per second from 10:00:00, record n at second n.
class OscSearchTest : public ::testing::Test {
 protected:
  OscFile Make(std::uint32_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t n = 0; n < count; ++n) AppendOsc(bytes, OscRecordAt(36000 + n, static_cast<std::uint16_t>(n)));
    testing::WriteBytes(dir / "OSC.dat", bytes);
    auto file = OscFile::Open(dir / "OSC.dat");
    EXPECT_TRUE(file.has_value());
    return std::move(*file);
  }

  TempDir dir;
};

TEST_F(OscSearchTest, RecordsAreCheckedAndTimedAsTheControllerWritesThem) {
  OscRecordBytes record = OscRecordAt(3600 * 13 + 60 * 7 + 9, 0);
  EXPECT_TRUE(OscRecordValid(record));
  EXPECT_EQ(OscRecordSeconds(record), 9u + 60 * 7 + 3600 * 13 + 86400 * 5);
  EXPECT_EQ(OscRecordStamp(record), EncodeDateTime({2024, 3, 5, 13, 7, 9, 0}));
  record[100] ^= 1;
  EXPECT_FALSE(OscRecordValid(record));
  record[6] = 13;
  EXPECT_EQ(OscRecordStamp(record), 0.0) << "month 13 is no date";
}

TEST_F(OscSearchTest, StepsBackAndForwardUntilTheSecondsAreCovered) {
  OscFile file = Make(400);
  // Event at record 200: 60 s before is two steps back, 45 s after two steps forward.
  const OscSpan span = FindOscSpan(file, 200, 60, 45);
  EXPECT_EQ(span.eventSeconds, 36200u + 86400 * 5);
  EXPECT_EQ(span.start, 140u * 140);
  EXPECT_EQ(span.end, 260u * 140);
  EXPECT_EQ(span.steps, 4u);
  EXPECT_EQ(span.Records(), 120u);
}

TEST_F(OscSearchTest, StopsAtAnUnreadableRecordOrOneOnTheWrongSideOfTheEvent) {
  // Forward runs off the file's end at record 110; backward meets a newer record (time > event).
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t n = 0; n < 100; ++n) AppendOsc(bytes, OscRecordAt(n < 40 ? 50000 : 36000 + n, 0));
  testing::WriteBytes(dir / "OSC.dat", bytes);
  auto wrapped = OscFile::Open(dir / "OSC.dat");
  ASSERT_TRUE(wrapped);
  const OscSpan span = FindOscSpan(*wrapped, 80, 1000, 1000);
  EXPECT_EQ(span.start, 20u * 140) << "record 50 is older, record 20 is newer than the event";
  EXPECT_EQ(span.end, 110u * 140);
  EXPECT_EQ(span.steps, 3u);
}

TEST_F(OscSearchTest, AnEventNearTheStartWrapsBelowZero) {
  OscFile file = Make(100);
  const OscSpan span = FindOscSpan(file, 10, 30, 30);
  EXPECT_EQ(span.start, kOscWrap - (kOscSearchStep - 10 * 140));
  EXPECT_EQ(span.end, 40u * 140);
  EXPECT_EQ(span.steps, 2u);
}

TEST_F(OscSearchTest, AnEventPositionAtTheWrapReadsRecordZero) {
  EXPECT_EQ(OscEventOffset(1000), 140000u);
  const std::uint32_t last = static_cast<std::uint32_t>((kOscWrap - kOscRecordSize) / kOscRecordSize);
  EXPECT_EQ(OscEventOffset(last - 1), (static_cast<std::uint64_t>(last) - 1) * 140);
  EXPECT_EQ(OscEventOffset(last + 1), 0u);
  EXPECT_EQ(OscEventOffset(0xFFFFFFFFu), 0u) << "no 32-bit overflow";
}

TEST_F(OscSearchTest, ForwardSearchWrapsAtTheTop) {
  OscFile file = Make(10);
  // 15339140 × 140 + 4200 passes 0x80000000 by 152.
  const OscSpan span = FindOscSpan(file, 15339140, 5, 5);
  EXPECT_EQ(span.eventSeconds, 0u) << "an event record beyond the file counts as time 0";
  // The bytes read at 152 straddle two records: their time fields are process data zeros, no
  // later than the event, so the search goes on to 4352, past the file's end.
  EXPECT_EQ(span.end, 152u + kOscSearchStep);
  EXPECT_EQ(span.steps, 3u);
}

}  // namespace
}  // namespace quillon
