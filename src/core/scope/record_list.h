#pragma once
// The record files of a directory as the record selector lists them: when each was taken (read
// from its default name "ddmmyy_hhmmss.rec") and which device it came from (the DEVICE section
// copied into it).
#include <string>
#include <vector>

namespace quillon {

struct RecordRow {
  std::string Path;
  std::string Date;  // dd.mm.yy, empty when the name is not a default record name
  std::string Time;  // hh:mm:ss, likewise
  // Whole days of the taking date since 30 December 1899; 0 when the name carries no valid date.
  int Days = 0;
  std::string Description;
  std::string Location;
  std::string ID;
  std::string DeviceType;
  std::string Serial;
};

// The selector's columns, left to right.
enum class RecordColumn { None = -1, DateTime, Description, Location, DeviceType, Serial };

// One row per "*.rec" file of `directory`, in listing order. A file whose DEVICE section holds
// an identification that does not split into its parts is left out; a file without a DEVICE
// section at all (or that cannot be read) keeps its row with the device cells empty.
std::vector<RecordRow> ListRecords(const std::string& directory);

// Date and time texts and the day number from a record's file name (the path's last part).
void ReadRecordName(const std::string& path, RecordRow& row);

// A stable sort: rows that compare equal keep their order. The date-time column compares whole
// days only, so the records of one day stay in listing (that is time) order; the serial number
// compares as an integer (a text that is none counts as 0); the other columns compare their
// texts without regard to case. RecordColumn::None leaves the order as it is.
void SortRecords(std::vector<RecordRow>& rows, RecordColumn column);

// The text of a row in a column: "Дата/Время" shows date, a blank and time.
std::string RecordCellText(const RecordRow& row, RecordColumn column);

}  // namespace quillon
