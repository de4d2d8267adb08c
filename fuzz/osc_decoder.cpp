// A local oscillogram file from the card: the stretch around an event found, its records
// decoded into samples and written as a record file. Input: a flags byte (bit 0: the target
// seals every record with its CRC, so the fuzzer reaches past the checksum; bits 1-7 pick an
// occasional record file write), the event position (4 bytes), a record count (0: the file
// once to its end), then the file.
#include <cstdint>
#include <vector>

#include "events/osc_decode.h"
#include "events/osc_record.h"
#include "events/osc_search.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  constexpr std::size_t kHeader = 6;
  if (size < kHeader) return 0;
  fuzz::SilentPrompt silent;
  const std::uint8_t flags = data[0];
  const std::uint32_t position = static_cast<std::uint32_t>(data[1]) | static_cast<std::uint32_t>(data[2]) << 8 |
                                 static_cast<std::uint32_t>(data[3]) << 16 | static_cast<std::uint32_t>(data[4]) << 24;
  const std::uint8_t count = data[5];
  std::vector<std::uint8_t> bytes(data + kHeader, data + size);
  if (flags & 1) {
    for (std::size_t at = 0; at + kOscRecordSize <= bytes.size(); at += kOscRecordSize) {
      SealOscRecord(std::span<std::uint8_t, kOscRecordSize>(bytes.data() + at, kOscRecordSize));
    }
  }
  const fuzz::InputFile file("osc.bin", bytes.data(), bytes.size());
  auto osc = OscFile::Open(file.Path());
  if (!osc) return 0;

  const OscSpan span = FindOscSpan(*osc, position % 64, count % 8, count / 32);
  OscRecorder recorder(fuzz::DemoDevicePath());
  OscDecodeRange range;
  range.start = span.start < osc->Size() ? span.start : 0;
  if (count != 0) range.records = count;
  DecodeOsc(*osc, range, recorder);
  if ((flags >> 1) == 0 && recorder.Samples() > 0) {
    const fuzz::InputFile record("osc.rec", nullptr, 0);
    recorder.Write(record.Path(), silent);
  }
  return 0;
}
