// The simulated controller's answers, frame by frame: what a master on the line receives.
#include <gtest/gtest.h>

#include <vector>

#include "e2e/sim_device_fixture.h"
#include "sim/controller.h"
#include "sim/device_image.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() : controller_(LoadDeviceImage(testing::WriteDeviceFile(dir_)), Options()) {}

  static ControllerOptions Options() {
    ControllerOptions options;
    options.id = "77 SIM v1.02 2024-01-31 Стенд";
    options.slaveAddress = 5;
    return options;
  }

  Bytes Serial(const Bytes& frame) { return controller_.Handle(frame, true).bytes; }
  Bytes Tcp(const Bytes& frame) { return controller_.Handle(frame, false).bytes; }

  quillon::testing::TempDir dir_;
  SimController controller_;
};

// The answers of well-formed requests are checked end to end; here the frames a master should
// never get an answer to, or that must change nothing.
TEST_F(ControllerTest, QuBUSFramesThatGetNoAnswer) {
  // Past the end of an area, zero bytes, an unknown area.
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x05, 0xFF, 0xFF, 0x02, 0x5A}).empty());
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x05, 0x01, 0x00, 0x00, 0x5A}).empty());
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x09, 0x01, 0x00, 0x02, 0x5A}).empty());
  EXPECT_TRUE(Tcp({0xA5, 0x01, 0x00, 0x5A}).empty()) << "QuBUS is not spoken over TCP";
  // A write whose count disagrees with its frame is not carried out.
  EXPECT_TRUE(Serial({0xA5, 0x06, 0x10, 0x02, 0x00, 0x03, 0x01, 0x02, 0x5A}).empty());
  EXPECT_EQ(controller_.Memory().Bytes(Area::Ram)[0x200], 0x05);
}

TEST_F(ControllerTest, FramesForOtherSlavesBadCRCsAndBroadcasts) {
  EXPECT_TRUE(Tcp(WithCRC({0x06, 0x03, 0x00, 0x80, 0x00, 0x01})).empty());
  Bytes corrupt = WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x01});
  corrupt.back() ^= 0x01;
  EXPECT_TRUE(Tcp(corrupt).empty());
  // Broadcast writes are carried out but not answered.
  EXPECT_TRUE(Tcp(WithCRC({0x00, 0x10, 0x00, 0x90, 0x00, 0x01, 0x02, 0x12, 0x34})).empty());
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x120], 0x34);
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x121], 0x12);
}

TEST_F(ControllerTest, ModbusExceptionsForBadCountsRangesAndFunctions) {
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x00})), MODBUSException(5, 0x03, kIllegalDataValue));
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x7E})), MODBUSException(5, 0x03, kIllegalDataValue));
  // Register 0x8000 would need byte 0x10000 of the area.
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x7F, 0xFF, 0x00, 0x02})), MODBUSException(5, 0x03, kIllegalDataAddress));
  // The byte count must match the register count.
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x10, 0x00, 0x80, 0x00, 0x02, 0x02, 0x12, 0x34})),
            MODBUSException(5, 0x10, kIllegalDataValue));
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x06, 0x00, 0x80, 0x12, 0x34})), MODBUSException(5, 0x06, kIllegalFunction));
  // A failed write changes nothing.
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x100], 0x34);
}

}  // namespace
}  // namespace quillon::sim
