#pragma once
// Oscillogram records decoded into samples of the device's variables and written as a record
// file the main window opens: each valid record is one sample, its time mark the record's date
// and time, flagged where the seconds change.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "events/osc_record.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon {

class Prompt;

// A record file holds one ring less the slot a ring keeps empty.
inline constexpr int kOscMaxRecords = kHistoryLength - 1;

inline constexpr std::string_view kOscNoValidRecordText = "Файл осциллограммы не содержит ни одной верной записи";
// "Осциллограмма сокращена: не вошло записей: N".
std::string OscOmittedText(int omitted);
// A download from the controller starts no earlier than its file: "Осциллограмма сокращена: до
// события записано только N с".
std::string OscShortenedBeforeText(std::uint32_t seconds);

struct OscDecodeRange {
  OscDecodeRange() = default;
  OscDecodeRange(std::uint64_t first, std::optional<std::uint64_t> count,
                 std::optional<std::uint64_t> eventAt = std::nullopt, std::uint32_t before = 0, std::uint32_t after = 0)
      : start(first), records(count), event(eventAt), secondsBefore(before), secondsAfter(after) {}

  std::uint64_t start = 0;
  // Records read from `start`, wrapping to the file's start at its end; without a count the
  // file is read once to its end.
  std::optional<std::uint64_t> records;
  // The byte position of the event's record and the seconds asked for either side of it. When
  // the range holds more valid records than a record file can, the far ends are cut so that
  // before and after keep shares in proportion to these seconds; without an event the range is
  // kept from its start.
  std::optional<std::uint64_t> event;
  std::uint32_t secondsBefore = 0;
  std::uint32_t secondsAfter = 0;
};

struct OscDecodeResult {
  int decoded = 0;  // valid records taken as samples
  int omitted = 0;  // valid records left out for want of room in a record
  // Why there is nothing to show; empty when samples were taken.
  std::string message;
  explicit operator bool() const { return decoded > 0; }
  // What the user should know about a record that was cut; empty when nothing was left out.
  std::string Note() const { return omitted > 0 ? OscOmittedText(omitted) : std::string(); }
};

class OscRecorder {
 public:
  explicit OscRecorder(const std::string& devicePath);
  OscRecorder(const OscRecorder&) = delete;
  OscRecorder& operator=(const OscRecorder&) = delete;

  // Appends a sample for a valid record; a record with a bad CRC is skipped, and so is any
  // record once the recorder is full (the ring would overwrite the oldest). True when taken.
  bool Append(const OscRecordBytes& record);
  int Samples() const { return samples_; }
  // The samples taken, at ring indexes 0 to Samples() - 1 in the order taken.
  TViewList& Variables() { return list_; }
  // The record file of the samples taken, oldest first; returns the samples per variable
  // written, 0 when there were none or the file could not be made (`prompt` has been told why).
  int Write(const std::string& path, Prompt& prompt);

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

// Decodes the range of `file` into `recorder`. A range without a single valid record gives a
// result with kOscNoValidRecordText and leaves the recorder empty.
OscDecodeResult DecodeOsc(OscFile& file, const OscDecodeRange& range, OscRecorder& recorder);

}  // namespace quillon
