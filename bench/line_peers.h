#pragma once
// What the line benchmark measures the program against on the same paced line: libmodbus
// reading registers in its tightest loop, and the simulator's own count of framing violations.
#include <modbus/modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::bench {

struct LibmodbusRun {
  double answersPerSecond = 0;
  long failures = 0;
  std::string error;  // why it could not run at all
};

// Reads `count` registers from `first` of slave `slave` on `device` at `baud` (8N1) as fast as
// libmodbus goes, for `seconds` in `rounds` rounds; the rate of the median round.
inline LibmodbusRun PollWithLibmodbus(const std::string& device, unsigned baud, int slave, int first, int count,
                                      double seconds, int rounds) {
  using Clock = std::chrono::steady_clock;
  LibmodbusRun run;
  modbus_t* context = modbus_new_rtu(device.c_str(), static_cast<int>(baud), 'N', 8, 1);
  if (context == nullptr) {
    run.error = "modbus_new_rtu failed";
    return run;
  }
  modbus_set_slave(context, slave);
  if (modbus_connect(context) != 0) {
    run.error = std::string("modbus_connect: ") + modbus_strerror(errno);
    modbus_free(context);
    return run;
  }
  std::vector<std::uint16_t> registers(static_cast<std::size_t>(count));
  std::vector<double> rates;
  for (int round = 0; round < rounds; ++round) {
    long answers = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds / rounds);
    Clock::time_point last = start;
    while (Clock::now() < end) {
      if (modbus_read_registers(context, first, count, registers.data()) == count) {
        ++answers;
        last = Clock::now();
      } else {
        ++run.failures;
      }
    }
    const double elapsed = std::chrono::duration<double>(last - start).count();
    rates.push_back(elapsed > 0 ? static_cast<double>(answers) / elapsed : 0.0);
  }
  std::sort(rates.begin(), rates.end());
  run.answersPerSecond = rates[rates.size() / 2];
  modbus_close(context);
  modbus_free(context);
  return run;
}

// The count the simulator printed on its way out ("framing violations: N"); -1 without one.
inline long FramingViolations(const std::string& output) {
  const std::string label = "framing violations: ";
  const auto at = output.rfind(label);
  if (at == std::string::npos) return -1;
  return std::stol(output.substr(at + label.size()));
}

}  // namespace quillon::bench
