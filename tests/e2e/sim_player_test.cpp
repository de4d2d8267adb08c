// The simulated player: its word answers the four commands a master writes, a program comes
// from a card file applied in the device, and moving RAM leaves the word alone.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "e2e/sim_device_fixture.h"
#include "sim/controller.h"
#include "sim/device_image.h"
#include "sim/player.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;

constexpr std::uint8_t kSlave = 1;

constexpr const char* kPlayerDevice =
    "[DEVICE]\r\nID=12 TR v1.0 2024-02-01\r\n[vars]\r\n[FLASH]\r\n"
    "p1=K/Коэф/TWORD/x0100/r0080//1/2//0/x0001/\r\n"
    "[RAM]\r\n"
    "r1=I/Ток/TWORD/x0200/r0100//1/2//0/x0000/\r\n"
    "r2=PLAYER/Плеер/TWORD/x0202/r0101//1/2//0/x0000/\r\n";

Bytes ApplyFrame(const std::string& name) {
  Bytes frame{kSlave, 0x25};
  const std::string wire = Utf8ToCp1251(name);
  frame.insert(frame.end(), wire.begin(), wire.end());
  frame.push_back(0);
  return WithCRC(frame);
}

class SimPlayerTest : public ::testing::Test {
 protected:
  void Start(bool move, const char* device = kPlayerDevice) {
    std::ofstream(card_ / "Заряд.prg") << "program";
    ControllerOptions options;
    options.slaveAddress = kSlave;
    options.move = move;
    options.cardDirectory = card_.Path();
    controller_ = std::make_unique<SimController>(LoadDeviceImage(testing::WriteDeviceFile(dir_, device)), options);
  }

  Bytes Handle(const Bytes& frame) { return controller_->Handle(frame, true).bytes; }

  // Writes the player word as the player window does and reads it back by register.
  std::uint16_t Command(std::uint16_t word) {
    const Bytes answer = Handle(WithCRC({kSlave, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02,
                                         static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)}));
    EXPECT_EQ(answer, WithCRC({kSlave, 0x10, 0x01, 0x01, 0x00, 0x01}));
    return Read();
  }

  std::uint16_t Read() {
    const Bytes answer = Handle(WithCRC({kSlave, 0x03, 0x01, 0x01, 0x00, 0x01}));
    if (answer.size() != 7) return 0xFFFF;
    return static_cast<std::uint16_t>((answer[3] << 8) | answer[4]);
  }

  quillon::testing::TempDir dir_;
  quillon::testing::TempDir card_;
  std::unique_ptr<SimController> controller_;
};

TEST_F(SimPlayerTest, NothingPlaysUntilACardFileIsApplied) {
  Start(false);
  ASSERT_TRUE(controller_->Player().Present());
  EXPECT_EQ(Read(), kPlayerStoppedBit);
  // START without a program: still stopped; repeat is taken all the same.
  EXPECT_EQ(Command(kPlayerPlayingBit | kPlayerRepeatBit), kPlayerStoppedBit | kPlayerRepeatBit);

  // A file the card lacks selects nothing.
  EXPECT_EQ(Handle(ApplyFrame("нет.prg")), WithCRC({kSlave, 0xE5}));
  EXPECT_EQ(Read(), kPlayerStoppedBit | kPlayerRepeatBit);
  EXPECT_EQ(Handle(ApplyFrame("Заряд.prg")), WithCRC({kSlave, 0x25}));
  EXPECT_EQ(controller_->Player().Program(), "Заряд.prg");
  EXPECT_EQ(Read(), kPlayerStoppedBit | kPlayerRepeatBit | kPlayerSelectedBit);
}

TEST_F(SimPlayerTest, TheFourCommandsDriveTheWord) {
  Start(false);
  Handle(ApplyFrame("Заряд.prg"));
  const std::uint16_t selected = kPlayerSelectedBit;
  EXPECT_EQ(Command(kPlayerPlayingBit), kPlayerPlayingBit | selected);
  EXPECT_EQ(Command(kPlayerPlayingBit | kPlayerPausedBit), kPlayerPlayingBit | kPlayerPausedBit | selected);
  // Stop ends play and pause.
  EXPECT_EQ(Command(kPlayerStoppedBit | kPlayerPausedBit), kPlayerStoppedBit | selected);
  // A pause without play holds nothing; the selection bit is the player's, whatever is written.
  EXPECT_EQ(Command(kPlayerPausedBit | kPlayerStoppedBit), kPlayerStoppedBit | selected);
  EXPECT_EQ(Command(kPlayerPlayingBit), kPlayerPlayingBit | selected);
  // Halting a playing program (play cleared, stop not set) is taken as written.
  EXPECT_EQ(Command(0), selected);

  // Applying a program while one plays stops it.
  Command(kPlayerPlayingBit);
  Handle(ApplyFrame("Заряд.prg"));
  EXPECT_EQ(Read(), kPlayerStoppedBit | selected);
}

TEST_F(SimPlayerTest, MovingRamLeavesThePlayerWordAlone) {
  Start(true);
  Handle(ApplyFrame("Заряд.prg"));
  Command(kPlayerPlayingBit | kPlayerRepeatBit);
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(Read(), kPlayerPlayingBit | kPlayerRepeatBit | kPlayerSelectedBit);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
}

TEST_F(SimPlayerTest, ADeviceWithoutPlayerIgnoresTheCommands) {
  Start(false, testing::kSmallDevice);
  EXPECT_FALSE(controller_->Player().Present());
  Handle(ApplyFrame("Заряд.prg"));
  // The RAM word at register 0x101 (a bit variable) is written as asked.
  Handle(WithCRC({kSlave, 0x10, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00, 0x01}));
  const Bytes answer = Handle(WithCRC({kSlave, 0x03, 0x01, 0x01, 0x00, 0x01}));
  ASSERT_EQ(answer.size(), 7u);
  EXPECT_EQ(answer[4], 0x01);
}

}  // namespace
}  // namespace quillon::sim
