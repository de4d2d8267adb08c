#pragma once
// Oscillogram records decoded into samples of the device's variables and written as a record
// file the main window opens: each valid record is one sample, its time mark the record's date
// and time, flagged where the seconds change.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "events/osc_record.h"
#include "variables/view_list.h"

namespace quillon {

struct OscDecodeRange {
  std::uint64_t start = 0;
  // Records read from `start`, wrapping to the file's start at its end; without a count the
  // file is read once to its end.
  std::optional<std::uint64_t> records;
};

class OscRecorder {
 public:
  explicit OscRecorder(const std::string& devicePath);
  OscRecorder(const OscRecorder&) = delete;
  OscRecorder& operator=(const OscRecorder&) = delete;

  // Appends a sample for a valid record; a record with a bad CRC is skipped. True when taken.
  bool Append(const OscRecordBytes& record);
  int Samples() const { return samples_; }
  TViewList& Variables() { return list_; }
  // The record file of the samples 0 to Samples(); returns the samples per variable written, 0
  // when the file could not be made (the user has been told why).
  int Write(const std::string& path);

 private:
  std::string devicePath_;
  // The list points into these three, so they are made first and go last.
  std::array<std::uint8_t, kOscDataLength> image_{};
  std::uint8_t flags_ = 0;
  DateTime stamp_ = 0.0;
  TViewList list_;
  std::optional<std::uint8_t> lastSeconds_;
  int samples_ = 0;
};

// Decodes the range of `file` into `recorder`; returns the number of records decoded.
int DecodeOsc(OscFile& file, const OscDecodeRange& range, OscRecorder& recorder);

}  // namespace quillon
