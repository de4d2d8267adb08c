// The commissioning report and the alarm log export filled into the demo workspace's templates,
// checked through the workbook's own reading and through openpyxl.
#include "maintenance/device_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <type_traits>

#include "alarm/log_page.h"
#include "maintenance/alarm_export.h"
#include "maintenance/report_output.h"
#include "maintenance/scale_value_text.h"
#include "maintenance/workbook.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/datetime.h"
#include "xlsx_readback.h"

namespace quillon {
namespace {

using testing::TempDir;

std::string TextAt(const Workbook& book, const std::string& address) {
  const auto range = ParseRangeAddress(address);
  const auto value = book.Read(0, range->first);
  if (!value) return {};
  if (const auto* text = std::get_if<std::string>(&*value)) return *text;
  return std::to_string(std::get<double>(*value));
}

// Several cells' texts joined by "|", from the workbook or as openpyxl read them.
template <typename Book>
std::string TextsAt(const Book& book, std::initializer_list<const char*> addresses) {
  std::string texts;
  for (const char* address : addresses) {
    if constexpr (std::is_same_v<Book, Workbook>) {
      texts += "|" + TextAt(book, address);
    } else {
      texts += "|" + book.Cell(address);
    }
  }
  return texts.substr(1);
}

ReportParameterRow Row(const std::string& key) {
  return {key, "name " + key, "r" + key, "1", "описание " + key, "x0001", "1,0", "А"};
}

class DeviceReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    paths_ = MakeWorkspacePaths(dir_.Path());
    std::filesystem::create_directories(paths_.Xlt());
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/demo/XLT/template3.xlt",
                               paths_.Xlt() + "template3.xlt");
    std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/demo/XLT/bbx.xlt", paths_.Xlt() + "bbx.xlt");
    devicePath_ = dir_ / "1027.ini";
    testing::WriteCp1251File(devicePath_,
                             "[DEVICE]\nID=1027 TK v3.14 2021-03-15\nDescription=Насос №2\nLocation=Цех 3\n"
                             "LastDateTime=14.09.2023 10:42:17\n");
    request_.devicePath = devicePath_;
    request_.organization = "ООО Наладка";
    request_.number = "17";
    request_.when = *ParseDateTimeText("05.12.2026 14:30:00");
  }

  Workbook Filled() {
    Workbook book = Workbook::Open(DeviceReportTemplate(paths_));
    FillDeviceReport(book, ReadDeviceInfo(devicePath_), request_, ReportProgress{});
    return book;
  }

  TempDir dir_;
  WorkspacePaths paths_;
  std::string devicePath_;
  DeviceReportRequest request_;
};

TEST_F(DeviceReportTest, ParametersStandLastOnTopAndScalesInFileOrderWithNamesMovedBelow) {
  request_.parameters = {Row("p1"), Row("p2"), Row("p3")};
  request_.scaleLines = {"Inom=100", "Mode=1#10#A/2#20#B/2", "Tmot=0.1"};
  const Workbook book = Filled();

  // The parameter table grew by two rows, the scale table by two: the names moved with them.
  EXPECT_EQ(RangeAddress(book.Range("VarName")), "$A$23");
  EXPECT_EQ(TextsAt(book, {"A15", "A16", "A17", "E17", "H15"}), "p3|p2|p1|описание p1|А");
  EXPECT_EQ(TextsAt(book, {"A21", "A22", "B22", "A23", "A25"}), "Inom|Mode|20 / B|Tmot|Наладку выполнил:");
  EXPECT_EQ(TextsAt(book, {"B5", "B7", "B9", "G3", "E3"}),
            "Насос №2|TK3|v14 дата прошивки 2021-03-15|05.12.2026 14:30:00|17");
}

TEST_F(DeviceReportTest, NoVariablesLeaveTheRowEmptyAndOneVariableCopiesNothing) {
  {
    const Workbook book = Filled();
    EXPECT_EQ(TextAt(book, "A15"), "");
    EXPECT_EQ(RangeAddress(book.Range("PNx", "ParamMU")), "$A$15:$H$15");
    EXPECT_EQ(RangeAddress(book.Range("VarName")), "$A$19");
  }
  request_.parameters = {Row("p1")};
  request_.scaleLines = {"Inom=100"};
  const Workbook book = Filled();
  EXPECT_EQ(RangeAddress(book.Range("VarName")), "$A$19");
  EXPECT_EQ(TextsAt(book, {"A15", "A16", "A19", "A20"}), "p1||Inom|");
}

TEST_F(DeviceReportTest, ReportIsSavedUnderANewNameAndReadsBackInAnIndependentReader) {
  request_.parameters = {Row("p1"), Row("p2")};
  request_.scaleLines = {"Inom=100", "Unom=380"};
  int lastStep = 0;
  ReportProgress progress;
  progress.Step = [&](int step, const std::string&) { lastStep = step; };
  const std::string first = MakeDeviceReport(paths_, request_, progress);
  const std::string second = MakeDeviceReport(paths_, request_, progress);
  EXPECT_EQ(lastStep, kReportSteps);
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(paths_.Reports(), 0), 0u);

  const testing::XlsxReadback sheet = testing::ReadBackWithOpenpyxl(QUILLON_SOURCE_DIR, second);
  ASSERT_TRUE(sheet.ok) << sheet.error;
  EXPECT_EQ(TextsAt(sheet, {"A15", "A16", "A20", "A21"}), "p2|p1|Inom|Unom");
  EXPECT_EQ(std::tuple(sheet.names.at("PNx"), sheet.names.at("VarName"), sheet.names.at("DocDate")),
            std::tuple("A16", "A21", "G3"));
  EXPECT_EQ(sheet.printTitles, "14:14");
  EXPECT_TRUE(sheet.merged.contains("B20:H20"));
  EXPECT_TRUE(sheet.merged.contains("B21:H21"));
}

