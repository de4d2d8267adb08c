#include "link/command_line.h"

#include <algorithm>
#include <fstream>

#include "link/buses.h"
#include "link/crc16.h"
#include "text/cp1251.h"
#include "text/items.h"

namespace quillon {

namespace {

constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";
// Printable ASCII without the apostrophe, blank included.
constexpr std::string_view kFilteredChars =
    " !\"#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

std::optional<std::uint8_t> HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return static_cast<std::uint8_t>(digit - '0');
  if (digit >= 'a' && digit <= 'f') return static_cast<std::uint8_t>(digit - 'a' + 10);
  if (digit >= 'A' && digit <= 'F') return static_cast<std::uint8_t>(digit - 'A' + 10);
  return std::nullopt;
}

bool IsModbus(std::string_view protocol) {
  const auto kind = ProtocolNamed(protocol);
  return kind && IsMODBUS(*kind);
}

}  // namespace

std::string CommandDigits(std::string_view typed) {
  std::string digits(typed);
  KeepChars(digits, kHexDigits);
  return digits;
}

CommandBytes ParseCommand(std::string_view digits) {
  CommandBytes result;
  if (digits.size() % 2 != 0) {
    result.error = std::string(kCommandFormatError);
    return result;
  }
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const auto high = HexValue(digits[i]);
    const auto low = HexValue(digits[i + 1]);
    if (!high || !low) {
      result.bytes.clear();
      result.error = std::string(kCommandCharError) + std::to_string(i + 1);
      return result;
    }
    result.bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
  }
  return result;
}

std::vector<std::uint8_t> CommandFrame(std::vector<std::uint8_t> bytes, std::string_view protocol) {
  if (!IsModbus(protocol)) return bytes;
  const std::uint16_t crc = CRC16(bytes.data(), bytes.size());
  bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  return bytes;
}

std::size_t ShownAnswerLength(std::uint32_t answerLen, std::size_t capacity, bool tcp) {
  if (tcp && answerLen == 1) return 0;
  return std::min<std::size_t>(answerLen, capacity);
}

std::optional<AnswerMode> AnswerModeByName(std::string_view name) {
  if (name == kAnswerModeNames[0]) return AnswerMode::Hex;
  if (name == kAnswerModeNames[1]) return AnswerMode::Ascii;
  if (name == kAnswerModeNames[2]) return AnswerMode::AsciiFilter;
  return std::nullopt;
}

std::string AnswerLine(const std::uint8_t* answer, std::size_t length, std::string_view protocol, AnswerMode mode) {
  if (length == 0) return std::string(kNoAnswerLine);
  std::string line;
  if (IsModbus(protocol) && CRC16(answer, length) != 0) line = kCRC16ErrorPrefix;
  const std::string_view raw(reinterpret_cast<const char*>(answer), length);
  switch (mode) {
    case AnswerMode::Hex: {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      for (std::size_t i = 0; i < length; ++i) {
        line += kDigits[answer[i] >> 4];
        line += kDigits[answer[i] & 0x0F];
      }
      break;
    }
    case AnswerMode::Ascii:
      line += Cp1251ToUtf8(raw);
      break;
    case AnswerMode::AsciiFilter: {
      std::string kept(raw);
      KeepChars(kept, kFilteredChars);
      line += kept;
      break;
    }
  }
  return line;
}

CommandHistory::CommandHistory(std::vector<std::string> items) {
  for (std::string& item : items) {
    if (!item.empty() && std::find(items_.begin(), items_.end(), item) == items_.end()) {
      items_.push_back(std::move(item));
    }
  }
}

bool CommandHistory::Add(const std::string& command) {
  if (std::find(items_.begin(), items_.end(), command) != items_.end()) return false;
  items_.insert(items_.begin(), command);
  return true;
}

bool CommandHistory::Remove(std::size_t index) {
  if (index >= items_.size()) return false;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

std::string CommandHistoryFile(const WorkspacePaths& paths) { return paths.program + "cmdline.ini"; }

CommandHistory LoadCommandHistory(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Cp1251ToUtf8(line));
  }
  return CommandHistory(std::move(lines));
}

bool SaveCommandHistory(const std::string& path, const CommandHistory& history) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  for (const std::string& item : history.Items()) file << Utf8ToCp1251(item) << "\r\n";
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace quillon
