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

TEST_F(OscSearchTest, StopsAtARecordOnTheWrongSideOfTheEventOrTooFarFromIt) {
  // Backward meets a newer record (time > event); forward wraps at the file's end to record 10,
  // which lies far beyond the seconds after.
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t n = 0; n < 100; ++n) AppendOsc(bytes, OscRecordAt(n < 40 ? 50000 : 36000 + n, 0));
  testing::WriteBytes(dir / "OSC.dat", bytes);
  auto wrapped = OscFile::Open(dir / "OSC.dat");
  ASSERT_TRUE(wrapped);
  const OscSpan span = FindOscSpan(*wrapped, 80, 1000, 1000);
  EXPECT_EQ(span.start, 20u * 140) << "record 50 is older, record 20 is newer than the event";
  EXPECT_EQ(span.end, 10u * 140);
  EXPECT_EQ(span.steps, 3u);
}

TEST_F(OscSearchTest, AnEventNearTheStartWrapsToTheFilesTail) {
  // The file is circular: 30 records back from record 10 of 100 is record 80, here a newer one.
  OscFile file = Make(100);
  const OscSpan span = FindOscSpan(file, 10, 30, 30);
  EXPECT_EQ(span.start, 80u * 140);
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

TEST_F(OscSearchTest, SearchesWrapAtTheTopOnARecordBoundary) {
  OscFile file = Make(10);
  // Record 15339140 is 28 records below the last whole record under 0x80000000 (15339167): 30
  // records on is record 2, not the bytes that 0x80000000 itself would wrap to (152, straddling
  // records 1 and 2, whose time fields are process data).
  const OscSpan forward = FindOscSpan(file, 15339140, 5, 5);
  EXPECT_EQ(forward.eventSeconds, 0u) << "an event record beyond the file counts as time 0";
  EXPECT_EQ(forward.end, 2u * kOscRecordSize) << "record 2, at 10:00:02, ends the search";
  EXPECT_EQ(forward.steps, 2u);

  // 30 records back from record 5 is record 15339143 of the position space.
  const OscSpan back = FindOscSpan(file, 5, 5, 5);
  EXPECT_EQ(back.start, (kOscWrapRecords - 25) * kOscRecordSize);
  EXPECT_EQ(back.start % kOscRecordSize, 0u);
}

// A circular file of 3000 records at 10 a second, as the controller leaves it: the newest
// record is 1999, so 2000 is the oldest and record n is (n + 1000) % 3000 tenths of a second
// after it.
class OscWindowTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kRecords = 3000;

  static std::uint32_t Order(std::uint32_t record) { return (record + 1000) % kRecords; }

  OscFile Make() {
    for (std::uint32_t n = 0; n < kRecords; ++n) {
      AppendOsc(bytes, OscRecordAt(36000 + Order(n) / 10, static_cast<std::uint16_t>(n)));
    }
    testing::WriteBytes(dir / "OSC.dat", bytes);
    auto file = OscFile::Open(dir / "OSC.dat");
    EXPECT_TRUE(file.has_value());
    return std::move(*file);
  }

  TempDir dir;
  std::vector<std::uint8_t> bytes;
};

TEST_F(OscWindowTest, RecordsBeforeTheFilesStartComeFromItsTailAndAfterItsEndFromItsStart) {
  OscFile file = Make();
  // Event at record 480 (second 148 of the file's time): 60 s before reach back past record 0
  // to 2880, 120 s after forward to 1680.
  const OscSpan early = FindOscSpan(file, 480, 60, 120);
  EXPECT_EQ(early.start, 2880u * kOscRecordSize);
  EXPECT_EQ(early.end, 1680u * kOscRecordSize);
  EXPECT_EQ(early.Records(), 1800u) << "60 steps of 30 records";

  // Event at record 2950: 30 s after run past the end to record 250.
  const OscSpan late = FindOscSpan(file, 2950, 30, 30);
  EXPECT_EQ(late.start, 2650u * kOscRecordSize);
  EXPECT_EQ(late.end, 250u * kOscRecordSize);
  EXPECT_EQ(late.Records(), 600u);
}

}  // namespace
}  // namespace quillon
