// The controller's clock, counter block and event log, as a master reads and writes them over
// QuBUS, and the motor whose life they record.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "e2e/sim_device_fixture.h"
#include "sim/alarm_log.h"
#include "sim/bcd_clock.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/motor_duty.h"

namespace quillon::sim {
namespace {

using testing::Bytes;

Bytes XramRead(std::uint16_t address, std::uint8_t count) {
  return {0xA5, 0x04, 0x04, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), count, 0x5A};
}

Bytes XramWrite(std::uint16_t address, const Bytes& data) {
  Bytes frame{0xA5,
              static_cast<std::uint8_t>(data.size() + 4),
              0x11,
              static_cast<std::uint8_t>(address >> 8),
              static_cast<std::uint8_t>(address),
              static_cast<std::uint8_t>(data.size())};
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(0x5A);
  return frame;
}

Bytes LogRead(std::uint16_t address) {
  return {0xA5, 0x04, 0x0B, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0x00, 0x5A};
}

// The local time a stamp stands for; -1 when a field is not valid BCD in its range.
std::time_t TimeOf(std::span<const std::uint8_t> stamp) {
  const auto field = [&](std::size_t i, int low, int high) {
    const auto value = FromBcd(stamp[i]);
    return value && *value >= low && *value <= high ? *value : -1000;
  };
  std::tm parts{};
  parts.tm_sec = field(0, 0, 59);
  parts.tm_min = field(1, 0, 59);
  parts.tm_hour = field(2, 0, 23);
  parts.tm_mday = field(4, 1, 31);
  parts.tm_mon = field(5, 1, 12) - 1;
  parts.tm_year = 100 + field(6, 0, 99);
  parts.tm_isdst = -1;
  if (parts.tm_sec < 0 || parts.tm_min < 0 || parts.tm_hour < 0 || parts.tm_mday < 0 || parts.tm_mon < 0 ||
      parts.tm_year < 100 || stamp[3] < 1 || stamp[3] > 7) {
    return -1;
  }
  return std::mktime(&parts);
}

std::uint32_t Field(const Bytes& block, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = value << 8 | block[offset + i];
  return value;
}

class AlarmControllerTest : public ::testing::Test {
 protected:
  AlarmControllerTest() : controller_(LoadDeviceImage(testing::WriteDeviceFile(dir_)), ControllerOptions{}) {}

  Bytes Serial(const Bytes& frame) { return controller_.Handle(frame, true).bytes; }
  Bytes Counters() { return Serial(XramRead(kCounterBlockAddress, kCounterBlockSize)); }

