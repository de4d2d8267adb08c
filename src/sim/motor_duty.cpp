#include "sim/motor_duty.h"

namespace quillon::sim {
namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 3600;
// One in this many stops is a trip.
constexpr std::int64_t kTripOdds = 3;

}  // namespace

std::uint8_t AlarmBitsOf(TripCause cause) {
  switch (cause) {
    case TripCause::Async:
      return kAlarmAsync;
    case TripCause::Overcurrent:
      return kAlarmOvercurrent;
    case TripCause::FieldLoss:
      return kAlarmFieldLoss;
    case TripCause::RotorEarth:
      return kAlarmInsulation;
    case TripCause::PowerDirection:
      return kAlarmGenerator;
    case TripCause::BreakerAux:
      return kAlarmBreakerAux;
    case TripCause::Cpu:
      return 0;
    case TripCause::EmergencyStop:
      return kAlarmEmergencyStop;
    case TripCause::Technological:
      return kAlarmTechnological;
  }
  return 0;
}

std::size_t CauseOffset(TripCause cause) { return kFirstCauseOffset + 2 * static_cast<std::size_t>(cause); }

std::uint32_t CounterField(const SimMemory& memory, std::size_t offset, std::size_t width) {
  const auto bytes = memory.Bytes(Area::Xram).subspan(kCounterBlockAddress + offset, width);
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

void SetCounterField(SimMemory& memory, std::size_t offset, std::size_t width, std::uint32_t value) {
  const auto bytes = memory.Bytes(Area::Xram).subspan(kCounterBlockAddress + offset, width);
  for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

MotorDuty::MotorDuty(SimMemory& memory, AlarmLog& log, const BcdClock& clock, ProcessSampler sample, bool cycling,
                     std::time_t startWall, std::uint32_t seed)
    : memory_(memory),
      log_(log),
      clock_(clock),
      sample_(std::move(sample)),
      cycling_(cycling),
      startWall_(startWall),
      random_(seed) {}

std::int64_t MotorDuty::Draw(std::int64_t low, std::int64_t high) {
  return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
}

void MotorDuty::Count(std::size_t offset) {
  SetCounterField(memory_, offset, 2, (CounterField(memory_, offset, 2) + 1) & 0xFFFF);
}

void MotorDuty::Accrue(std::int64_t seconds, bool powered) {
  if (seconds <= 0) return;
  const auto step = static_cast<std::uint32_t>(seconds);
  if (powered) SetCounterField(memory_, kUnitTimeOffset, 4, CounterField(memory_, kUnitTimeOffset, 4) + step);
  if (!running_) return;
  SetCounterField(memory_, kMotorTimeOffset, 4, CounterField(memory_, kMotorTimeOffset, 4) + step);
  const std::uint32_t left = CounterField(memory_, kMaintenanceOffset, 4);
  SetCounterField(memory_, kMaintenanceOffset, 4, left > step ? left - step : 0);
}

void MotorDuty::Record(std::int64_t second, std::uint8_t events, std::uint8_t alarms) {
  LogEntry entry;
  entry.stamp = clock_.Stamp(startWall_ + static_cast<std::time_t>(second));
  entry.process = sample_(second);
  entry.events = events;
  entry.alarms = alarms;
  const std::uint32_t number = (CounterField(memory_, kLastRecordOffset, 2) + 1) % kLogRecords;
  log_.Put(number, entry);
  SetCounterField(memory_, kLastRecordOffset, 2, number);
}

std::vector<MotorDuty::PastEvent> MotorDuty::MakePast() {
  // Days of service with starts hours apart and now and then a power cut, generated forward
  // from an arbitrary origin; only the newest that fill the log are kept.
  std::vector<PastEvent> past{{0, kEventCpuOn, 0, -1}};
  std::int64_t at = 0;
  const std::size_t wanted = kLogRecords - 2;  // then the power going off, then the start
  while (past.size() < wanted) {
    at += Draw(5 * kMinute, 2 * kHour);
    past.push_back({at, kEventOn, 0, -1});
    at += Draw(30 * kMinute, 12 * kHour);
    if (Draw(1, kTripOdds) == 1) {
      const int cause = static_cast<int>(Draw(0, kTripCauses - 1));
      past.push_back({at, kEventTrip | kEventOff, AlarmBitsOf(static_cast<TripCause>(cause)), cause});
    } else {
      past.push_back({at, kEventOff, 0, -1});
    }
    if (Draw(1, 8) == 1) {
      at += Draw(kMinute, 10 * kMinute);
      past.push_back({at, kEventCpuOff, 0, -1});
      at += Draw(10 * kMinute, 3 * kHour);
      past.push_back({at, kEventCpuOn, 0, -1});
    }
  }
  past.erase(past.begin(), past.end() - static_cast<std::ptrdiff_t>(wanted));
  at += Draw(10 * kMinute, kHour);
  past.push_back({at, kEventCpuOff, 0, -1});
  // The power came back at second 0.
  const std::int64_t shift = -at - Draw(2 * kMinute, 20 * kMinute);
  for (auto& event : past) event.at += shift;
  return past;
}

void MotorDuty::Begin() {
  for (std::size_t offset = 0; offset < kCounterBlockSize; offset += 2) SetCounterField(memory_, offset, 2, 0);
  // The log has gone round before: its newest record lies anywhere.
  SetCounterField(memory_, kLastRecordOffset, 2, static_cast<std::uint32_t>(Draw(0, kLogRecords - 1)));
  const std::vector<PastEvent> past = MakePast();
  bool powered = true;
  running_ = false;
  std::int64_t previous = past.front().at;
  for (const PastEvent& event : past) {
    Accrue(event.at - previous, powered);
    previous = event.at;
    if (event.events & kEventOn) {
      Count(kStartsOffset);
      running_ = true;
    }
    if (event.events & (kEventOff | kEventCpuOff)) running_ = false;
    if (event.events & kEventCpuOff) powered = false;
    if (event.events & kEventCpuOn) powered = true;
    if (event.cause >= 0) {
      Count(kTripsOffset);
      Count(CauseOffset(static_cast<TripCause>(event.cause)));
    }
    Record(event.at, event.events, event.alarms);
  }
  const std::uint32_t motorTime = CounterField(memory_, kMotorTimeOffset, 4);
  SetCounterField(memory_, kMaintenanceOffset, 4, kMaintenanceInterval - motorTime % kMaintenanceInterval);
  running_ = false;
  done_ = 0;
  Record(0, kEventCpuOn, 0);
  nextEvent_ = cycling_ ? Draw(3, 8) : std::numeric_limits<std::int64_t>::max();
}

void MotorDuty::Fire(std::int64_t second) {
  if (!running_) {
    Count(kStartsOffset);
    running_ = true;
    Record(second, kEventOn, 0);
    nextEvent_ = second + Draw(15, 45);
    return;
  }
  running_ = false;
  if (Draw(1, kTripOdds) == 1) {
    const auto cause = static_cast<TripCause>(Draw(0, kTripCauses - 1));
    Count(kTripsOffset);
    Count(CauseOffset(cause));
    Record(second, kEventTrip | kEventOff, AlarmBitsOf(cause));
  } else {
    Record(second, kEventOff, 0);
  }
  nextEvent_ = second + Draw(8, 20);
}

void MotorDuty::AdvanceTo(std::int64_t second) {
  while (nextEvent_ <= second) {
    Accrue(nextEvent_ - done_, true);
    done_ = nextEvent_;
    Fire(done_);
  }
  if (second > done_) {
    Accrue(second - done_, true);
    done_ = second;
  }
}

}  // namespace quillon::sim
