#include "alarm/log_page.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "alarm/controller_clock.h"
#include "text/cp1251.h"

namespace quillon {

namespace {

// "ABAР" begins with Latin letters, as the controller's documentation has always written it.
const char* const kEventTexts[] = {"ОТКЛ", "ABAР", "CPU ON", "CPU OFF", "ВКЛ ", "?", "?", "?"};
const char* const kAlarmTexts[] = {"МАКС. ТОК",
                                   "АСИНХРОННЫЙ ХОД",
                                   "ПРОБОЙ ИЗОЛЯЦИИ",
                                   "ОБРЫВ ПОЛЯ",
                                   "НЕИСПРАВНОСТЬ БК ВЫКЛЮЧАТЕЛЯ",
                                   "ГЕНЕРАТОРНЫЙ РЕЖИМ",
                                   "Аварийный стоп (кнопка)",
                                   "Технологическая авария"};
constexpr std::size_t kEventTextWidth = 7;

DateTime FallbackStamp() { return ParseDateTimeText(kFallbackStampText).value_or(0.0); }

void PadTo(std::vector<std::string>& lines, std::size_t count) { lines.resize(std::max(lines.size(), count)); }

}  // namespace

DateTime StampDateTime(const LogStamp& s) {
  const bool valid =
      s[4] <= 0x31 && s[5] <= 0x12 && s[6] >= 0x07 && s[6] <= 0x99 && s[2] <= 0x23 && s[1] <= 0x59 && s[0] <= 0x59;
  if (!valid) return FallbackStamp();
  const std::string text = BcdText(s[4]) + "." + BcdText(s[5]) + ".20" + BcdText(s[6]) + " " + BcdText(s[2]) + ":" +
                           BcdText(s[1]) + ":" + BcdText(s[0]);
  return ParseDateTimeText(text).value_or(FallbackStamp());
}

LogRecord DecodeLogRecord(std::span<const std::uint8_t> bytes, int index) {
  LogRecord record;
  record.index = static_cast<std::uint8_t>(index);
  if (bytes.size() < static_cast<std::size_t>(kLogRecordLength)) {
    record.stamp = FallbackStamp();
    return record;
  }
  LogStamp stamp{};
  std::copy_n(bytes.begin(), stamp.size(), stamp.begin());
  record.stamp = StampDateTime(stamp);
  std::copy_n(bytes.begin() + 7, kProcessDataLength, record.process.begin());
  record.events = bytes[62];
  record.alarms = bytes[63];
  return record;
}

int NextLogPage(int page) { return (page + 1) % kLogPages; }

int PreviousLogPage(int page) { return (page + kLogPages - 1) % kLogPages; }

std::uint16_t LogRecordAddress(int page, int index) {
  return static_cast<std::uint16_t>(0x0400 + page * 0x0400 + index * 0x40);
}

std::array<std::uint8_t, kLogReadFrameLength> BuildLogReadFrame(int page, int index) {
  const std::uint16_t address = LogRecordAddress(page, index);
  return {
      0xA5, 0x04, kLogReadCommand, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
      0x00, 0x5A};
}

void SortNewestFirst(LogPage& page) {
  auto& records = page.records;
  for (std::size_t last = records.size() - 1; last > 0; --last) {
    std::size_t earliest = 0;
    for (std::size_t i = 1; i <= last; ++i) {
      if (records[i].stamp < records[earliest].stamp) earliest = i;
    }
    if (earliest != last) std::swap(records[earliest], records[last]);
  }
}

std::string EventListText(int bit) {
  std::string text = kEventTexts[bit & 7];
  const std::size_t length = Utf8Length(text);
  if (length < kEventTextWidth) text.append(kEventTextWidth - length, ' ');
  return text;
}

std::string AlarmListText(int bit) { return kAlarmTexts[bit & 7]; }

std::string EventExportText(std::uint8_t events) {
  std::string text;
  for (int bit = 0; bit <= 4; ++bit) {
    if ((events >> bit) & 1) text += (bit == 0 ? "" : " ") + std::string(kEventTexts[bit]);
  }
  return text;
}

std::string AlarmExportText(std::uint8_t alarms) {
  std::string text;
  for (int bit = 0; bit < 8; ++bit) {
    if ((alarms >> bit) & 1) text += (bit == 0 ? "" : " ") + std::string(kAlarmTexts[bit]);
  }
  return text;
}

LogPageLines PageLines(const LogPage& page) {
  LogPageLines lines;
  lines.interval = {"Страница: " + std::to_string(page.number), " c " + DateTimeText(page.records.back().stamp),
                    "по " + DateTimeText(page.records.front().stamp)};
  for (auto record = page.records.rbegin(); record != page.records.rend(); ++record) {
    const std::string when = DateTimeText(record->stamp);
    for (int bit = 0; bit < 8; ++bit) {
      if ((record->events >> bit) & 1) lines.events.push_back(EventListText(bit) + " " + when);
      if ((record->alarms >> bit) & 1) lines.alarms.push_back(when + " " + AlarmListText(bit));
    }
  }
  const std::size_t longest = std::max({lines.interval.size(), lines.events.size(), lines.alarms.size()});
  PadTo(lines.interval, longest);
  PadTo(lines.events, longest);
  PadTo(lines.alarms, longest);
  return lines;
}

}  // namespace quillon