  quillon::testing::TempDir dir_;
  SimController controller_;
};

TEST_F(AlarmControllerTest, ClockShowsPcTimeAndTakesTheSetTimeAndCalibration) {
  Bytes clock = Serial(XramRead(kClockAddress, kClockBlockSize));
  ASSERT_EQ(clock.size(), kClockBlockSize);
  EXPECT_NEAR(static_cast<double>(TimeOf(std::span(clock).subspan(1, 7))), static_cast<double>(std::time(nullptr)), 2);
  std::tm today{};
  const std::time_t now = std::time(nullptr);
  ::localtime_r(&now, &today);
  EXPECT_EQ(clock[4], today.tm_wday + 1) << "1 is Sunday";

  // 17.05.2031 10:20:30, a Saturday, calibration -5.
  const Bytes set{0xA5, 0x09, 0x0A, 0x25, 0x30, 0x20, 0x10, 0x07, 0x17, 0x05, 0x31, 0x5A};
  EXPECT_EQ(Serial(set), Bytes{0x0A});
  clock = Serial(XramRead(kClockAddress, kClockBlockSize));
  ASSERT_EQ(clock.size(), kClockBlockSize);
  EXPECT_EQ(clock[0], 0x25);
  std::tm expected{};
  expected.tm_sec = 30;
  expected.tm_min = 20;
  expected.tm_hour = 10;
  expected.tm_mday = 17;
  expected.tm_mon = 4;
  expected.tm_year = 131;
  expected.tm_isdst = -1;
  EXPECT_NEAR(static_cast<double>(TimeOf(std::span(clock).subspan(1, 7))), static_cast<double>(std::mktime(&expected)),
              2);
  EXPECT_EQ(clock[4], 7);

  // Not a time: month 0x13, a nibble past 9, hour 0x24, weekday 8. Nothing changes.
  const std::vector<Bytes> bad{
      {0xA5, 0x09, 0x0A, 0x01, 0x00, 0x00, 0x10, 0x07, 0x17, 0x13, 0x31, 0x5A},
      {0xA5, 0x09, 0x0A, 0x01, 0x00, 0x00, 0x10, 0x07, 0x1A, 0x05, 0x31, 0x5A},
      {0xA5, 0x09, 0x0A, 0x01, 0x00, 0x00, 0x24, 0x07, 0x17, 0x05, 0x31, 0x5A},
      {0xA5, 0x09, 0x0A, 0x01, 0x00, 0x00, 0x10, 0x08, 0x17, 0x05, 0x31, 0x5A},
  };
  for (const Bytes& frame : bad) EXPECT_TRUE(Serial(frame).empty()) << ::testing::PrintToString(frame);
  EXPECT_EQ(controller_.Clock().Calibration(), 0x25);
}

TEST(BcdClock, RunsOnFromTheSetTimeAndKeepsTheWeekdayItWasGiven) {
  BcdClock clock;
  const std::time_t pc = 1'700'000'000;
  // 28.02.2029 23:59:50 given as a Monday (2), though it is a Wednesday.
  ASSERT_TRUE(clock.Set(Bytes{0x1F, 0x50, 0x59, 0x23, 0x02, 0x28, 0x02, 0x29}, pc));
  const auto later = clock.Block(pc + 15);
  EXPECT_EQ(Bytes(later.begin(), later.end()), (Bytes{0x1F, 0x05, 0x00, 0x00, 0x03, 0x01, 0x03, 0x29, 0x00}))
      << "15 s on it is 1 March 00:00:05, and the weekday has moved on by one too";
  EXPECT_FALSE(clock.Set(Bytes{0x00, 0x00, 0x00, 0x00, 0x02, 0x29, 0x02, 0x29}, pc)) << "29.02.2029 does not exist";
  EXPECT_EQ(clock.Block(pc + 15)[5], 0x01);
}

TEST_F(AlarmControllerTest, CounterBlockAgreesWithTheLogAndTakesWritesWithTheirCommit) {
  const Bytes block = Counters();
  ASSERT_EQ(block.size(), kCounterBlockSize);
  std::uint32_t causes = 0;
  for (std::size_t offset = kFirstCauseOffset; offset < kFirstCauseOffset + 2 * kTripCauses; offset += 2)
    causes += Field(block, offset, 2);
  EXPECT_EQ(causes, Field(block, kTripsOffset, 2));
  EXPECT_GT(Field(block, kStartsOffset, 2), Field(block, kTripsOffset, 2));
  const std::uint32_t motorTime = Field(block, kMotorTimeOffset, 4);
  EXPECT_GT(motorTime, 0u);
  EXPECT_GT(Field(block, kUnitTimeOffset, 4), motorTime);
  EXPECT_EQ(Field(block, kMaintenanceOffset, 4), kMaintenanceInterval - motorTime % kMaintenanceInterval);
  // The newest record is the power coming on at start.
  const std::uint32_t last = Field(block, kLastRecordOffset, 2);
  ASSERT_LT(last, kLogRecords);
  const Bytes newest = Serial(LogRead(LogAddressOf(last)));
  ASSERT_EQ(newest.size(), kLogRecordSize);
  EXPECT_EQ(newest[62], kEventCpuOn);
  EXPECT_NEAR(static_cast<double>(TimeOf(std::span(newest).first(7))), static_cast<double>(std::time(nullptr)), 5);

  // Clear: 34 zero bytes from two bytes before the block, then the commit.
  EXPECT_EQ(Serial(XramWrite(kCounterBlockAddress - 2, Bytes(34, 0))), Bytes{0x11});
  EXPECT_EQ(Serial(XramWrite(kCommitAddress, {kCommitByte})), Bytes{0x11});
  EXPECT_EQ(Serial(XramRead(kCommitAddress, 1)), Bytes{0x00}) << "the commit was taken";
  Bytes cleared = Counters();
  EXPECT_EQ(Bytes(cleared.begin(), cleared.begin() + 32), Bytes(32, 0));
  EXPECT_EQ(Field(cleared, kMotorTimeOffset, 4), motorTime) << "work times stay";
  EXPECT_GE(Field(cleared, kUnitTimeOffset, 4), Field(block, kUnitTimeOffset, 4));

  // Motor work time reset and a maintenance time of 10000 h.
  EXPECT_EQ(Serial(XramWrite(kCounterBlockAddress + kMotorTimeOffset, Bytes(4, 0))), Bytes{0x11});
  EXPECT_EQ(Serial(XramWrite(kCounterBlockAddress + kMaintenanceOffset, {0x00, 0x51, 0x25, 0x02})), Bytes{0x11});
  EXPECT_EQ(Serial(XramWrite(kCommitAddress, {kCommitByte})), Bytes{0x11});
  cleared = Counters();
  EXPECT_EQ(Field(cleared, kMotorTimeOffset, 4), 0u);
  EXPECT_EQ(Field(cleared, kMaintenanceOffset, 4), 36'000'000u) << "the motor stands still without --move";
}

TEST_F(AlarmControllerTest, LogRecordsHaveStampsProcessDataAndOnlyRecordAddressesAnswer) {
  std::time_t previous = 0;
  const std::uint32_t last = Field(Counters(), kLastRecordOffset, 2);
  for (std::size_t i = 1; i <= kLogRecords; ++i) {
    const std::size_t number = (last + i) % kLogRecords;  // oldest first
    const Bytes record = Serial(LogRead(LogAddressOf(number)));
    ASSERT_EQ(record.size(), kLogRecordSize) << number;
    const std::time_t at = TimeOf(std::span(record).first(7));
    ASSERT_NE(at, -1) << "record " << number << " has a stamp that is not a time";
    // An hour of slack for a clock put back at the end of summer time.
    EXPECT_GE(at, previous - 3600) << "record " << number << " is older than the one before it";
    previous = at;
    // The process data start at the lowest RAM variable: the word 0x0005, then the flag byte.
    EXPECT_EQ(Bytes(record.begin() + 7, record.begin() + 10), (Bytes{0x05, 0x00, 0x01})) << number;
    EXPECT_NE(record[62], 0) << "every record is an event";
  }
  EXPECT_TRUE(Serial(LogRead(0x0410)).empty()) << "between records";
  EXPECT_TRUE(Serial(LogRead(0x0300)).empty()) << "before the log";
  EXPECT_TRUE(Serial(LogRead(0x8400)).empty()) << "past page 31";
  EXPECT_EQ(Serial(LogRead(0x83C0)).size(), kLogRecordSize) << "page 31, record 15";
}

// The motor driven second by second, its past included.
class MotorDutyTest : public ::testing::Test {
 protected:
  MotorDutyTest()
      : duty_(
            memory_, log_, clock_, [](std::int64_t second) { return Snapshot(second); }, true, kStart) {
    duty_.Begin();
  }
  static ProcessData Snapshot(std::int64_t second) {
    ProcessData data{};
    data[0] = static_cast<std::uint8_t>(second);
    data[54] = 0xEE;
    return data;
  }
  std::uint32_t Field(std::size_t offset, std::size_t width) const { return CounterField(memory_, offset, width); }
  // Records from the one after `from` to `to`, oldest first.
  std::vector<std::span<const std::uint8_t>> Records(std::uint32_t from, std::uint32_t to) const {
    std::vector<std::span<const std::uint8_t>> records;
    for (std::uint32_t n = (from + 1) % kLogRecords; records.empty() || n != (to + 1) % kLogRecords;
         n = (n + 1) % kLogRecords)
      records.push_back(log_.Record(n));
    return records;
  }

