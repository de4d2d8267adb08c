#include "sim/motion.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace quillon::sim {
namespace {

// Half the swing of a value that fits the variable with room to spare.
double Amplitude(int size) {
  if (size <= 1) return 100.0;
  if (size == 2) return 1000.0;
  return 100000.0;
}

double Period(std::size_t index) { return 2.0 + static_cast<double>(index % 7); }

void Store(SimMemory& memory, const MovingCell& cell, std::uint32_t raw) {
  std::uint8_t bytes[4];
  const int size = cell.size < 1 ? 1 : (cell.size > 4 ? 4 : cell.size);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
  memory.Write(Area::Ram, cell.address, bytes, static_cast<std::size_t>(size));
}

}  // namespace

Waveform WaveformOf(const MovingCell& cell, std::size_t index) {
  if (cell.isBit) return Waveform::Toggle;
  return index % 2 == 0 ? Waveform::Sine : Waveform::Ramp;
}

void ApplyMotion(SimMemory& memory, const std::vector<MovingCell>& cells, double seconds) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const MovingCell& cell = cells[i];
    const double period = Period(i);
    if (cell.isBit) {
      // Bits toggle faster than numbers move: every quarter of the period.
      const bool on = static_cast<long long>(std::floor(seconds * 4.0 / period)) % 2 == 1;
      std::uint8_t byte = 0;
      if (!memory.Read(Area::Ram, cell.address, 1, &byte)) continue;
      byte = on ? static_cast<std::uint8_t>(byte | cell.mask) : static_cast<std::uint8_t>(byte & ~cell.mask);
      memory.Write(Area::Ram, cell.address, &byte, 1);
      continue;
    }
    const double amplitude = Amplitude(cell.size);
    double value = 0.0;
    if (WaveformOf(cell, i) == Waveform::Sine) {
      value = amplitude + amplitude * std::sin(2.0 * std::numbers::pi * seconds / period);
    } else {
      value = std::fmod(seconds / period, 1.0) * 2.0 * amplitude;
    }
    if (cell.isFloat && cell.size == 4) {
      const float real = static_cast<float>(value / 10.0);
      std::uint32_t raw = 0;
      std::memcpy(&raw, &real, sizeof raw);
      Store(memory, cell, raw);
    } else {
      Store(memory, cell, static_cast<std::uint32_t>(std::lround(value)));
    }
  }
}

}  // namespace quillon::sim
