#include "scope/record_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "scope/record_check.h"
#include "scope/record_file.h"
#include "scope/record_info.h"
#include "text/datetime.h"
#include "text/numbers.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

struct LoadedRecord {
  TViewList list;
  int samples = 0;
};

// The checked record as the window would show it: a sound record has variables, so the reader
// puts its time mark first.
void LoadRecord(const std::string& path, LoadedRecord& record) {
  if (const auto problem = RecordProblem(path)) throw std::runtime_error(*problem);
  RecordHeader header;
  record.samples = OpenRecord(path, record.list, header);
}

// The bytes of a record from elsewhere may hold anything; such a time reads "?" as in the window.
bool IsShowableTime(DateTime time) { return std::isfinite(time) && time >= -693593.0 && time <= 2958466.0; }

std::string SecondsText(DateTime time) {
  return IsShowableTime(time) ? ShortDateText(time) + " " + LongTimeText(time) : "?";
}

std::string MillisecondsText(DateTime time) {
  if (!IsShowableTime(time)) return "?";
  char milliseconds[8];
  std::snprintf(milliseconds, sizeof milliseconds, ",%03d", DecodeDateTime(time).millisecond);
  return SecondsText(time) + milliseconds;
}

// Quoted only when the text would otherwise split the row.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

RecordSummary ReadRecordSummary(const std::string& path) {
  LoadedRecord record;
  LoadRecord(path, record);
  RecordSummary summary;
  summary.id = ReadRecordText(path).Value("DEVICE", "ID", "");
  summary.samples = record.samples;
  const auto& mark = dynamic_cast<const TTimeMark&>(record.list[0]);
  if (record.samples > 0) {
    summary.start = SecondsText(mark.TimeAt(0));
    summary.end = SecondsText(mark.TimeAt(record.samples - 1));
  }
  for (int i = 1; i < record.list.Count(); ++i) summary.names.push_back(record.list[i].Definition().Name);
  return summary;
}

namespace {

// The hex column of the sample. A float's hex column always shows its newest entry, which a
// table of every sample cannot use: its raw entry is taken at the sample instead.
std::string SampleHexText(TView& variable, int sample) {
  if (variable.Kind() == ViewKind::Float) return "x" + HexDigits(variable.SampleAt(sample), 8);
  return variable.HexTextAt(sample);
}

}  // namespace

void WriteRecordCsv(const std::string& path, std::ostream& out, bool physical, std::optional<int> from,
                    std::optional<int> to) {
  LoadedRecord record;
  LoadRecord(path, record);
  TViewList& list = record.list;
  const auto& mark = dynamic_cast<const TTimeMark&>(list[0]);

  std::string row = "time";
  for (int i = 1; i < list.Count(); ++i) row += ";" + CsvField(list[i].Definition().Name);
  out << row << kLineEnd;

  const int first = std::max(from.value_or(0), 0);
  const int last = std::min(to.value_or(record.samples - 1), record.samples - 1);
  for (int sample = first; sample <= last; ++sample) {
    row = MillisecondsText(mark.TimeAt(sample));
    for (int i = 1; i < list.Count(); ++i) {
      TView& variable = list[i];
      row += ";" + CsvField(physical ? variable.ValueTextAt(sample, false, 2) : SampleHexText(variable, sample));
    }
    out << row << kLineEnd;
  }
}

}  // namespace quillon
