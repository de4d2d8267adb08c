#pragma once
// The terminal's own rules: what a typed command becomes on the line, how an answer is
// printed, and the history of commands kept in "cmdline.ini" in the workspace root.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/paths.h"

namespace quillon {

inline constexpr std::string_view kCommandFormatError = "Hеправильный формат команды";
inline constexpr std::string_view kCommandCharError = "Hеправильный формат символа в позиции: ";
inline constexpr std::string_view kNoAnswerLine = "Нет ответа";
inline constexpr std::string_view kCRC16ErrorPrefix = "CRC16 Error! ";

// The typed text with everything but hexadecimal digits removed: blanks and separators may be
// typed between the bytes.
std::string CommandDigits(std::string_view typed);

// The bytes of a command, or the line the log gets instead of sending anything.
struct CommandBytes {
  std::vector<std::uint8_t> bytes;
  std::optional<std::string> error;
};

// Two digits make a byte, the first one high. An odd count of digits is a format error; a pair
// that is not hexadecimal reports its position, counted from 1 at its first digit.
CommandBytes ParseCommand(std::string_view digits);

// What goes on the line: under the MODBUS protocols the CRC16 of the bytes follows them, low
// byte first; a QuBUS command is sent exactly as typed, as the user wrote the whole frame.
std::vector<std::uint8_t> CommandFrame(std::vector<std::uint8_t> bytes, std::string_view protocol);

// How many of the bytes a worker reports the terminal shows. A TCP worker reports 1 when nothing
// came within its wait, without storing a byte; no answer of the MODBUS protocols is that short,
// so there it is no answer rather than a byte the device never sent.
std::size_t ShownAnswerLength(std::uint32_t answerLen, std::size_t capacity, bool tcp);

enum class AnswerMode { Hex, Ascii, AsciiFilter };

// By the texts of the mode list: "HEX", "ASCII", "ASCII Filter".
std::optional<AnswerMode> AnswerModeByName(std::string_view name);
inline constexpr std::string_view kAnswerModeNames[] = {"HEX", "ASCII", "ASCII Filter"};

// The log line of an answer: "CRC16 Error! " first when the protocol is a MODBUS one and the
// answer does not check out, then the bytes in the chosen form. Bytes are Windows-1251 codes,
// the line is UTF-8. No bytes at all is "Нет ответа": a silent device is not a CRC error.
std::string AnswerLine(const std::uint8_t* answer, std::size_t length, std::string_view protocol, AnswerMode mode);

// Commands already typed, newest first, each once.
class CommandHistory {
 public:
  CommandHistory() = default;
  explicit CommandHistory(std::vector<std::string> items);

  const std::vector<std::string>& Items() const { return items_; }
  // A command not yet kept goes to the top; one already kept stays where it is. false when it
  // was there already.
  bool Add(const std::string& command);
  // false when `index` is no entry.
  bool Remove(std::size_t index);

 private:
  std::vector<std::string> items_;
};

// "cmdline.ini" in the workspace root.
std::string CommandHistoryFile(const WorkspacePaths& paths);

// One command a line; empty lines and repeats are left out. A missing file is an empty history.
CommandHistory LoadCommandHistory(const std::string& path);
// false when the file cannot be written.
bool SaveCommandHistory(const std::string& path, const CommandHistory& history);

}  // namespace quillon
