#include "events/osc_decode.h"

#include <algorithm>

#include "alarm/page_record.h"
#include "platform/files.h"
#include "scope/record_file.h"
#include "variables/special/time_mark.h"

namespace quillon {

OscRecorder::OscRecorder(const std::string& devicePath) : devicePath_(devicePath) {
  LoadProcessVariables(devicePath, image_, list_);
  auto& mark = static_cast<TTimeMark&>(list_.Item(0));
  mark.AttachMarkFlags(&flags_);
  mark.Clock = [this] { return stamp_; };
}

bool OscRecorder::Append(const OscRecordBytes& record) {
  if (!OscRecordValid(record)) return false;
  std::copy_n(record.begin() + kOscDataOffset, kOscDataLength, image_.begin());
  stamp_ = OscRecordStamp(record);
  const std::uint8_t seconds = record[2];
  flags_ = lastSeconds_ && *lastSeconds_ != seconds ? 1 : 0;
  lastSeconds_ = seconds;
  list_.SampleAll();
  ++samples_;
  return true;
}

int OscRecorder::Write(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  if (!directory.empty()) EnsureDirectory(directory);
  return WriteRecord(ServiceRecordHeader(devicePath_), list_, 0, path, samples_);
}

int DecodeOsc(OscFile& file, const OscDecodeRange& range, OscRecorder& recorder) {
  int decoded = 0;
  if (!range.records) {
    for (std::uint64_t at = range.start;; at += kOscRecordSize) {
      const auto record = file.ReadAt(at);
      if (!record) break;
      decoded += recorder.Append(*record) ? 1 : 0;
    }
    return decoded;
  }
  if (file.Size() < kOscRecordSize) return 0;
  std::uint64_t at = range.start;
  for (std::uint64_t read = 0; read < *range.records; ++read, at += kOscRecordSize) {
    auto record = file.ReadAt(at);
    if (!record) {
      at = 0;
      record = file.ReadAt(at);
    }
    if (record && recorder.Append(*record)) ++decoded;
  }
  return decoded;
}

}  // namespace quillon
