// The event recorder's files on the simulated card, and the oscillogram rate request.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "e2e/sim_device_fixture.h"
#include "events/buffer_files.h"
#include "events/osc_search.h"
#include "link/crc16.h"
#include "sim/event_recorder.h"
#include "sim/frame_scanner.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

constexpr const char* kRecorderSections =
    "[STAT]\r\nStarts=0/1/0/Пуски\r\nTrips=0/2/0/Отключения\r\nHours=0/3/0/Наработка\r\n"
    "[EVENTS]\r\n1=Пуск/i/0/Пуск/\r\n2=Авария/a/0/Защита/\r\n3=Перегрев/w/0/Защита/\r\n4=Сброс/i\r\n";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::span<const std::uint8_t> AsBytes(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

class SimEventsTest : public ::testing::Test {
 protected:
  SimEventsTest() : devicePath(testing::WriteDeviceFile(dir, std::string(testing::kSmallDevice) + kRecorderSections)) {
    std::filesystem::create_directory(card);
  }
  quillon::testing::TempDir dir;
  std::string devicePath;
  std::string card = dir / "card";
  // 5 March 2024 12:00 local time.
  std::time_t now = [] {
    std::tm parts{};
    parts.tm_year = 124;
    parts.tm_mon = 2;
    parts.tm_mday = 5;
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
  }();
};

TEST_F(SimEventsTest, FilesAgreeWithTheDescriptionsAndTheOscillogram) {
  const DeviceImage image = LoadDeviceImage(devicePath);
  const RecorderFilesMade made = MakeRecorderFiles(devicePath, image, card, now);
  EXPECT_TRUE(made.stat && made.events && made.osc);

  auto stat = ReadStatDescriptions(devicePath);
  ASSERT_EQ(stat.entries.size(), 3u);
  const std::string statBytes = ReadAll(card + "/stat.dat");
  EXPECT_EQ(statBytes.size(), 12u);
  // Copies kept under another name are still told apart by their content.
  const std::string eventBytes = ReadAll(card + "/event.edat");
  EXPECT_EQ(EventKindOf(AsBytes(eventBytes), stat.entries.size()), BufferKind::Events);
  EXPECT_EQ(EventKindOf(AsBytes(statBytes), stat.entries.size()), BufferKind::Statistics);

  const auto descriptions = ReadEventDescriptions(devicePath);
  std::vector<ShownEvent> events;
  const BufferRead read = ReadEventFile(card + "/event.edat", descriptions.entries, events);
  ASSERT_TRUE(read.opened);
  EXPECT_EQ(read.partialBytes, 0u);
  // Eight events, the seventh undescribed, and two empty records.
  EXPECT_EQ(ReadAll(card + "/event.edat").size(), 10u * kEventRecordSize);
  ASSERT_EQ(events.size(), 7u);

  auto osc = OscFile::Open(card + "/OSC.dat");
  ASSERT_TRUE(osc);
  ASSERT_EQ(osc->Size(), std::uint64_t{kSimOscRecords} * kOscRecordSize);
  for (const ShownEvent& event : events) {
    SCOPED_TRACE(event.record.position);
    const auto record = osc->ReadAt(std::uint64_t{event.record.position} * kOscRecordSize);
    ASSERT_TRUE(record);
    EXPECT_TRUE(OscRecordValid(*record));
    EXPECT_EQ((*record)[2], event.record.seconds);
    EXPECT_EQ((*record)[4], event.record.hours);
    EXPECT_EQ((*record)[5], event.record.day);
    // Each event has half a minute, ten steps of three seconds, on both sides within the file.
    const OscSpan span = FindOscSpan(*osc, event.record.position, 30, 30);
    EXPECT_EQ(span.steps, 20u);
  }
}

TEST_F(SimEventsTest, OscillogramIsCircularWithSecondsAdvancingAndTheNewestAtNow) {
  MakeRecorderFiles(devicePath, LoadDeviceImage(devicePath), card, now);
  auto osc = OscFile::Open(card + "/OSC.dat");
  ASSERT_TRUE(osc);
  std::uint32_t previous = 0;
  for (std::uint32_t k = 0; k < kSimOscRecords; ++k) {
    const std::uint32_t n = (kSimOscWritePoint + k) % kSimOscRecords;
    const auto record = osc->ReadAt(std::uint64_t{n} * kOscRecordSize);
    ASSERT_TRUE(record && OscRecordValid(*record)) << n;
    const std::uint32_t seconds = OscRecordSeconds(*record);
    ASSERT_GE(seconds, previous) << "record " << n << " is older than the one written before it";
    previous = seconds;
  }
  const auto newest = osc->ReadAt(std::uint64_t{kSimOscWritePoint - 1} * kOscRecordSize);
  ASSERT_TRUE(newest);
  EXPECT_EQ(OscRecordSeconds(*newest), 5u * 86400 + 12 * 3600);
  EXPECT_EQ((*newest)[7], 24);
}

TEST_F(SimEventsTest, FilesOnTheCardAreKeptAndADeviceWithoutRecorderSectionsGetsNone) {
  std::ofstream(card + "/event.edat", std::ios::binary) << "mine";
  RecorderFilesMade made = MakeRecorderFiles(devicePath, LoadDeviceImage(devicePath), card, now);
  EXPECT_FALSE(made.events);
  EXPECT_TRUE(made.stat);
  EXPECT_EQ(ReadAll(card + "/event.edat"), "mine");

  const std::string bare = testing::WriteDeviceFile(dir, testing::kSmallDevice, "bare.ini");
  const std::string empty = dir / "empty";
  std::filesystem::create_directory(empty);
  made = MakeRecorderFiles(bare, LoadDeviceImage(bare), empty, now);
  EXPECT_FALSE(made.stat || made.events || made.osc);
  EXPECT_TRUE(std::filesystem::is_empty(empty));
}

TEST_F(SimEventsTest, RateRequestIsScannedAndAnswered) {
  const Bytes request = WithCRC({3, kOscRateFunction});
  const ScanResult scanned = ScanFrame(Bytes(request.begin(), request.begin() + 3), true);
  EXPECT_EQ(scanned.status, ScanStatus::NeedMore);
  const ScanResult whole = ScanFrame(request, true);
  EXPECT_EQ(whole.status, ScanStatus::Complete);
  EXPECT_EQ(whole.length, 4u);

  ControllerOptions options;
  options.slaveAddress = 3;
  SimController controller(LoadDeviceImage(devicePath), options);
  const Response response = controller.Handle(request, true);
  EXPECT_EQ(response.bytes, WithCRC({3, kOscRateFunction, kSimOscRate}));
}

TEST(SimEventsDemoTest, TheDemoDeviceDescribesItsRecorder) {
  const std::string demo = QUILLON_SOURCE_DIR "/demo/Devices/TK3/1027.ini";
  quillon::testing::TempDir dir;
  MakeRecorderFiles(demo, LoadDeviceImage(demo), dir.Path(), std::time(nullptr));
  const auto stat = ReadStatDescriptions(demo);
  ASSERT_EQ(stat.entries.size(), 12u);
  EXPECT_EQ(stat.entries.back().name, "Starts");
  const auto descriptions = ReadEventDescriptions(demo);
  ASSERT_EQ(descriptions.entries.size(), 12u);
  std::vector<ShownEvent> events;
  ASSERT_TRUE(ReadEventFile(dir / "event.edat", descriptions.entries, events).opened);
  EXPECT_EQ(events.size(), 21u) << "24 events, three of them undescribed";
}

}  // namespace
}  // namespace quillon::sim
