#pragma once
// Makes RAM variables move so that a scope window has something to draw: numbers follow a sine
// or a ramp, bits toggle, each variable at its own rate. The values are a function of the time
// since start, so nothing has to run between requests.
#include <vector>

#include "sim/device_image.h"
#include "sim/sim_memory.h"

namespace quillon::sim {

enum class Waveform { Sine, Ramp, Toggle };

// The waveform of the n-th moving variable: bits toggle, numbers alternate sine and ramp.
Waveform WaveformOf(const MovingCell& cell, std::size_t index);

// Writes every cell's value at `seconds` into RAM.
void ApplyMotion(SimMemory& memory, const std::vector<MovingCell>& cells, double seconds);

}  // namespace quillon::sim
