// The alarm buffer's answers: the clock block, the counter block and a page of log records,
// decoded and turned into the texts the tool shows and exports. Each answer lands in a buffer
// of the worker's size, whatever its length, as on the line.
#include <algorithm>
#include <array>
#include <cstdint>

#include "alarm/controller_clock.h"
#include "alarm/counter_block.h"
#include "alarm/log_page.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  std::array<std::uint8_t, 256> answer{};
  std::copy_n(data, std::min(size, answer.size()), answer.begin());

  ClockFields clock{};
  std::copy_n(answer.begin() + 1, clock.size(), clock.begin());
  ClockText(clock);
  CalibrationText(answer[0]);
  StepCalibration(StepCalibration(answer[0], 1), -1);

  const CounterBlock counters = DecodeCounterBlock(std::span(answer).first(std::min<std::size_t>(size, 64)));
  WorkTimeText(counters.motorSeconds);
  WorkTimeText(counters.maintenanceSeconds);
  WorkTimeText(counters.unitSeconds);
  TripBarWidths(counters.causes, counters.trips);

  LogPage page;
  page.number = static_cast<std::uint8_t>(size % kLogPages);
  for (int index = 0; index < kLogPageRecords; ++index) {
    const std::size_t offset = static_cast<std::size_t>(index) * kLogRecordLength;
    std::array<std::uint8_t, 256> record{};
    if (offset < size) std::copy_n(data + offset, std::min(size - offset, record.size()), record.begin());
    page.records[static_cast<std::size_t>(index)] = DecodeLogRecord(record, index);
    EventExportText(page.records[static_cast<std::size_t>(index)].events);
    AlarmExportText(page.records[static_cast<std::size_t>(index)].alarms);
  }
  SortNewestFirst(page);
  PageLines(page);
  return 0;
}
