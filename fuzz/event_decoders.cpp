// The statistics and event files a controller's card gives, and the oscillogram rate answer,
// decoded against the demo device's descriptions as the event tool shows them.
#include <cstdint>
#include <vector>

#include "events/buffer_files.h"
#include "events/descriptions.h"
#include "events/event_exchanges.h"
#include "events/event_frames.h"
#include "fuzz_support.h"
#include "link/crc16.h"

namespace {

using namespace quillon;

const std::vector<EventDescription>& EventDescriptions() {
  static const std::vector<EventDescription> descriptions = ReadEventDescriptions(fuzz::DemoDevicePath()).entries;
  return descriptions;
}

const std::vector<StatEntry>& StatEntries() {
  static const std::vector<StatEntry> entries = ReadStatDescriptions(fuzz::DemoDevicePath()).entries;
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  for (const ShownEvent& event : DescribedEvents(bytes, EventDescriptions())) EventGridRow(event);
  std::vector<StatEntry> entries = StatEntries();
  AssignStatValues(bytes, entries);
  for (const StatEntry& entry : entries) StatGridRow(entry);
  if (size >= kEventRecordSize) {
    const EventRecord record = ParseEventRecord(bytes.first<kEventRecordSize>());
    EventDateText(record);
    EventTimeText(record);
  }

  // The files as the tool reads them from disk, now and then: it is the slow way to the same
  // decoders.
  if (size > 0 && data[0] % 16 == 0) {
    const fuzz::InputFile file("buffer.dat", data, size);
    std::vector<ShownEvent> events;
    ReadEventFile(file.Path(), EventDescriptions(), events);
    ReadStatFile(file.Path(), entries);
  }

  // The rate answer, also with a correct CRC so the fuzzer reaches the rate itself.
  OscRateQuery query(1);
  query.Answer(bytes);
  std::vector<std::uint8_t> sealed(data, data + std::min<std::size_t>(size, kOscRateAnswerLength + 2));
  const std::uint16_t crc = CRC16(sealed.data(), sealed.size());
  sealed.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  sealed.push_back(static_cast<std::uint8_t>(crc >> 8));
  query.Answer(sealed);
  return 0;
}
