#pragma once
// A record read back for use outside the scope window: its summary, and its samples as a
// semicolon-separated table that spreadsheet programs open directly.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillon {

struct RecordSummary {
  // The device identification the record was taken from.
  std::string id;
  int samples = 0;
  // Date and time of the first and the last sample, "dd.MM.yyyy HH:mm:ss".
  std::string start, end;
  // The shown variables in the window's order, the time mark left out.
  std::vector<std::string> names;
};

// Throws std::runtime_error with the user's message when the file is no sound record.
RecordSummary ReadRecordSummary(const std::string& path);

// Header "time;NAME;..." and one row per sample from `from` to `to` (both included, clamped to
// the record; by default all): the sample's time with milliseconds, then per variable its hex
// column or, with `physical`, its value as the window shows it. UTF-8, lines ended by CR LF.
// Throws std::runtime_error, before writing anything, when the file is no sound record.
void WriteRecordCsv(const std::string& path, std::ostream& out, bool physical, std::optional<int> from,
                    std::optional<int> to);

}  // namespace quillon
