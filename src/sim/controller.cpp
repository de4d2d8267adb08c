#include "sim/controller.h"

#include <cstdio>

#include "link/crc16.h"
#include "sim/event_recorder.h"
#include "sim/motion.h"
#include "text/cp1251.h"

namespace quillon::sim {
namespace {

constexpr std::size_t kMaxRegistersRead = 125;
constexpr std::size_t kMaxRegistersWritten = 123;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint16_t Word(std::span<const std::uint8_t> frame, std::size_t at) {
  return static_cast<std::uint16_t>((frame[at] << 8) | frame[at + 1]);
}

// The identification text as it goes on the wire: Windows-1251, with room left for the closing
// character and the frame around it.
std::string WireId(const std::string& id, std::size_t maxBytes) {
  std::string wire = Utf8ToCp1251(id);
  if (wire.size() > maxBytes) wire.resize(maxBytes);
  return wire;
}

bool IsQuBUSFrame(std::span<const std::uint8_t> frame, bool serialLine) {
  return serialLine && frame.size() >= 4 && frame[0] == 0xA5 && frame.back() == 0x5A &&
         static_cast<std::size_t>(frame[1]) + 3 == frame.size();
}

const char* FaultNote(FaultKind fault) {
  switch (fault) {
    case FaultKind::None:
      break;
    case FaultKind::Drop:
      return "dropped";
    case FaultKind::Corrupt:
      return "corrupted";
    case FaultKind::Cut:
      return "cut short";
    case FaultKind::Late:
      return "late";
    case FaultKind::Exception:
      return "exception";
    case FaultKind::OtherAddress:
      return "other address";
    case FaultKind::OtherFunction:
      return "other function";
    case FaultKind::ByteCount:
      return "byte count";
    case FaultKind::Twice:
      return "sent twice";
  }
  return "none";
}

}  // namespace

void AppendCRC(std::vector<std::uint8_t>& frame) {
  const std::uint16_t crc = CRC16Long(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::vector<std::uint8_t> MODBUSException(std::uint8_t slave, std::uint8_t function, std::uint8_t code) {
  std::vector<std::uint8_t> answer{slave, static_cast<std::uint8_t>(function | 0x80), code};
  AppendCRC(answer);
  return answer;
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    if (i > 0) text += ' ';
    text += digits;
  }
  return text;
}

SimController::SimController(DeviceImage image, ControllerOptions options)
    : image_(std::move(image)),
      options_(std::move(options)),
      faults_(options_.faults),
      snapshot_(image_.moving, options_.move),
      duty_(
          image_.memory, log_, clock_, [this](std::int64_t second) { return snapshot_.Take(image_.memory, second); },
          options_.move, startWall_),
      card_(options_.cardDirectory, options_.cardAbsent),
      player_(image_.moving),
      phase_(image_) {
  duty_.Begin();
  player_.Hold(image_.memory);
  RefreshXram();
}

Response SimController::Handle(std::span<const std::uint8_t> frame, bool serialLine, WireFaults wire) {
  std::lock_guard lock(mutex_);
  std::string note;
  Response response;
  response.bytes = Answer(frame, serialLine, note);
  if (!response.bytes.empty()) {
    const FaultKind fault = faults_.Next();
    if (SpoilsTheWire(fault) && wire == WireFaults::LeftToLine) {
      response.wireFault = fault;
      note += std::string(" [fault on the wire: ") + FaultNote(fault) + "]";
    } else if (FaultInjector::Apply(fault, response.bytes, !IsQuBUSFrame(frame, serialLine))) {
      note += std::string(" [fault: ") + FaultNote(fault) + "]";
    }
    response.delayMs = faults_.DelayMs();
    response.repeats = faults_.Repeats();
  }
  if (Log) {
    Log((serialLine ? "pty " : "tcp ") + HexBytes(frame) + " -> " +
        (response.bytes.empty() ? std::string("(no answer)") : HexBytes(response.bytes)) +
        (note.empty() ? "" : "  " + note));
  }
  return response;
}

void SimController::Move() {
  if (!options_.move) {
    // The angle follows the tuned offset even when nothing moves.
    phase_.Move(image_.memory, 0.0);
    return;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  ApplyMotion(image_.memory, image_.moving, seconds);
  player_.Hold(image_.memory);
  phase_.Move(image_.memory, seconds);
}

void SimController::RefreshXram() {
  duty_.AdvanceTo(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
  const auto block = clock_.Block(std::time(nullptr));
  image_.memory.Write(Area::Xram, kClockAddress, block.data(), block.size());
}

std::vector<std::uint8_t> SimController::SetClock(std::span<const std::uint8_t> frame, std::string& note) {
  note = "QuBUS set clock";
  if (!clock_.Set(frame.subspan(3, kClockSetSize), std::time(nullptr))) {
    note += ": not a valid time, ignored";
    return {};
  }
  RefreshXram();
  return {kQuBUSSetClock};
}

std::vector<std::uint8_t> SimController::ReadLog(std::span<const std::uint8_t> frame, std::string& note) {
  const std::uint16_t address = Word(frame, 3);
  const auto number = LogNumberOf(address);
  note = "QuBUS log record at " + std::to_string(address);
  if (!number) {
    note += ": no record there";
    return {};
  }
  // Events up to now are in the log before it is read.
  RefreshXram();
  note += " (page " + std::to_string(*number / kLogRecordsPerPage) + ", record " +
          std::to_string(*number % kLogRecordsPerPage) + ")";
  const auto record = log_.Record(*number);
  return {record.begin(), record.end()};
}

std::vector<std::uint8_t> SimController::WriteXram(std::uint16_t address, std::span<const std::uint8_t> data,
                                                   std::string& note) {
  // Time counted so far belongs to the values before the write.
  RefreshXram();
  if (!image_.memory.Write(Area::Xram, address, data.data(), data.size())) {
    note += " past the end of the area";
    return {};
  }
  // Changes take effect as they are written; the commit is taken by clearing its byte, as the
  // controller does once it has acted on it.
  const auto commit = image_.memory.Bytes(Area::Xram).subspan(kCommitAddress, 1);
  if (address <= kCommitAddress && kCommitAddress < address + data.size() && commit[0] == kCommitByte) {
    commit[0] = 0;
    note += " (commit taken)";
  }
  return {WriteCodeOf(Area::Xram)};
}

std::vector<std::uint8_t> SimController::Answer(std::span<const std::uint8_t> frame, bool serialLine,
                                                std::string& note) {
  if (IsQuBUSFrame(frame, serialLine)) return AnswerQuBUS(frame, note);
  return AnswerMODBUS(frame, note);
}

std::vector<std::uint8_t> SimController::AnswerQuBUS(std::span<const std::uint8_t> frame, std::string& note) {
  // Identification: A5 01 00 5A. The answer is a counted text whose last character the program
  // drops.
  if (frame.size() == 4 && frame[2] == 0x00) {
    note = "QuBUS identification";
    const std::string text = WireId(options_.id, 254);
    std::vector<std::uint8_t> answer{static_cast<std::uint8_t>(text.size() + 1)};
    answer.insert(answer.end(), text.begin(), text.end());
    answer.push_back(kQuBUSIdClosing);
    return answer;
  }
  if (frame.size() == 7 && frame[2] == kQuBUSLogRead) return ReadLog(frame, note);
  if (frame.size() == 12 && frame[2] == kQuBUSSetClock) return SetClock(frame, note);
  if (frame.size() == 7) {
    const auto area = AreaOfReadCode(frame[2]);
    if (!area) {
      note = "QuBUS: unknown read code";
      return {};
    }
    const std::uint16_t address = Word(frame, 3);
    const std::size_t count = frame[5];
    note = "QuBUS read " + std::string(AreaName(*area)) + " " + std::to_string(count) + " bytes";
    if (count == 0) return {};
    if (*area == Area::Ram) Move();
    if (*area == Area::Xram) RefreshXram();
    std::vector<std::uint8_t> answer(count);
    if (!image_.memory.Read(*area, address, count, answer.data())) {
      note += " past the end of the area";
      return {};
    }
    return answer;
  }
  if (frame.size() >= 8) {
    const auto area = AreaOfWriteCode(frame[2]);
    const std::size_t count = frame[5];
    if (!area || count + 7 != frame.size()) {
      note = "QuBUS: not a read or write frame this controller knows";
      return {};
    }
    const std::uint16_t address = Word(frame, 3);
    note = "QuBUS write " + std::string(AreaName(*area)) + " " + std::to_string(count) + " bytes";
    if (*area == Area::Xram) return WriteXram(address, frame.subspan(6, count), note);
    if (!image_.memory.Write(*area, address, frame.data() + 6, count)) {
      note += " past the end of the area";
      return {};
    }
    if (*area == Area::Ram) player_.Written(image_.memory, note);
    if (*area == Area::Ram && phase_.TakeRequest(image_.memory, options_.move ? SecondsSince(started_) : 0.0))
      note += " (phase buffer filled)";
    return {WriteCodeOf(*area)};
  }
  note = "QuBUS: unknown frame";
  return {};
}

std::vector<std::uint8_t> SimController::AnswerMODBUS(std::span<const std::uint8_t> frame, std::string& note) {
  if (frame.size() < 4) {
    note = "too short for MODBUS";
    return {};
  }
  if (CRC16Long(frame.data(), frame.size()) != 0) {
    note = "MODBUS: bad CRC, ignored";
    return {};
  }
  const std::uint8_t slave = frame[0];
  const bool broadcast = slave == 0;
  if (slave != options_.slaveAddress && !broadcast) {
    note = "MODBUS: for slave " + std::to_string(slave) + ", ignored";
    return {};
  }
  const std::uint8_t function = frame[1];
  std::vector<std::uint8_t> answer;
  switch (function) {
    case 0x03:
      if (frame.size() != 8) {
        answer = MODBUSException(slave, function, kIllegalDataValue);
        break;
      }
      answer = ReadRegisters(slave, Word(frame, 2), Word(frame, 4), note);
      break;
    case 0x10:
      answer = WriteRegisters(frame, note);
      break;
    case 0x11: {
      note = "MODBUS report slave ID";
      // Byte count, the text, and the run indicator, which the program takes as the closing
      // character of the text.
      const std::string text = WireId(options_.id, 249);
      answer = {slave, 0x11, static_cast<std::uint8_t>(text.size() + 1)};
      answer.insert(answer.end(), text.begin(), text.end());
      answer.push_back(kMODBUSRunIndicatorOn);
      AppendCRC(answer);
      break;
    }
    case kOscRateFunction:
      note = "MODBUS oscillogram rate";
      answer = {slave, kOscRateFunction, kSimOscRate};
      AppendCRC(answer);
      break;
    case kCardDiskState:
    case kCardList:
    case kCardDownload:
    case kCardUpload:
    case kCardDelete:
    case kCardApply:
      answer = card_.Answer(frame, note);
      if (function == kCardApply) player_.Applied(image_.memory, frame, answer, note);
      break;
    default:
      note = "MODBUS: function " + std::to_string(function) + " not supported";
      answer = MODBUSException(slave, function, kIllegalFunction);
      break;
  }
  // A broadcast is carried out and never answered.
  if (broadcast) return {};
  return answer;
}

std::optional<std::vector<RegisterPlace>> SimController::LocateRegisters(std::uint16_t start,
                                                                         std::uint16_t count) const {
  if (static_cast<std::uint32_t>(start) + count > 65536) return std::nullopt;
  std::vector<RegisterPlace> places;
  for (std::uint32_t reg = start; reg < static_cast<std::uint32_t>(start) + count; ++reg) {
    const auto place = image_.registers.Locate(static_cast<std::uint16_t>(reg));
    if (!place) return std::nullopt;
    places.push_back(*place);
  }
  return places;
}

std::vector<std::uint8_t> SimController::ReadRegisters(std::uint8_t slave, std::uint16_t start, std::uint16_t count,
                                                       std::string& note) {
  note = "MODBUS read " + std::to_string(count) + " registers from " + std::to_string(start);
  if (count == 0 || count > kMaxRegistersRead) return MODBUSException(slave, 0x03, kIllegalDataValue);
  const auto located = LocateRegisters(start, count);
  if (!located) return MODBUSException(slave, 0x03, kIllegalDataAddress);
  const std::vector<RegisterPlace>& places = *located;
  Move();
  std::vector<std::uint8_t> answer{slave, 0x03, static_cast<std::uint8_t>(2 * count)};
  for (const auto& place : places) {
    std::uint8_t bytes[2];
    image_.memory.Read(place.area, place.address, 2, bytes);
    answer.push_back(bytes[1]);  // the wire wants the high byte first
    answer.push_back(bytes[0]);
  }
  AppendCRC(answer);
  return answer;
}

std::vector<std::uint8_t> SimController::WriteRegisters(std::span<const std::uint8_t> frame, std::string& note) {
  const std::uint8_t slave = frame[0];
  if (frame.size() < 9) return MODBUSException(slave, 0x10, kIllegalDataValue);
  const std::uint16_t start = Word(frame, 2);
  const std::uint16_t count = Word(frame, 4);
  const std::size_t byteCount = frame[6];
  note = "MODBUS write " + std::to_string(count) + " registers from " + std::to_string(start);
  if (count == 0 || count > kMaxRegistersWritten || byteCount != 2u * count || frame.size() != 9 + byteCount) {
    return MODBUSException(slave, 0x10, kIllegalDataValue);
  }
  if (start == kCounterValueRegister && count == 2) {
    // The event recorder's counter change: high word first, each word low byte first (the
    // controller's own order), as bits 16-23, 24-31, 0-7, 8-15 of the value.
    const std::uint32_t value = static_cast<std::uint32_t>(frame[8]) << 24 |
                                static_cast<std::uint32_t>(frame[7]) << 16 |
                                static_cast<std::uint32_t>(frame[10]) << 8 | frame[9];
    note += ": counter value " + std::to_string(value);
    std::vector<std::uint8_t> answer(frame.begin(), frame.begin() + 6);
    AppendCRC(answer);
    return answer;
  }
  const auto located = LocateRegisters(start, count);
  if (!located) return MODBUSException(slave, 0x10, kIllegalDataAddress);
  const std::vector<RegisterPlace>& places = *located;
  // Nothing is written unless every register is writable.
  for (std::size_t i = 0; i < places.size(); ++i) {
    const std::uint8_t bytes[2] = {frame[7 + 2 * i + 1], frame[7 + 2 * i]};
    image_.memory.Write(places[i].area, places[i].address, bytes, 2);
  }
  player_.Written(image_.memory, note);
  std::vector<std::uint8_t> answer(frame.begin(), frame.begin() + 6);
  AppendCRC(answer);
  return answer;
}

}  // namespace quillon::sim
