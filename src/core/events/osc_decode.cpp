#include "events/osc_decode.h"

#include <algorithm>
#include <vector>

#include "alarm/page_record.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "scope/record_file.h"
#include "variables/special/time_mark.h"

namespace quillon {

std::string OscOmittedText(int omitted) {
  return "Осциллограмма сокращена: не вошло записей: " + std::to_string(omitted);
}

std::string OscShortenedBeforeText(std::uint32_t seconds) {
  return "Осциллограмма сокращена: до события записано только " + std::to_string(seconds) + " с";
}

OscRecorder::OscRecorder(const std::string& devicePath) : devicePath_(devicePath) {
  LoadProcessVariables(devicePath, image_, list_);
  auto& mark = static_cast<TTimeMark&>(list_.Item(0));
  mark.AttachMarkFlags(&flags_);
  mark.Clock = [this] { return stamp_; };
  // A fresh ring puts its first sample after slot 0 and leaves slot 0 blank; this record has
  // nothing before its first decoded record, so the ring starts one before slot 0 and sample 0
  // is that record, in memory as in the file written.
  for (auto& variable : list_.Variables) variable->History.SetHead(variable->RingIndex(-1));
}

bool OscRecorder::Append(const OscRecordBytes& record) {
  if (samples_ >= kOscMaxRecords || !OscRecordValid(record)) return false;
  std::copy_n(record.begin() + kOscDataOffset, kOscDataLength, image_.begin());
  stamp_ = OscRecordStamp(record);
  const std::uint8_t seconds = record[2];
  flags_ = lastSeconds_ && *lastSeconds_ != seconds ? 1 : 0;
  lastSeconds_ = seconds;
  list_.SampleAll();
  ++samples_;
  return true;
}

int OscRecorder::Write(const std::string& path, Prompt& prompt) {
  if (samples_ == 0) {
    prompt.Warning("Quillon", std::string(kOscNoValidRecordText));
    return 0;
  }
  const std::string directory = DirectoryOf(path);
  if (!directory.empty()) EnsureDirectory(directory);
  return WriteRecord(ServiceRecordHeader(devicePath_), list_, 0, path, samples_ - 1, prompt);
}

namespace {

// The valid records of a range in reading order and where the event falls among them: the
// number of valid records read before its position was reached.
struct ValidRecords {
  std::vector<std::uint64_t> positions;
  std::optional<std::size_t> split;
  bool eventValid = false;
};

ValidRecords FindValidRecords(OscFile& file, const OscDecodeRange& range) {
  ValidRecords found;
  const auto visit = [&](std::uint64_t at, const std::optional<OscRecordBytes>& record) {
    const bool valid = record && OscRecordValid(*record);
    if (range.event && at == *range.event && !found.split) {
      found.split = found.positions.size();
      found.eventValid = valid;
    }
    if (valid) found.positions.push_back(at);
  };
  if (!range.records) {
    for (std::uint64_t at = range.start;; at += kOscRecordSize) {
      const auto record = file.ReadAt(at);
      if (!record) break;
      visit(at, record);
    }
    return found;
  }
  if (file.Size() < kOscRecordSize) return found;
  std::uint64_t at = range.start;
  for (std::uint64_t read = 0; read < *range.records; ++read, at += kOscRecordSize) {
    auto record = file.ReadAt(at);
    if (!record) {
      at = 0;
      record = file.ReadAt(at);
    }
    visit(at, record);
  }
  return found;
}

// The first and one past the last of the valid records kept.
std::pair<std::size_t, std::size_t> KeptRecords(const ValidRecords& found, const OscDecodeRange& range) {
  const std::size_t count = found.positions.size();
  const auto room = static_cast<std::size_t>(kOscMaxRecords);
  if (count <= room) return {0, count};
  if (!found.split) return {0, room};
  const std::size_t split = *found.split;
  const std::size_t event = found.eventValid ? 1 : 0;
  const std::size_t before = split;
  const std::size_t after = count - split - event;
  const std::size_t rest = room - event;
  const std::uint64_t asked = std::uint64_t{range.secondsBefore} + range.secondsAfter;
  std::size_t keepBefore =
      asked == 0 ? rest / 2 : static_cast<std::size_t>(rest * std::uint64_t{range.secondsBefore} / asked);
  // A side with fewer records than its share leaves the rest to the other.
  keepBefore = std::min(keepBefore, before);
  const std::size_t keepAfter = std::min(rest - keepBefore, after);
  keepBefore = std::min(rest - keepAfter, before);
  return {split - keepBefore, split + event + keepAfter};
}

}  // namespace

OscDecodeResult DecodeOsc(OscFile& file, const OscDecodeRange& range, OscRecorder& recorder) {
  OscDecodeResult result;
  const ValidRecords found = FindValidRecords(file, range);
  const auto [first, last] = KeptRecords(found, range);
  for (std::size_t i = first; i < last; ++i) {
    const auto record = file.ReadAt(found.positions[i]);
    if (record && recorder.Append(*record)) ++result.decoded;
  }
  result.omitted = static_cast<int>(found.positions.size()) - result.decoded;
  if (result.decoded == 0) result.message = kOscNoValidRecordText;
  return result;
}

}  // namespace quillon
