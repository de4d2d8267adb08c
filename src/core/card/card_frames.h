#pragma once
// The memory card service: its request frames (device address, function 0x20..0x25, data, CRC16
// low byte first) and the first judgement of an answer. File names travel in Windows-1251.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/card_answer.h"
#include "link/link_error.h"

namespace quillon {

using CardFrame = std::vector<std::uint8_t>;

inline constexpr std::size_t kCardBlockSize = 230;
inline constexpr std::size_t kCardMaxNameLength = 255;
// The largest file the 32-bit offsets of the transfer functions can reach the end of: a
// transfer that would go beyond it would wrap round to the start of the file.
inline constexpr std::uint64_t kCardMaxFileSize = 0xFFFFFFFFull;
// More entries than a card directory holds: a listing that goes on past them never ends.
inline constexpr std::size_t kCardMaxListEntries = 65536;
// The longest frame: an upload block under the longest name.
inline constexpr std::size_t kCardMaxFrameLength = 2 + 4 + kCardMaxNameLength + 1 + 1 + kCardBlockSize + 2;
inline constexpr std::uint32_t kCardQueryDelayMs = 100;
inline constexpr std::uint32_t kCardTransferDelayMs = 0;
// Consecutive bad answers a transfer tries again after; the next one ends it.
inline constexpr unsigned kCardRetries = 10;

inline constexpr const char* kCardAbsentMessage = "диск microSD не инициализируется либо отсутствует!";
inline constexpr const char* kCardFileMissingMessage = "файл не найден на microSD!";
inline constexpr const char* kCardFileReceivedMessage = "файл принят!";
inline constexpr const char* kCardReadFailedMessage = "Невозможно прочитать файл. Принятые даные не корректны";
inline constexpr const char* kCardWriteFailedMessage = "Невозможно записать файл. Ошибки связи.";
inline constexpr const char* kCardBadAnswerMessage = "ошибка контрольной суммы, либо команда не опознана!";
inline constexpr const char* kCardApplyMissingMessage = "файл отсутствует!";
inline constexpr const char* kCardNoFileMessage = "файл не выбран";
inline constexpr const char* kCardNoDiskSize = "---";
// A silent controller is told as every window tells it.
inline constexpr const char* kCardNoAnswerMessage = kNoAnswerMessage;
// Every controller of a line would carry out a request to address 0, and none would answer.
inline constexpr const char* kCardBroadcastMessage =
    "Адрес 0 - общий для всех устройств линии: укажите адрес устройства (от 1 до 247)";
// The controller ended an upload before the file's last block.
inline constexpr const char* kCardUploadStoppedMessage = "Невозможно записать файл. Передача прервана контроллером.";
// A download whose blocks do not fit together (a short block followed by more data).
inline constexpr const char* kCardDownloadInconsistentMessage =
    "Невозможно прочитать файл. Принятые блоки не согласуются";

// A download the controller goes on with beyond the largest file the card can hold.
inline constexpr const char* kCardDownloadTooLongMessage =
    "Невозможно прочитать файл. Контроллер передаёт больше 4294967295 байт";
// An upload of a file larger than the card can take, or one that grew so while it went.
inline constexpr const char* kCardUploadTooLargeMessage = "Невозможно записать файл. Файл больше 4294967295 байт";
inline constexpr const char* kCardListRepeatsMessage = "Список файлов прерван: контроллер повторяет имена";

std::string FileNotCreatedMessage(const std::string& path);
std::string FileNotOpenedMessage(const std::string& path);

// A UTF-8 name as the card gets it: Windows-1251, at most 255 characters.
std::string CardWireName(std::string_view utf8);
// Why a name must not be sent, nothing when it may. A character Windows-1251 lacks would go as
// "?", so that "ü.txt" and "ö.txt" would both be "?.txt" on the card; a longer name would be cut.
// Either way the card would be asked about another file than the one named.
std::optional<std::string> CardNameRefusal(std::string_view utf8);
std::string CardListTooLongMessage(std::size_t entries);

CardFrame BuildCardDiskState(std::uint8_t address);
CardFrame BuildCardList(std::uint8_t address, bool first);
CardFrame BuildCardDownload(std::uint8_t address, std::uint32_t offset, std::string_view utf8Name);
// At most 230 data bytes go into one block; the rest is the caller's mistake and is left out.
CardFrame BuildCardUpload(std::uint8_t address, std::uint32_t offset, std::string_view utf8Name,
                          std::span<const std::uint8_t> data);
CardFrame BuildCardDelete(std::uint8_t address, std::string_view utf8Name);
CardFrame BuildCardApply(std::uint8_t address, std::string_view utf8Name);

// Nothing came: no bytes, or the single count a TCP worker gives for silence.
inline bool CardAnswerSilent(std::span<const std::uint8_t> answer) { return answer.size() <= 1; }

// The payload of a counted answer (function, n, n bytes, CRC), or nothing when the count does not
// match the answer's length.
std::optional<std::span<const std::uint8_t>> CardCountedData(std::span<const std::uint8_t> answer);

// The card's size in bytes a disk state answer gives (big-endian, bytes 2 to 5); nothing when
// too short.
std::optional<std::uint32_t> CardDiskBytes(std::span<const std::uint8_t> answer);
// The disk state text of a valid answer: the size in bytes and " B"; nothing when too short.
std::optional<std::string> CardDiskSizeText(std::span<const std::uint8_t> answer);
// The size as the "Диск" page shows it under "Емкость диска, кБ:": whole kilobytes (1024 bytes),
// the number alone, so the caption's unit is the only one.
std::string CardDiskKilobytesText(std::uint32_t bytes);

}  // namespace quillon
