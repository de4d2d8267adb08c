// The simulated phase buffer: filled on request from the measured angle, which follows the
// offset in FLASH, and the angle, stator voltage and current that the tuning tool polls.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/phase_buffer.h"
#include "sim_device_fixture.h"

namespace quillon::sim::testing {
namespace {

constexpr const char* kPhaseDevice =
    "[DEVICE]\r\nID=88 ZK v1 2024-01-01\r\n"
    "[FLASH]\r\np1=cosdf/Смещение/TInteger/x0140/r00A0/эл.град./0,1/2/0/x0000/\r\n"
    "[RAM]\r\n"
    "r1=cos/Угол/TInteger/x0024/r0012/эл.град./0,1/2/0/x0000/\r\n"
    "r2=Ust/Напряжение/TWORD/x0026/r0013/%/0,1/2//0/x0000/\r\n"
    "r3=Ist/Ток/TWORD/x0028/r0014/А/1/2//0/x0000/\r\n";

// Where the current's first rising edge lies behind the voltage's, in degrees.
double Lag(const PhaseSamples& samples) {
  int voltageRise = -1;
  int currentRise = -1;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (voltageRise < 0 && (samples[i] & 0x40) && !(samples[i - 1] & 0x40)) voltageRise = static_cast<int>(i);
    if (voltageRise >= 0 && currentRise < 0 && (samples[i] & 0x80) && !(samples[i - 1] & 0x80))
      currentRise = static_cast<int>(i);
  }
  return (currentRise - voltageRise) * 360.0 / kPhaseSamplesPerPeriod;
}

Bytes QuBUS(std::uint8_t code, std::uint16_t address, Bytes data) {
  Bytes frame{0xA5,
              static_cast<std::uint8_t>(data.size() + 4),
              code,
              static_cast<std::uint8_t>(address >> 8),
              static_cast<std::uint8_t>(address & 0xFF),
              static_cast<std::uint8_t>(data.size())};
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(0x5A);
  return frame;
}

std::int16_t Signed(const Bytes& bytes, std::size_t at) {
  return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

TEST(SimPhase, SamplesAreSquareWavesWithTheCurrentLaggingByTheAngle) {
  for (const double angle : {0.0, 45.0, 90.0, -30.0}) {
    const PhaseSamples samples = SamplePhases(angle);
    EXPECT_NEAR(Lag(samples), angle < 0 ? angle + 360.0 : angle, 360.0 / kPhaseSamplesPerPeriod) << angle;
    int high = 0;
    for (const std::uint8_t byte : samples) {
      high += (byte & 0x40) != 0;
      EXPECT_EQ(byte & 0x3F, 0);
    }
    // Half of every period is high.
    EXPECT_NEAR(high, static_cast<int>(samples.size()) / 2, kPhaseSamplesPerPeriod / 2);
  }
}

TEST(SimPhase, ARequestFillsTheBufferFromTheAngleWithTheTunedOffset) {
  quillon::testing::TempDir dir;
  SimController controller(LoadDeviceImage(WriteDeviceFile(dir, kPhaseDevice)), ControllerOptions{});

  // Without the request the buffer stays empty.
  Response read = controller.Handle(Bytes{0xA5, 0x04, 0x04, 0x04, 0x00, 0xFF, 0x5A}, true);
  ASSERT_EQ(read.bytes.size(), 255u);
  EXPECT_EQ(read.bytes[0] | read.bytes[100], 0);

  // The angle is polled with the other values; still, it stays at the true angle.
  read = controller.Handle(Bytes{0xA5, 0x04, 0x03, 0x00, 0x22, 0x08, 0x5A}, true);
  ASSERT_EQ(read.bytes.size(), 8u);
  const double angle = Signed(read.bytes, 2) / 10.0;
  EXPECT_NEAR(angle, PhaseBuffer::TrueAngle(0.0), 0.05);
  EXPECT_GT(read.bytes[4] | (read.bytes[5] << 8), 900);
  EXPECT_GT(read.bytes[6] | (read.bytes[7] << 8), 0x200);

  // The offset -20,0 (tenths: xFF38) moves the measured angle.
  EXPECT_EQ(controller.Handle(QuBUS(0x12, 0x0140, {0x38, 0xFF}), true).bytes, Bytes{0x12});
  read = controller.Handle(Bytes{0xA5, 0x04, 0x03, 0x00, 0x22, 0x08, 0x5A}, true);
  EXPECT_NEAR(Signed(read.bytes, 2) / 10.0, angle - 20.0, 0.05);

  // Setting the request bit (keeping the byte's other bits) fills the buffer and clears the bit.
  const Response written = controller.Handle(QuBUS(0x10, 0x0022, {0x83}), true);
  EXPECT_EQ(written.bytes, Bytes{0x10});
  std::uint8_t request = 0;
  controller.Memory().Read(Area::Ram, kPhaseRequestAddress, 1, &request);
  EXPECT_EQ(request, 0x81);
  read = controller.Handle(Bytes{0xA5, 0x04, 0x04, 0x04, 0x00, 0xFF, 0x5A}, true);
  ASSERT_EQ(read.bytes.size(), 255u);
  PhaseSamples samples{};
  std::copy(read.bytes.begin(), read.bytes.end(), samples.begin());
  EXPECT_NEAR(Lag(samples), angle - 20.0, 360.0 / kPhaseSamplesPerPeriod);
}

TEST(SimPhase, TheValuesMoveWhenTheControllerRuns) {
  EXPECT_NE(PhaseBuffer::TrueAngle(0.0), PhaseBuffer::TrueAngle(3.0));
  quillon::testing::TempDir dir;
  SimMemory memory;
  PhaseBuffer phases(LoadDeviceImage(WriteDeviceFile(dir, kPhaseDevice)));
  phases.Move(memory, 1.0);
  Bytes first(6);
  memory.Read(Area::Ram, 0x24, 6, first.data());
  phases.Move(memory, 3.0);
  Bytes second(6);
  memory.Read(Area::Ram, 0x24, 6, second.data());
  for (std::size_t at : {0u, 2u, 4u}) EXPECT_NE(Signed(first, at), Signed(second, at)) << at;
}

}  // namespace
}  // namespace quillon::sim::testing
