#include "sim/phase_buffer.h"

#include <cmath>
#include <numbers>
#include <string_view>

namespace quillon::sim {
namespace {

std::optional<MovingCell> Find(const std::vector<MovingCell>& cells, std::string_view name) {
  for (const MovingCell& cell : cells) {
    if (cell.name == name) return cell;
  }
  return std::nullopt;
}

double Wave(double seconds, double period) { return std::sin(2.0 * std::numbers::pi * seconds / period); }

void Store(SimMemory& memory, const std::optional<MovingCell>& cell, long value) {
  if (!cell) return;
  std::uint8_t bytes[4] = {};
  const int size = cell->size < 1 ? 1 : (cell->size > 4 ? 4 : cell->size);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(static_cast<unsigned long>(value) >> (8 * i));
  memory.Write(Area::Ram, cell->address, bytes, static_cast<std::size_t>(size));
}

}  // namespace

PhaseSamples SamplePhases(double angleDegrees) {
  PhaseSamples samples{};
  const double lag = angleDegrees / 360.0 * kPhaseSamplesPerPeriod;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double position = static_cast<double>(i);
    const auto high = [](double at) {
      return std::fmod(std::fmod(at, kPhaseSamplesPerPeriod) + kPhaseSamplesPerPeriod, kPhaseSamplesPerPeriod) <
             kPhaseSamplesPerPeriod / 2.0;
    };
    std::uint8_t byte = 0;
    if (high(position)) byte |= 0x40;
    if (high(position - lag)) byte |= 0x80;
    samples[i] = byte;
  }
  return samples;
}

PhaseBuffer::PhaseBuffer(const DeviceImage& image)
    : angle_(Find(image.moving, "cos")),
      voltage_(Find(image.moving, "Ust")),
      current_(Find(image.moving, "Ist")),
      offset_(Find(image.settings, "cosdf")) {}

double PhaseBuffer::TrueAngle(double seconds) { return 30.0 + 12.0 * Wave(seconds, 11.0); }

double PhaseBuffer::MeasuredAngle(const SimMemory& memory, double seconds) const {
  double offset = 0.0;
  if (offset_) {
    std::uint8_t bytes[2] = {};
    if (memory.Read(Area::Flash, offset_->address, 2, bytes))
      offset = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8)) / 10.0;
  }
  return TrueAngle(seconds) + offset;
}

void PhaseBuffer::Move(SimMemory& memory, double seconds) const {
  Store(memory, angle_, std::lround(MeasuredAngle(memory, seconds) * 10.0));
  Store(memory, voltage_, std::lround(1000.0 + 30.0 * Wave(seconds, 7.0)));
  Store(memory, current_, std::lround(0x300 + 0x40 * Wave(seconds, 5.0)));
}

bool PhaseBuffer::TakeRequest(SimMemory& memory, double seconds) const {
  std::uint8_t request = 0;
  if (!memory.Read(Area::Ram, kPhaseRequestAddress, 1, &request) || (request & kPhaseRequestMask) == 0) return false;
  const PhaseSamples samples = SamplePhases(MeasuredAngle(memory, seconds));
  memory.Write(Area::Xram, kPhaseBufferStart, samples.data(), samples.size());
  request = static_cast<std::uint8_t>(request & ~kPhaseRequestMask);
  memory.Write(Area::Ram, kPhaseRequestAddress, &request, 1);
  return true;
}

}  // namespace quillon::sim
