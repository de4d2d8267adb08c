// The simulated controller's answers, frame by frame: what a master on the line receives.
#include <gtest/gtest.h>

#include <vector>

#include "e2e/sim_device_fixture.h"
#include "link/buses.h"
#include "link/crc16.h"
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

TEST_F(ControllerTest, QuBUSIdentificationIsACountedTextWithAClosingCharacter) {
  const Bytes answer = Serial({0xA5, 0x01, 0x00, 0x5A});
  const std::string wire = Utf8ToCp1251("77 SIM v1.02 2024-01-31 Стенд");
  ASSERT_EQ(answer.size(), wire.size() + 2);
  EXPECT_EQ(answer[0], wire.size() + 1);
  EXPECT_EQ(std::string(answer.begin() + 1, answer.end() - 1), wire);
  EXPECT_EQ(answer.back(), kQuBUSIdClosing);
}

TEST_F(ControllerTest, QuBUSReadsGiveExactlyTheBytesAskedFromTheRightArea) {
  std::uint8_t frame[8];
  int length = 0;
  BuildQuBUSRead(1, "FLASH", 0x0100, 0x0104, frame, length);
  EXPECT_EQ(Serial(Bytes(frame, frame + length)), (Bytes{0x34, 0x12, 0xFF, 0x56}));
  BuildQuBUSRead(1, "RAM", 0x0200, 0x0203, frame, length);
  EXPECT_EQ(Serial(Bytes(frame, frame + length)), (Bytes{0x05, 0x00, 0x01}));
  BuildQuBUSRead(1, "XRAM", 0x0200, 0x0202, frame, length);
  EXPECT_EQ(Serial(Bytes(frame, frame + length)), (Bytes{0x00, 0x00}));
}

TEST_F(ControllerTest, QuBUSReadPastTheEndOfAnAreaOrOfZeroBytesGetsNoAnswer) {
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x05, 0xFF, 0xFF, 0x02, 0x5A}).empty());
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x05, 0x01, 0x00, 0x00, 0x5A}).empty());
  EXPECT_TRUE(Serial({0xA5, 0x04, 0x09, 0x01, 0x00, 0x02, 0x5A}).empty()) << "unknown area code";
}

TEST_F(ControllerTest, QuBUSWriteIsAnsweredWithTheAreasWriteCodeAndLands) {
  std::uint8_t data[2] = {0xCD, 0xAB};
  std::uint8_t frame[16];
  int length = 0;
  BuildQuBUSWrite("RAM", 0x0200, data, 2, frame, length);
  EXPECT_EQ(Serial(Bytes(frame, frame + length)), Bytes{0x10});
  BuildQuBUSWrite("FLASH", 0x0120, data, 2, frame, length);
  EXPECT_EQ(Serial(Bytes(frame, frame + length)), Bytes{0x12});
  EXPECT_EQ(controller_.Memory().Bytes(Area::Ram)[0x200], 0xCD);
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x121], 0xAB);
  // A write whose count disagrees with its frame is not carried out.
  EXPECT_TRUE(Serial({0xA5, 0x06, 0x10, 0x02, 0x00, 0x03, 0x01, 0x02, 0x5A}).empty());
  EXPECT_EQ(controller_.Memory().Bytes(Area::Ram)[0x200], 0xCD);
}

TEST_F(ControllerTest, QuBUSIsNotSpokenOverTcp) {
  EXPECT_TRUE(Tcp({0xA5, 0x01, 0x00, 0x5A}).empty());
}

TEST_F(ControllerTest, ModbusReadSendsRegistersHighByteFirstWithAValidCRC) {
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("5", 0x80, 0x82, frame, length);
  const Bytes answer = Tcp(Bytes(frame, frame + length));
  ASSERT_EQ(answer.size(), 9u);
  EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 7), (Bytes{0x05, 0x03, 0x04, 0x12, 0x34, 0x56, 0xFF}));
  EXPECT_EQ(CRC16(answer.data(), answer.size()), 0);
}

TEST_F(ControllerTest, ReadsByRegisterAndByAddressAgreeInBothAreas) {
  // Registers of RAM variables lie in RAM, the others in FLASH.
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("5", 0x100, 0x102, frame, length);
  Bytes answer = Serial(Bytes(frame, frame + length));
  ASSERT_EQ(answer.size(), 9u);
  EXPECT_EQ(Bytes(answer.begin() + 3, answer.begin() + 7), (Bytes{0x00, 0x05, 0x00, 0x01}));
  BuildMODBUSRead("5", 0x83, 0x85, frame, length);
  answer = Serial(Bytes(frame, frame + length));
  ASSERT_EQ(answer.size(), 9u);
  EXPECT_EQ(Bytes(answer.begin() + 3, answer.begin() + 7), (Bytes{0xCD, 0xEF, 0x89, 0xAB}));
}

