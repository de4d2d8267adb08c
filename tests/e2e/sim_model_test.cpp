// What the simulator makes of a device file (memory, register map, moving variables), and where
// it finds the end of a frame.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <stdexcept>

#include "e2e/sim_device_fixture.h"
#include "sim/device_image.h"
#include "sim/frame_scanner.h"
#include "sim/motion.h"
#include "sim/register_map.h"

namespace quillon::sim {
namespace {

using testing::Bytes;

TEST(DeviceImage, FlashTakesFlashThenCdThenRamValuesAndRamTakesRam) {
  quillon::testing::TempDir dir;
  const DeviceImage image = LoadDeviceImage(testing::WriteDeviceFile(dir));
  EXPECT_EQ(image.id, "77 SIM v1.02 2024-01-31 Стенд");
  const auto flash = image.memory.Bytes(Area::Flash);
  EXPECT_EQ(flash[0x100], 0x34) << "FLASH wins over CD at the same address";
  EXPECT_EQ(flash[0x102], 0xFF) << "bytes nobody covers read as erased flash";
  EXPECT_EQ(flash[0x103], 0x56);
  EXPECT_EQ(flash[0x104], 0xEF) << "a clear bit clears only its own bit";
  EXPECT_EQ(flash[0x109], 0x89);
  EXPECT_EQ(flash[0x120], 0x77) << "CD fills what FLASH leaves";
  EXPECT_EQ(flash[0x200], 0x05) << "RAM values fill FLASH's gaps too";
  const auto ram = image.memory.Bytes(Area::Ram);
  EXPECT_EQ(ram[0x202], 0x01);
  EXPECT_EQ(ram[0x100], 0x00) << "FLASH values stay out of RAM";
  ASSERT_EQ(image.moving.size(), 2u);
  EXPECT_TRUE(image.moving[1].isBit);
  EXPECT_EQ(image.moving[1].mask, 1u);
}

TEST(DeviceImage, UnreadableFilesAreReportedWithTheirPath) {
  quillon::testing::TempDir dir;
  const std::string empty = testing::WriteDeviceFile(dir, "[DEVICE]\r\nID=1 X v1.0 2024-01-01\r\n", "empty.ini");
  try {
    LoadDeviceImage(empty);
    ADD_FAILURE() << "a file without variables was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("empty.ini"), std::string::npos);
  }
  const std::string bad = testing::WriteDeviceFile(
      dir, "[DEVICE]\r\nID=1 X v1.0 2024-01-01\r\n[FLASH]\r\np1=A/a/TWORD/xZZ/r0080//1/2//0/x0001/\r\n", "bad.ini");
  EXPECT_THROW(LoadDeviceImage(bad), std::runtime_error);
}

TEST(RegisterMap, RamRegistersReachAsFarAsAMastersSpanAsks) {
  const RegisterMap map = RegisterMap::FromHints({
      {Area::Flash, 0x100, 0x80, false, 2},
      {Area::Ram, 0x200, 0x100, false, 2},
      {Area::Ram, 0x204, 0x102, false, 4},
  });
  EXPECT_EQ(map.RamFirst(), 0x100u);
  EXPECT_EQ(map.RamEnd(), 0x105u);  // 0x102 + (4 >> 1) + 1
  EXPECT_EQ(map.Locate(0x104)->area, Area::Ram);
  EXPECT_EQ(map.Locate(0x105)->area, Area::Flash);
  EXPECT_EQ(map.Locate(0x80)->address, 0x100u);
  EXPECT_FALSE(map.Locate(0x8000).has_value());
}

TEST(RegisterMap, AnOffsetMostVariablesAgreeOnIsUsed) {
  // Registers numbered from 0 for memory at 0x1000; one line disagrees and is outvoted. A byte
  // in the high half of its register says where the register's low half lies.
  const RegisterMap map = RegisterMap::FromHints({
      {Area::Flash, 0x1000, 0, false, 2},
      {Area::Flash, 0x1003, 1, true, 1},
      {Area::Flash, 0x0500, 9, false, 2},
  });
  EXPECT_EQ(map.Offset(Area::Flash), 0x1000);
  EXPECT_EQ(map.Locate(9)->address, 0x1012u);
}

TEST(FrameScanner, FramesEndWhereTheirStructureSays) {
  struct Case {
    Bytes bytes;
    bool qubus;
    ScanStatus status;
    std::size_t length;
  };
  const std::vector<Case> cases{
      {{0xA5, 0x04, 0x05, 0x01}, true, ScanStatus::NeedMore, 0},
      {{0xA5, 0x04, 0x05, 0x01, 0x00, 0x10, 0x5A, 0x01}, true, ScanStatus::Complete, 7},
      {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5}, false, ScanStatus::NeedMore, 0},
      {{0x01, 0x11, 0xC0, 0x2C}, false, ScanStatus::Complete, 4},
      {{0x01, 0x10, 0x00, 0x10, 0x00, 0x01, 0x02, 0x12, 0x34, 0xA9}, false, ScanStatus::NeedMore, 0},
      {{0x01, 0x10, 0x00, 0x10, 0x00, 0x01, 0x02, 0x12, 0x34, 0xA9, 0xB7}, false, ScanStatus::Complete, 11},
      {{0x01, 0x2B, 0x0E}, false, ScanStatus::Unknown, 0},
      // Over TCP A5 is a slave address; where QuBUS may come, a wrong end byte means MODBUS.
      {{0xA5, 0x01, 0x00, 0x5A}, false, ScanStatus::NeedMore, 0},
      {{0xA5, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}, true, ScanStatus::Complete, 8},
  };
  for (const Case& c : cases) {
    const auto scan = ScanFrame(c.bytes, c.qubus);
    EXPECT_EQ(scan.status, c.status) << ::testing::PrintToString(c.bytes);
    if (c.status == ScanStatus::Complete) {
      EXPECT_EQ(scan.length, c.length) << ::testing::PrintToString(c.bytes);
    }
  }
}

TEST(FrameScanner, CardFramesEndAfterTheirNamesAndDataHoweverTheyArrive) {
  using testing::WithCRC;
  // Zeros in the offsets, a name, a counted name, upload data with zeros of its own.
  const std::vector<Bytes> frames{
      WithCRC({0x01, 0x20}),
      WithCRC({0x01, 0x21, 0xFF}),
      WithCRC({0x01, 0x22, 0x00, 0x00, 0x00, 0x00, 'a', 'b', 0x00}),
      WithCRC({0x01, 0x23, 0xE6, 0x00, 0x00, 0x00, 0xCE, 0x00, 0x03, 0x00, 0x00, 0x07}),
      WithCRC({0x01, 0x23, 0x00, 0x00, 0x00, 0x00, 'x', 0x00, 0x00}),
      WithCRC({0x01, 0x24, 0x02, 'a', 'b'}),
      WithCRC({0x01, 0x25, 'a', 0x00}),
  };
  for (const Bytes& frame : frames) {
    for (const bool serial : {true, false}) {
      for (std::size_t cut = 0; cut < frame.size(); ++cut) {
        const auto scan = ScanFrame(std::span(frame).first(cut), serial);
        EXPECT_EQ(scan.status, ScanStatus::NeedMore) << ::testing::PrintToString(frame) << " cut at " << cut;
      }
      Bytes withNext = frame;
      withNext.push_back(0x01);
      const auto scan = ScanFrame(withNext, serial);
      EXPECT_EQ(scan.status, ScanStatus::Complete) << ::testing::PrintToString(frame);
      EXPECT_EQ(scan.length, frame.size()) << ::testing::PrintToString(frame);
    }
  }
  // A name that never ends is taken once the line falls quiet.
  Bytes endless{0x01, 0x25};
  endless.resize(300, 'n');
  EXPECT_EQ(ScanFrame(endless, true).status, ScanStatus::Unknown);
}

TEST(Motion, NumbersMoveAndBitsToggleWithoutTouchingTheirNeighbours) {
  SimMemory memory;
  std::vector<MovingCell> cells = {
      {"S", 0x10, 2, 0xFF, false},
      {"R", 0x12, 2, 0xFF, false},
      {"B", 0x14, 1, 0x04, true},
  };
  const std::uint8_t others = 0xA3;  // bit 2 clear, other bits set
  memory.Write(Area::Ram, 0x14, &others, 1);
  auto word = [&](std::size_t at) { return memory.Bytes(Area::Ram)[at] | (memory.Bytes(Area::Ram)[at + 1] << 8); };
  std::set<int> sines, ramps;
  std::set<bool> bits;
  for (double t = 0.0; t < 4.0; t += 0.1) {
    ApplyMotion(memory, cells, t);
    sines.insert(word(0x10));
    ramps.insert(word(0x12));
    const std::uint8_t byte = memory.Bytes(Area::Ram)[0x14];
    bits.insert((byte & 0x04) != 0);
    ASSERT_EQ(byte & ~0x04, others) << "other bits of the byte changed at t=" << t;
    ASSERT_LE(word(0x10), 2000);
  }
  EXPECT_GT(sines.size(), 10u);
  EXPECT_GT(ramps.size(), 10u);
  EXPECT_EQ(bits.size(), 2u);
}

}  // namespace
}  // namespace quillon::sim
