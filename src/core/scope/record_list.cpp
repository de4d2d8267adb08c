#include "scope/record_list.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <string_view>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "scope/record_info.h"
#include "text/cp1251.h"
#include "text/datetime.h"
#include "text/numbers.h"
#include "workspace/identification.h"

namespace quillon {

namespace {

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

int TwoDigits(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

std::int64_t SerialNumber(const RecordRow& row) { return TryReadInteger(row.Serial).value_or(0); }

}  // namespace

void ReadRecordName(const std::string& path, RecordRow& row) {
  const std::string name = FileNameOf(path);
  const std::string_view view = name;
  if (view.size() < 13 || !AllDigits(view.substr(0, 6)) || !AllDigits(view.substr(7, 6))) return;
  row.Date = name.substr(0, 2) + "." + name.substr(2, 2) + "." + name.substr(4, 2);
  row.Time = name.substr(7, 2) + ":" + name.substr(9, 2) + ":" + name.substr(11, 2);
  const int day = TwoDigits(view, 0);
  const int month = TwoDigits(view, 2);
  const int year = 2000 + TwoDigits(view, 4);
  if (IsValidDate(year, month, day)) row.Days = static_cast<int>(EncodeDateTime({year, month, day}));
}

std::vector<RecordRow> ListRecords(const std::string& directory) {
  std::vector<RecordRow> rows;
  for (const std::string& path : ListFiles(directory, "*.rec", true)) {
    RecordRow row;
    row.Path = path;
    ReadRecordName(path, row);
    const IniDocument text = ReadRecordText(path);
    // A record taken without a device file has no DEVICE section: it is still a record the
    // engineer may want to open. A DEVICE section with a broken ID is another device's data
    // gone wrong, and is left out.
    if (text.HasSection("DEVICE")) {
      row.ID = text.Value("DEVICE", "ID", "");
      const std::optional<Identification> id = ParseIdentification(row.ID);
      if (!id) continue;
      row.Description = text.Value("DEVICE", "Description", "");
      row.Location = text.Value("DEVICE", "Location", "");
      row.DeviceType = id->deviceType;
      row.Serial = id->serial;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void SortRecords(std::vector<RecordRow>& rows, RecordColumn column) {
  const auto byText = [](std::string RecordRow::*field) {
    return
        [field](const RecordRow& a, const RecordRow& b) { return LowerCaseText(a.*field) < LowerCaseText(b.*field); };
  };
  switch (column) {
    case RecordColumn::None:
      return;
    case RecordColumn::DateTime:
      std::stable_sort(rows.begin(), rows.end(),
                       [](const RecordRow& a, const RecordRow& b) { return a.Days < b.Days; });
      return;
    case RecordColumn::Description:
      std::stable_sort(rows.begin(), rows.end(), byText(&RecordRow::Description));
      return;
    case RecordColumn::Location:
      std::stable_sort(rows.begin(), rows.end(), byText(&RecordRow::Location));
      return;
    case RecordColumn::DeviceType:
      std::stable_sort(rows.begin(), rows.end(), byText(&RecordRow::DeviceType));
      return;
    case RecordColumn::Serial:
      std::stable_sort(rows.begin(), rows.end(),
                       [](const RecordRow& a, const RecordRow& b) { return SerialNumber(a) < SerialNumber(b); });
      return;
  }
}

std::string RecordCellText(const RecordRow& row, RecordColumn column) {
  switch (column) {
    case RecordColumn::DateTime:
      return row.Date.empty() ? std::string() : row.Date + " " + row.Time;
    case RecordColumn::Description:
      return row.Description;
    case RecordColumn::Location:
      return row.Location;
    case RecordColumn::DeviceType:
      return row.DeviceType;
    case RecordColumn::Serial:
      return row.Serial;
    case RecordColumn::None:
      break;
  }
  return {};
}

}  // namespace quillon
