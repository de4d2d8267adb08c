#include "link/traffic_log.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "traffic_frames.h"

namespace quillon {
namespace {

using testing::ModbusTrafficFrame;
using testing::QuBUSTrafficFrame;

std::vector<std::int64_t> RowTimes(const TrafficLog& log) {
  std::vector<std::int64_t> times;
  for (std::size_t row = 0; row < log.Rows(); ++row) times.push_back(log.Row(row).timeUs);
  return times;
}

TEST(TrafficLog, HoldsTheNewestHundredThousandAndItsViewFollows) {
  TrafficLog log;
  ASSERT_EQ(log.Capacity(), 100000u);
  log.SetFilter({.link = "A"});
  constexpr std::int64_t kFrames = 100005;
  for (std::int64_t i = 0; i < kFrames; ++i) log.Append(ModbusTrafficFrame(i, i % 2 == 0 ? "A" : "B", 1));
  EXPECT_EQ(log.Size(), 100000u);
  EXPECT_EQ(log.Frame(0).timeUs, 5) << "the five oldest are gone";
  EXPECT_EQ(log.Frame(log.Size() - 1).timeUs, kFrames - 1);
  // Frames 6, 8 … 100004 of link A are held.
  ASSERT_EQ(log.Rows(), 50000u);
  for (std::size_t row = 0; row < log.Rows(); ++row) {
    ASSERT_EQ(log.Row(row).timeUs, 6 + 2 * static_cast<std::int64_t>(row));
    ASSERT_EQ(log.Row(row).Link(), "A");
  }

  // What a table needs to know before the next frames push rows out.
  EXPECT_EQ(log.Overflow(3), 3u);
  EXPECT_EQ(log.RowsAmongOldest(3), 1u) << "frames 5, 6, 7: only 6 is shown";
  log.DropOldest(3);
  EXPECT_EQ(log.Rows(), 49999u);
  EXPECT_EQ(log.Row(0).timeUs, 8);
  EXPECT_EQ(log.Overflow(2), 0u) << "room for three";
  EXPECT_EQ(log.Overflow(5), 2u);
  log.Clear();
  EXPECT_EQ(log.Size() + log.Rows() + log.Overflow(1), 0u);
}

TEST(TrafficLog, AnIncrementalViewEqualsOneBuiltAfresh) {
  // A small ring wrapped many times, the filter changed on the way: every append and drop must
  // leave the rows a rebuild would give.
  TrafficLog log(50);
  std::mt19937 random(7);
  const char* links[] = {"COM1", "COM10", "127.0.0.1:502"};
  const FrameVerdict verdicts[] = {FrameVerdict::None, FrameVerdict::OK, FrameVerdict::CRC};
  const TrafficFilter filters[] = {{.link = "COM1"}, {.address = 2}, {.verdict = FrameVerdict::CRC}, {}};
  for (int i = 0; i < 2000; ++i) {
    const char* link = links[random() % 3];
    const FrameVerdict verdict = verdicts[random() % 3];
    const auto slave = static_cast<std::uint8_t>(1 + random() % 2);
    log.Append(random() % 5 == 0 ? QuBUSTrafficFrame(i, link, verdict) : ModbusTrafficFrame(i, link, slave, verdict));
    if (i % 97 == 0) log.DropOldest(random() % 20);
    if (i % 250 == 0) log.SetFilter(filters[(i / 250) % 4]);
    if (i % 50 != 0) continue;
    TrafficLog fresh(50);
    for (std::size_t index = 0; index < log.Size(); ++index) fresh.Append(log.Frame(index));
    fresh.SetFilter(log.Filter());
    ASSERT_EQ(RowTimes(log), RowTimes(fresh)) << "after frame " << i;
  }
}

TEST(TrafficFilter, LinkAddressAndVerdict) {
  const TrafficFrame request = ModbusTrafficFrame(1, "COM1", 2);
  const TrafficFrame crc = ModbusTrafficFrame(2, "COM1", 2, FrameVerdict::CRC);
  const TrafficFrame ok = ModbusTrafficFrame(3, "COM1", 2, FrameVerdict::OK);
  const TrafficFrame qubus = QuBUSTrafficFrame(4, "COM1", FrameVerdict::CRC);

  EXPECT_TRUE(TrafficFilter{}.Matches(qubus));
  EXPECT_TRUE(TrafficFilter{.link = "COM1"}.Matches(request));
  EXPECT_FALSE(TrafficFilter{.link = "COM"}.Matches(request)) << "the name exactly, not its start";
  EXPECT_FALSE(TrafficFilter{.link = "COM10"}.Matches(request));

  EXPECT_TRUE(TrafficFilter{.address = 2}.Matches(request));
  EXPECT_FALSE(TrafficFilter{.address = 1}.Matches(request));
  EXPECT_FALSE(TrafficFilter{.address = 0}.Matches(qubus)) << "a frame without an address is hidden";

  EXPECT_TRUE(TrafficFilter{.verdict = FrameVerdict::CRC}.Matches(crc));
  EXPECT_TRUE(TrafficFilter{.verdict = FrameVerdict::CRC}.Matches(qubus));
  EXPECT_FALSE(TrafficFilter{.verdict = FrameVerdict::CRC}.Matches(ok));
  EXPECT_FALSE(TrafficFilter{.verdict = FrameVerdict::CRC}.Matches(request)) << "requests have no verdict";

  const TrafficFilter all{.link = "COM1", .address = 2, .verdict = FrameVerdict::CRC};
  EXPECT_TRUE(all.Matches(crc));
  EXPECT_FALSE(all.Matches(qubus));
  EXPECT_FALSE(all.Matches(ok));
}

}  // namespace
}  // namespace quillon