TEST_F(DeviceReportTest, OverlongTextsAreClippedInTheSavedReportAndTheNotesNameTheirCells) {
  std::string cyrillic;
  for (int i = 0; i < 33000; ++i) cyrillic += "Ж";
  ReportParameterRow first = Row("p1");
  first[4] = std::string(40000, 'd');
  ReportParameterRow second = Row("p2");
  second[1] = cyrillic;
  request_.parameters = {first, second, Row("p3")};
  request_.scaleLines = {"Inom=100", "Mode=" + std::string(33000, '7')};
  request_.organization = cyrillic;
  request_.outPath = dir_ / "long.xlsx";
  std::vector<std::string> notes;
  const Workbook book = Workbook::Open(MakeDeviceReport(paths_, request_, ReportProgress{}, &notes));

  const std::string clipped = cyrillic.substr(0, 32767 * std::string("Ж").size());
  EXPECT_EQ(TextsAt(book, {"E17", "A17", "B16", "E16", "B22", "B3"}),
            std::string(32767, 'd') + "|p1|" + clipped + "|описание p2|" + std::string(32767, '7') + "|" + clipped);
  const std::string tail = ": текст обрезан до 32767 знаков";
  EXPECT_EQ(notes, (std::vector<std::string>{"Ячейка E17 (параметр p1)" + tail, "Ячейка B16 (параметр p2)" + tail,
                                             "Ячейка B22 (коэффициент Mode)" + tail, "Ячейка B3" + tail}));
}

TEST_F(DeviceReportTest, AMissingOrLegacyTemplateIsRefusedNamingTheFileAndLeavesNoReport) {
  std::filesystem::remove(DeviceReportTemplate(paths_));
  try {
    MakeDeviceReport(paths_, request_, ReportProgress{});
    FAIL() << "no error for a missing template";
  } catch (const WorkbookError& error) {
    EXPECT_NE(std::string(error.what()).find("template3.xlt"), std::string::npos) << error.what();
  }
  std::ofstream(DeviceReportTemplate(paths_), std::ios::binary)
      << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(504, '\0');
  EXPECT_THROW(MakeDeviceReport(paths_, request_, ReportProgress{}), WorkbookError);
  EXPECT_FALSE(std::filesystem::exists(paths_.Reports()) && !std::filesystem::is_empty(paths_.Reports()));
}

TEST(ScaleValueText, ChoiceLinesShowTheSelectedOptionAndOtherValuesStayAsTheyAre) {
  EXPECT_EQ(ScaleValueText("1#10#A/2#20#B/2"), "20 / B");
  EXPECT_EQ(ScaleValueText("1500"), "1500");
  // The option nearest the front wins; missing parts count as empty.
  EXPECT_EQ(ScaleValueText("2#first/2#second#x/2/"), "first / ");
  EXPECT_EQ(ScaleValueText("1#10#A/7"), "1#10#A/7");
}

LogRecord Record(int index, const char* stamp, std::uint8_t events, std::uint8_t alarms) {
  LogRecord record;
  record.index = static_cast<std::uint8_t>(index);
  record.stamp = *ParseDateTimeText(stamp);
  record.events = events;
  record.alarms = alarms;
  return record;
}

TEST_F(DeviceReportTest, AlarmExportListsRecordsWithEventsNewestOnTop) {
  AlarmExportRequest request;
  request.devicePath = devicePath_;
  request.when = *ParseDateTimeText("05.12.2026 14:30:00");
  for (std::size_t i = 0; i < request.counters.size(); ++i) request.counters[i] = std::to_string(i * 10);
  // Sorted newest first as the window shows it; index 1 has no event and is left out.
  request.page.number = 3;
  request.page.records[0] = Record(7, "04.12.2026 10:00:02", 0x01, 0x03);
  request.page.records[1] = Record(6, "04.12.2026 10:00:01", 0x00, 0x80);
  request.page.records[2] = Record(5, "04.12.2026 10:00:00", 0x12, 0x00);
  for (int i = 3; i < kLogPageRecords; ++i) request.page.records[static_cast<std::size_t>(i)].stamp = 1.0;

  const std::string path = MakeAlarmExport(paths_, request);
  const testing::XlsxReadback sheet = testing::ReadBackWithOpenpyxl(QUILLON_SOURCE_DIR, path);
  ASSERT_TRUE(sheet.ok) << sheet.error;
  EXPECT_TRUE(sheet.numbers.contains("A27"));
  EXPECT_EQ(TextsAt(sheet, {"A27", "B27", "C27", "D27", "F27"}),
            "7|04.12.2026|10:00:02|ОТКЛ|МАКС. ТОК АСИНХРОННЫЙ ХОД");
  EXPECT_EQ(TextsAt(sheet, {"A28", "D28", "A29", "B13", "B23", "B2"}), "5| ABAР ВКЛ ||0|100|05.12.2026 14:30:00");
  EXPECT_EQ(std::tuple(sheet.names.at("ABNum"), sheet.names.at("ABNote")), std::tuple("A28", "G28"));
}

}  // namespace
}  // namespace quillon