  static constexpr std::time_t kStart = 1'700'000'000;
  SimMemory memory_;
  AlarmLog log_;
  BcdClock clock_;
  MotorDuty duty_;
};

TEST_F(MotorDutyTest, ThePastFillsTheLogAndTheCountersCountIt) {
  const std::uint32_t last = Field(kLastRecordOffset, 2);
  const auto records = Records(last, last);
  ASSERT_EQ(records.size(), kLogRecords);
  std::uint32_t starts = 0, trips = 0;
  for (const auto& record : records) {
    starts += (record[62] & kEventOn) ? 1 : 0;
    trips += (record[62] & kEventTrip) ? 1 : 0;
    EXPECT_EQ(record[61], 0xEE) << "55 bytes of process data end at byte 61";
    if (record[62] & kEventTrip) {
      EXPECT_TRUE((record[62] & kEventOff) != 0) << "a trip stops the motor";
    }
  }
  EXPECT_EQ(starts, Field(kStartsOffset, 2));
  EXPECT_EQ(trips, Field(kTripsOffset, 2));
  EXPECT_EQ(records.back()[62], kEventCpuOn);
  EXPECT_EQ(TimeOf(records.back().first(7)), kStart);
  EXPECT_EQ(records[records.size() - 2][62], kEventCpuOff);
  EXPECT_LT(TimeOf(records.front().first(7)), kStart - 86400) << "the past reaches back days";
}

TEST_F(MotorDutyTest, AnHourOfCyclingIsCountedAndLoggedInStep) {
  const std::uint32_t last = Field(kLastRecordOffset, 2);
  const std::uint32_t starts = Field(kStartsOffset, 2), trips = Field(kTripsOffset, 2);
  const std::uint32_t motor = Field(kMotorTimeOffset, 4), unit = Field(kUnitTimeOffset, 4);
  const std::uint32_t maintenance = Field(kMaintenanceOffset, 4);
  for (std::int64_t second = 1; second <= 3600; second += 7) duty_.AdvanceTo(second);
  duty_.AdvanceTo(3600);

  EXPECT_EQ(Field(kUnitTimeOffset, 4) - unit, 3600u);
  const std::uint32_t ran = Field(kMotorTimeOffset, 4) - motor;
  EXPECT_GT(ran, 600u);
  EXPECT_LT(ran, 3600u);
  EXPECT_EQ(maintenance - Field(kMaintenanceOffset, 4), ran) << "maintenance comes nearer as the motor runs";

  const auto records = Records(last, Field(kLastRecordOffset, 2));
  std::uint32_t newStarts = 0, newTrips = 0;
  bool running = false;
  for (const auto& record : records) {
    const std::time_t at = TimeOf(record.first(7));
    ASSERT_GT(at, kStart);
    ASSERT_LE(at, kStart + 3600);
    EXPECT_EQ(record[7], static_cast<std::uint8_t>(at - kStart)) << "the snapshot is of the event's second";
    EXPECT_EQ((record[62] & kEventOn) != 0, !running) << "starts and stops alternate";
    running = (record[62] & kEventOn) != 0;
    newStarts += running ? 1 : 0;
    if (record[62] & kEventTrip) {
      ++newTrips;
      int causes = 0;
      for (int cause = 0; cause < kTripCauses; ++cause)
        causes += AlarmBitsOf(static_cast<TripCause>(cause)) == record[63] ? 1 : 0;
      EXPECT_EQ(causes, 1) << "the alarm bits name one cause";
    } else {
      EXPECT_EQ(record[63], 0) << "no alarm without a trip";
    }
  }
  EXPECT_EQ(running, duty_.Running());
  EXPECT_EQ(Field(kStartsOffset, 2) - starts, newStarts);
  EXPECT_EQ(Field(kTripsOffset, 2) - trips, newTrips);
  EXPECT_GT(newTrips, 0u);
}

TEST_F(MotorDutyTest, CountingGoesOnFromWhatAMasterWrote) {
  SetCounterField(memory_, kLastRecordOffset, 2, 0);
  SetCounterField(memory_, kStartsOffset, 2, 0);
  SetCounterField(memory_, kMotorTimeOffset, 4, 0);
  SetCounterField(memory_, kMaintenanceOffset, 4, 5);
  const std::int64_t start = duty_.NextEvent();
  duty_.AdvanceTo(start + 10);
  EXPECT_EQ(Field(kStartsOffset, 2), 1u);
  EXPECT_EQ(Field(kLastRecordOffset, 2), 1u) << "the next record goes after the number the block holds";
  EXPECT_EQ(log_.Record(1)[62], kEventOn);
  EXPECT_EQ(Field(kMotorTimeOffset, 4), 10u);
  EXPECT_EQ(Field(kMaintenanceOffset, 4), 0u) << "an overdue maintenance stays at 0";
}

}  // namespace
}  // namespace quillon::sim
