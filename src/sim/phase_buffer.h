#pragma once
// The phase buffer of an excitation controller: on request (a bit in RAM) it samples the
// logic levels of stator voltage and current 255 times into XRAM, bit 6 the voltage and bit 7
// the current, about four mains periods. The current lags the voltage by the measured angle,
// which is the true angle plus the offset the engineer tunes in FLASH (cosdf); the angle
// itself, the stator voltage and the stator current move as a running motor's do.
//
// Angles are kept in tenths of an electrical degree, as the demo device declares cos and cosdf.
#include <array>
#include <cstdint>
#include <optional>

#include "sim/device_image.h"
#include "sim/sim_memory.h"

namespace quillon::sim {

inline constexpr std::uint16_t kPhaseRequestAddress = 0x22;  // RAM
inline constexpr std::uint8_t kPhaseRequestMask = 0x02;
inline constexpr std::uint16_t kPhaseBufferStart = 0x0400;  // XRAM
inline constexpr std::size_t kPhaseBufferBytes = 255;
inline constexpr int kPhaseSamplesPerPeriod = 64;

using PhaseSamples = std::array<std::uint8_t, kPhaseBufferBytes>;

// The samples for a current that lags the voltage by `angleDegrees`.
PhaseSamples SamplePhases(double angleDegrees);

class PhaseBuffer {
 public:
  explicit PhaseBuffer(const DeviceImage& image);

  // The angle between voltage and current at `seconds` since start, in degrees.
  static double TrueAngle(double seconds);
  // The angle the controller measures: the true one plus the offset in FLASH.
  double MeasuredAngle(const SimMemory& memory, double seconds) const;
  // Brings the angle, the stator voltage and the stator current in RAM up to `seconds`.
  void Move(SimMemory& memory, double seconds) const;
  // When the request bit is set, fills the buffer and clears the bit, as the controller does
  // once the buffer is ready; true then.
  bool TakeRequest(SimMemory& memory, double seconds) const;

 private:
  std::optional<MovingCell> angle_;
  std::optional<MovingCell> voltage_;
  std::optional<MovingCell> current_;
  std::optional<MovingCell> offset_;
};

}  // namespace quillon::sim
