#pragma once
// The player window's variables and the frames it exchanges over MODBUS RTU: the poll of the
// register span the variables occupy, the judgement of its answer, and the one-register write
// of the player word.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class TView;
class TViewList;

inline constexpr const char* kPollLengthMessage = "Даные не корректны. Длина ответа.";
inline constexpr const char* kPollCrcMessage = "Даные не корректны. Контрольная сумма.";
// An answer from another address or to another function: none of its bytes are this poll's.
inline constexpr const char* kPollOtherAnswerMessage = "Даные не корректны. Ответ не на этот запрос.";
// Followed by the exception code ("EXC 02"): the controller refused the read.
inline constexpr const char* kPollRefusedMessage = "Даные не корректны. Запрос отклонён: ";
inline constexpr const char* kLinkEstablishedText = "Связь установлена";

// The live variables of a device file (its RAM section, with the file's scale table) become
// the list's variables, laid out by address on `image`; the list's old variables go. A line
// whose address cannot be read is skipped.
void LoadPlayerVariables(const std::string& devicePath, TViewList& list, std::span<std::uint8_t> image);

struct PlayerPollFrame {
  std::vector<std::uint8_t> bytes;
  int oddStart = 0;  // the wanted bytes begin one byte into the first register
};

// Read holding registers over the span of the list's variables (report slave ID for an empty
// span). Throws ConversionError when the device address is not a number.
PlayerPollFrame BuildPlayerPoll(const TViewList& list, std::string_view slaveAddress);

// The message a poll answer earns: empty for one worth decoding.
std::string JudgePlayerPoll(std::span<const std::uint8_t> request, const std::uint8_t* answer, std::size_t answerLen);

// Whether the variable has a cell in the controller's memory that the image holds.
bool HasControllerCell(const TView& variable);

// The word as last sampled; nothing before the first sample is taken.
std::uint16_t LastSampledWord(const TView& variable);

// Write multiple registers of one register: the word into the variable's register. A one-byte
// variable goes together with its neighbour byte of the image; a high byte at the very start of
// the image has its neighbour before it, as `byteBeforeImage` (the controller's byte the poll
// brought): without it nothing is written, since a guess would overwrite that byte. Empty for a
// variable without a cell. Throws ConversionError when the device address is not a number.
std::vector<std::uint8_t> BuildPlayerWrite(const TView& player, std::uint16_t word, std::span<const std::uint8_t> image,
                                           std::string_view slaveAddress,
                                           std::optional<std::uint8_t> byteBeforeImage = std::nullopt);

}  // namespace quillon