TEST_F(ControllerTest, ModbusWriteEchoesTheRequestAndChangesWhatQuBUSReads) {
  std::uint8_t data[4] = {0xEF, 0xBE, 0x01, 0x00};  // memory order, as the program holds it
  std::uint8_t frame[16];
  int length = 0;
  BuildMODBUSWrite("5", 0x80, data, 4, frame, length);
  const Bytes answer = Serial(Bytes(frame, frame + length));
  EXPECT_EQ(answer, WithCRC({0x05, 0x10, 0x00, 0x80, 0x00, 0x02}));
  EXPECT_EQ(Serial({0xA5, 0x04, 0x05, 0x01, 0x00, 0x04, 0x5A}), (Bytes{0xEF, 0xBE, 0x01, 0x00}));
}

TEST_F(ControllerTest, ModbusFramesForOtherSlavesOrWithABadCRCAreIgnored) {
  EXPECT_TRUE(Tcp(WithCRC({0x06, 0x03, 0x00, 0x80, 0x00, 0x01})).empty());
  Bytes corrupt = WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x01});
  corrupt.back() ^= 0x01;
  EXPECT_TRUE(Tcp(corrupt).empty());
}

TEST_F(ControllerTest, BroadcastWritesAreCarriedOutButNotAnswered) {
  EXPECT_TRUE(Tcp(WithCRC({0x00, 0x10, 0x00, 0x90, 0x00, 0x01, 0x02, 0x12, 0x34})).empty());
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x120], 0x34);
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x121], 0x12);
}

TEST_F(ControllerTest, ModbusExceptionsForBadCountsRangesAndFunctions) {
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x00})), MODBUSException(5, 0x03, kIllegalDataValue));
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x00, 0x80, 0x00, 0x7E})), MODBUSException(5, 0x03, kIllegalDataValue));
  // Register 0x8000 would need byte 0x10000 of the area.
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0x7F, 0xFF, 0x00, 0x02})), MODBUSException(5, 0x03, kIllegalDataAddress));
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x03, 0xFF, 0xFF, 0x00, 0x02})), MODBUSException(5, 0x03, kIllegalDataAddress));
  // The byte count must match the register count.
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x10, 0x00, 0x80, 0x00, 0x02, 0x02, 0x12, 0x34})),
            MODBUSException(5, 0x10, kIllegalDataValue));
  EXPECT_EQ(Tcp(WithCRC({0x05, 0x06, 0x00, 0x80, 0x12, 0x34})), MODBUSException(5, 0x06, kIllegalFunction));
  EXPECT_EQ(MODBUSException(5, 0x06, kIllegalFunction)[1], 0x86);
  // A failed write changes nothing.
  EXPECT_EQ(controller_.Memory().Bytes(Area::Flash)[0x100], 0x34);
}

TEST_F(ControllerTest, ReportSlaveIdCarriesTheTextAndTheRunIndicator) {
  std::uint8_t frame[8];
  int length = 0;
  BuildMODBUSRead("5", 7, 7, frame, length);
  const Bytes answer = Tcp(Bytes(frame, frame + length));
  const std::string wire = Utf8ToCp1251("77 SIM v1.02 2024-01-31 Стенд");
  ASSERT_EQ(answer.size(), wire.size() + 6);
  EXPECT_EQ(answer[1], 0x11);
  EXPECT_EQ(answer[2], wire.size() + 1);
  EXPECT_EQ(std::string(answer.begin() + 3, answer.begin() + 3 + static_cast<std::ptrdiff_t>(wire.size())), wire);
  EXPECT_EQ(answer[3 + wire.size()], kMODBUSRunIndicatorOn);
  EXPECT_EQ(CRC16(answer.data(), answer.size()), 0);
}

TEST(ControllerFaults, CorruptedDroppedAndCutAnswersAreWhatTheirNamesSay) {
  quillon::testing::TempDir dir;
  ControllerOptions options;
  options.id = "1 X v1.0 2024-01-01";
  options.faults = ParseFaultSpec("crc=1");
  SimController corrupting(LoadDeviceImage(testing::WriteDeviceFile(dir)), options);
  const Bytes request = WithCRC({0x01, 0x03, 0x00, 0x80, 0x00, 0x02});
  Bytes answer = corrupting.Handle(request, false).bytes;
  ASSERT_EQ(answer.size(), 9u);
  EXPECT_NE(CRC16(answer.data(), answer.size()), 0);

  options.faults = ParseFaultSpec("short=1,delay=25");
  SimController cutting(LoadDeviceImage(testing::WriteDeviceFile(dir)), options);
  const Response cut = cutting.Handle(request, false);
  EXPECT_EQ(cut.bytes.size(), 4u);
  EXPECT_EQ(cut.delayMs, 25);

  options.faults = ParseFaultSpec("drop=1,limit=2");
  SimController dropping(LoadDeviceImage(testing::WriteDeviceFile(dir)), options);
  EXPECT_TRUE(dropping.Handle(request, false).bytes.empty());
  EXPECT_TRUE(dropping.Handle(request, false).bytes.empty());
  answer = dropping.Handle(request, false).bytes;
  ASSERT_EQ(answer.size(), 9u) << "answers come back after the limit";
  EXPECT_EQ(CRC16(answer.data(), answer.size()), 0);
}

}  // namespace
}  // namespace quillon::sim
