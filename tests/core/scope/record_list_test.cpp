#include "scope/record_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/datetime.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::WriteCp1251File;

std::string RecordText(const std::string& deviceLines) {
  return "[records]\ncounter=x00000002\n\n" + deviceLines + "[window]\npositionsize=390/166/676/176/\n\n[binarydata]\n";
}

std::string DeviceSection(const std::string& id, const std::string& description, const std::string& location) {
  return "[DEVICE]\nID=" + id + "\nDescription=" + description + "\nLocation=" + location + "\n\n";
}

std::vector<std::string> Column(const std::vector<RecordRow>& rows, RecordColumn column) {
  std::vector<std::string> texts;
  for (const auto& row : rows) texts.push_back(RecordCellText(row, column));
  return texts;
}

RecordRow Row(const std::string& name, const std::string& serial, const std::string& description = {}) {
  RecordRow row;
  row.Path = "/records/" + name;
  ReadRecordName(row.Path, row);
  row.Serial = serial;
  row.Description = description;
  return row;
}

TEST(RecordListTest, ListsRecordsWithTheirDevicesAndLeavesOutBrokenIdentifications) {
  TempDir dir;
  ASSERT_TRUE(WriteCp1251File(dir / "050324_140709.rec",
                              RecordText(DeviceSection("123 TK v3.12 2010-05-01 пусковой", "Насос", "Цех 1"))));
  ASSERT_TRUE(WriteCp1251File(dir / "060324_080000.rec", RecordText(DeviceSection("77 TK", "Вентилятор", "Цех 2"))));
  ASSERT_TRUE(WriteCp1251File(dir / "notes.txt", RecordText(DeviceSection("5 TK v1.1 2020-01-01", "", ""))));
  // No DEVICE section in the text part; the samples happen to hold bytes that read like one.
  {
    std::ofstream out(dir / "070324_090000.rec", std::ios::binary);
    out << "[records]\r\ncounter=x00000001\r\n\r\n[binarydata]\r\n"
        << "\x01\r\n[DEVICE]\r\nID=999 XX v1.1 2020-01-01\r\nDescription=samples\r\n";
  }

  const std::vector<RecordRow> rows = ListRecords(dir.Path());

  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Path, dir / "050324_140709.rec");
  EXPECT_EQ(rows[0].ID, "123 TK v3.12 2010-05-01 пусковой");
  EXPECT_EQ(rows[0].Description, "Насос");
  EXPECT_EQ(rows[0].Location, "Цех 1");
  EXPECT_EQ(rows[0].DeviceType, "TK");
  EXPECT_EQ(rows[0].Serial, "123");
  EXPECT_EQ(RecordCellText(rows[0], RecordColumn::DateTime), "05.03.24 14:07:09");

  EXPECT_EQ(rows[1].Path, dir / "070324_090000.rec");
  EXPECT_EQ(RecordCellText(rows[1], RecordColumn::DateTime), "07.03.24 09:00:00");
  for (RecordColumn column :
       {RecordColumn::Description, RecordColumn::Location, RecordColumn::DeviceType, RecordColumn::Serial}) {
    EXPECT_EQ(RecordCellText(rows[1], column), "");
  }
  EXPECT_EQ(rows[1].ID, "");
}

TEST(RecordListTest, DateAndTimeComeFromTheDefaultRecordName) {
  struct Case {
    std::string name;
    std::string shown;
    DateTimeParts day;  // year 1899: no valid date
  };
  const std::vector<Case> cases = {
      {"311224_235959.rec", "31.12.24 23:59:59", {2024, 12, 31}},
      {"010100_000000_copy.rec", "01.01.00 00:00:00", {2000, 1, 1}},
      // The characters are shown as they are; only the order needs a real date.
      {"310224_120000.rec", "31.02.24 12:00:00", {}},
      {"pump.rec", "", {}},
      {"0503x4_140709.rec", "", {}},
  };
  for (const Case& c : cases) {
    const RecordRow row = Row(c.name, "1");
    EXPECT_EQ(RecordCellText(row, RecordColumn::DateTime), c.shown) << c.name;
    const int days = c.day.year == 1899 ? 0 : static_cast<int>(EncodeDateTime(c.day));
    EXPECT_EQ(row.Days, days) << c.name;
  }
}

// Serial numbers as integers; dates by whole days, keeping the order within a day; texts without
// regard to case; no column keeps the order.
TEST(RecordListTest, SortsEachColumnByItsKind) {
  std::vector<RecordRow> rows = {Row("a.rec", "10"), Row("b.rec", "9"), Row("c.rec", "100"), Row("d.rec", "x")};
  SortRecords(rows, RecordColumn::Serial);
  EXPECT_EQ(Column(rows, RecordColumn::Serial), (std::vector<std::string>{"x", "9", "10", "100"}));

  rows = {Row("010424_120000.rec", "1"), Row("020324_230000.rec", "2"), Row("010424_080000.rec", "3"),
          Row("020324_100000.rec", "4")};
  SortRecords(rows, RecordColumn::DateTime);
  EXPECT_EQ(Column(rows, RecordColumn::Serial), (std::vector<std::string>{"2", "4", "1", "3"}));

  rows = {Row("a.rec", "1", "Вентилятор"), Row("b.rec", "2", "бак"), Row("c.rec", "3", "ВЕНТИЛЯТОР"),
          Row("d.rec", "4", "Аэратор")};
  SortRecords(rows, RecordColumn::None);
  EXPECT_EQ(Column(rows, RecordColumn::Serial), (std::vector<std::string>{"1", "2", "3", "4"}));
  SortRecords(rows, RecordColumn::Description);
  EXPECT_EQ(Column(rows, RecordColumn::Serial), (std::vector<std::string>{"4", "2", "1", "3"}));
}

}  // namespace
}  // namespace quillon
