#include "card/card_frames.h"

#include <algorithm>

#include "link/crc16.h"
#include "text/cp1251.h"
#include "text/cp1251_checked.h"

namespace quillon {

namespace {

void AppendOffset(CardFrame& frame, std::uint32_t offset) {
  for (int shift = 0; shift < 32; shift += 8) frame.push_back(static_cast<std::uint8_t>(offset >> shift));
}

void AppendText(CardFrame& frame, const std::string& text) { frame.insert(frame.end(), text.begin(), text.end()); }

CardFrame Finished(CardFrame frame) {
  const std::uint16_t crc = CRC16Long(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

}  // namespace

std::string FileNotCreatedMessage(const std::string& path) { return "файл " + path + " не создан"; }

std::string FileNotOpenedMessage(const std::string& path) { return "файл " + path + " не открыт"; }

std::string CardWireName(std::string_view utf8) {
  std::string wire = Utf8ToCp1251(utf8);
  if (wire.size() > kCardMaxNameLength) wire.resize(kCardMaxNameLength);
  return wire;
}

std::optional<std::string> CardNameRefusal(std::string_view utf8) {
  if (const auto character = FirstCharacterOutsideCp1251(utf8)) {
    return "Недопустимое имя файла \"" + std::string(utf8) + "\": символа \"" + *character +
           "\" нет в кодировке Windows-1251";
  }
  if (Utf8Length(utf8) > kCardMaxNameLength) {
    return "Недопустимое имя файла: длиннее " + std::to_string(kCardMaxNameLength) + " символов";
  }
  return std::nullopt;
}

std::string CardListTooLongMessage(std::size_t entries) {
  return "Список файлов прерван: больше " + std::to_string(entries) + " имён";
}

CardFrame BuildCardDiskState(std::uint8_t address) { return Finished({address, kCardDiskState}); }

CardFrame BuildCardList(std::uint8_t address, bool first) {
  return Finished({address, kCardList, static_cast<std::uint8_t>(first ? 0x00 : 0xFF)});
}

CardFrame BuildCardDownload(std::uint8_t address, std::uint32_t offset, std::string_view utf8Name) {
  CardFrame frame{address, kCardDownload};
  AppendOffset(frame, offset);
  AppendText(frame, CardWireName(utf8Name));
  frame.push_back(0x00);
  return Finished(std::move(frame));
}

CardFrame BuildCardUpload(std::uint8_t address, std::uint32_t offset, std::string_view utf8Name,
                          std::span<const std::uint8_t> data) {
  const std::size_t count = std::min(data.size(), kCardBlockSize);
  CardFrame frame{address, kCardUpload};
  AppendOffset(frame, offset);
  AppendText(frame, CardWireName(utf8Name));
  frame.push_back(0x00);
  frame.push_back(static_cast<std::uint8_t>(count));
  frame.insert(frame.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count));
  return Finished(std::move(frame));
}

CardFrame BuildCardDelete(std::uint8_t address, std::string_view utf8Name) {
  const std::string wire = CardWireName(utf8Name);
  CardFrame frame{address, kCardDelete, static_cast<std::uint8_t>(wire.size())};
  AppendText(frame, wire);
  return Finished(std::move(frame));
}

CardFrame BuildCardApply(std::uint8_t address, std::string_view utf8Name) {
  CardFrame frame{address, kCardApply};
  AppendText(frame, CardWireName(utf8Name));
  frame.push_back(0x00);
  return Finished(std::move(frame));
}

std::optional<std::span<const std::uint8_t>> CardCountedData(std::span<const std::uint8_t> answer) {
  if (answer.size() < 5 || answer.size() != std::size_t{answer[2]} + 5) return std::nullopt;
  return answer.subspan(3, answer[2]);
}

std::optional<std::uint32_t> CardDiskBytes(std::span<const std::uint8_t> answer) {
  if (answer.size() < 8) return std::nullopt;
  return static_cast<std::uint32_t>(answer[2]) << 24 | static_cast<std::uint32_t>(answer[3]) << 16 |
         static_cast<std::uint32_t>(answer[4]) << 8 | answer[5];
}

std::optional<std::string> CardDiskSizeText(std::span<const std::uint8_t> answer) {
  const auto bytes = CardDiskBytes(answer);
  if (!bytes) return std::nullopt;
  return std::to_string(*bytes) + " B";
}

std::string CardDiskKilobytesText(std::uint32_t bytes) { return std::to_string(bytes / 1024); }

}  // namespace quillon
