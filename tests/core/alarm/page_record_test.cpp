#include "alarm/page_record.h"

#include <gtest/gtest.h>

#include "platform/prompt.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;

// Two words at the start of the process data, a byte further in, and a word past its end.
constexpr const char* kDevice =
    "[DEVICE]\nID=777 AB v1.0 2024-01-01\nDescription=Насос 3\n"
    "[vars]\nInom=100\n"
    "[RAM]\n"
    "r2=Pos/Положение/TWORD/x0202/r0101//1/2//0/x0000/\n"
    "r1=I/Ток/TWORD/x0200/r0100/А/Inom/2//0/x0000/\n"
    "r3=St/Состояние/TByte/x0236/r011B.L//1/1//0/x00/\n"
    "r4=Far/Далеко/TWORD/x0240/r0120//1/2//0/x0000/\n"
    "[FLASH]\np1=Tacc/Разгон/TWORD/x0100/r0080/с/1/2//0/x1234/\n";

class PageRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteCp1251File(devicePath, kDevice));
    page.number = 5;
    // Sorted newest first: record i happened 15 - i minutes after 10:00.
    for (int i = 0; i < kLogPageRecords; ++i) {
      LogRecord& record = page.records[static_cast<std::size_t>(i)];
      record.index = static_cast<std::uint8_t>(i);
      record.stamp = Minute(15 - i);
      record.process[0] = static_cast<std::uint8_t>(i);
      record.process[1] = 0x10;
      record.process[2] = static_cast<std::uint8_t>(100 + i);
      record.process[54] = static_cast<std::uint8_t>(200 + i);
    }
  }

  static DateTime Minute(int minute) { return EncodeDateTime({2024, 3, 5, 10, minute, 0, 0}); }

  TempDir dir;
  std::string devicePath = dir / "777.ini";
  testing::UnexpectedPrompt unexpected;
  LogPage page;
};

TEST_F(PageRecordTest, PageBecomesTenSamplesPerRecordReadBackByTheRecordReader) {
  const std::string path = PageRecordPath(page, dir.Path() + "Records/");
  EXPECT_EQ(path, dir.Path() + "Records/050324_101500.rec") << "named after the newest record";
  // The records directory does not exist yet.
  ASSERT_EQ(WritePageRecord(page, devicePath, path, unexpected), 151);

  const std::string bytes = FileBytes(path);
  EXPECT_NE(bytes.find("counter=x00000097\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("ID=777 AB v1.0 2024-01-01\r\n"), std::string::npos) << "the device section is copied";
  EXPECT_NE(bytes.find("positionsize=100/100/100/300/\r\noption=30/50/50/30/1/0/\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Inom=100\r\n"), std::string::npos);

  TViewList list;
  ASSERT_EQ(ReloadRecordVariables(path, list), 151);
  ASSERT_EQ(list.Count(), 5);
  auto& mark = static_cast<TTimeMark&>(list.Item(0));
  ASSERT_TRUE(mark.IsTimeMark());
  EXPECT_EQ(list.Item(1).Definition().Name, "Pos");
  EXPECT_EQ(list.Item(2).Definition().Name, "I");

  // Position 0 lies before the first sample; the oldest record fills 1 to 10, and so on.
  EXPECT_EQ(mark.TimeAt(0), 0.0);
  EXPECT_EQ(mark.MarkAt(0), 0);
  for (int sample = 1; sample <= 150; ++sample) {
    const int record = 15 - (sample - 1) / kSamplesPerLogRecord;
    SCOPED_TRACE(sample);
    EXPECT_EQ(mark.TimeAt(sample), Minute(15 - record));
    EXPECT_EQ(mark.MarkAt(sample), sample % 10 == 0 ? kLogRecordEndMark : 0);
    // Each variable at its address difference from the lowest one.
    EXPECT_EQ(list.Item(2).SampleAt(sample), 0x1000u + static_cast<unsigned>(record));
    EXPECT_EQ(list.Item(1).SampleAt(sample), static_cast<unsigned>(100 + record));
    EXPECT_EQ(list.Item(3).SampleAt(sample), static_cast<unsigned>(200 + record));
    EXPECT_EQ(list.Item(4).SampleAt(sample), 0u) << "past the process data";
  }
  EXPECT_EQ(mark.TimeAt(141), Minute(14)) << "the newest record's samples lie past the range";
}

class WarningRecorder : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    warnings.push_back(caption + "|" + text);
  }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> warnings;
};

TEST_F(PageRecordTest, FileThatCannotBeMadeIsReported) {
  WarningRecorder recorder;
  ASSERT_TRUE(testing::WriteCp1251File(dir / "Records", "a file where the directory should be"));
  const std::string path = dir.Path() + "Records/050324_101500.rec";
  EXPECT_EQ(WritePageRecord(page, devicePath, path, recorder), 0);
  EXPECT_EQ(recorder.warnings, std::vector<std::string>{"Quillon|Неполучилось создать фаил\n" + path});
}

}  // namespace
}  // namespace quillon
