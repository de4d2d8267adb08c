#include "events/osc_decode.h"

#include <gtest/gtest.h>

#include "event_test_files.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using testing::AppendOsc;
using testing::OscRecordAt;
using testing::TempDir;

constexpr const char* kDevice =
    "[DEVICE]\nID=777 AB v1.0 2024-01-01\n[vars]\n"
    "[RAM]\nr1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\nr2=U/Напряжение/TWORD/x0202/r0101/В/1/2//0/x0000/\n";

class OscDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testing::WriteCp1251File(devicePath, kDevice)); }

  // Records 0..count-1 at seconds 100 + n / 2 (two records per second), word n.
  OscFile Make(int count, int broken = -1) {
    std::vector<std::uint8_t> bytes;
    for (int n = 0; n < count; ++n) {
      OscRecordBytes record = OscRecordAt(100 + static_cast<std::uint32_t>(n) / 2, static_cast<std::uint16_t>(n));
      if (n == broken) record[20] ^= 0xFF;
      AppendOsc(bytes, record);
    }
    bytes.push_back(1);  // a partial record at the end
    testing::WriteBytes(dir / "OSC.dat", bytes);
    auto file = OscFile::Open(dir / "OSC.dat");
    EXPECT_TRUE(file);
    return std::move(*file);
  }

  TempDir dir;
  std::string devicePath = dir / "777.ini";
};

TEST_F(OscDecodeTest, WholeFileBecomesARecordWithBadRecordsSkippedAndSecondMarks) {
  OscFile file = Make(6, 3);
  OscRecorder recorder(devicePath);
  ASSERT_EQ(DecodeOsc(file, {}, recorder), 5);
  const std::string path = dir.Path() + "Records/OSC.rec";
  ASSERT_EQ(recorder.Write(path), 6) << "samples 0 to 5";
  EXPECT_NE(testing::FileBytes(path).find("positionsize=100/100/100/300/\r\noption=30/50/50/30/1/0/\r\n"),
            std::string::npos);

  TViewList list;
  ASSERT_EQ(ReloadRecordVariables(path, list), 6);
  ASSERT_EQ(list.Count(), 3);
  auto& mark = static_cast<TTimeMark&>(list.Item(0));
  EXPECT_EQ(list.Item(1).Name, "I");
  // Position 0 lies before the first sample; then records 0, 1, 2, 4, 5.
  const int words[] = {0, 1, 2, 4, 5};
  const int marks[] = {0, 0, 1, 1, 0};
  for (int sample = 1; sample <= 5; ++sample) {
    SCOPED_TRACE(sample);
    const int record = words[sample - 1];
    EXPECT_EQ(list.Item(1).SampleAt(sample), static_cast<unsigned>(record));
    EXPECT_EQ(mark.MarkAt(sample), marks[sample - 1]);
    EXPECT_EQ(mark.TimeAt(sample), EncodeDateTime({2024, 3, 5, 0, 1, 40 + record / 2, 0}));
  }
}

TEST_F(OscDecodeTest, ASpanWrapsToTheFilesStart) {
  OscFile file = Make(5);
  OscRecorder recorder(devicePath);
  // From record 3: 3, 4, then the partial tail sends it back to 0, 1, 2, 3.
  ASSERT_EQ(DecodeOsc(file, {3 * kOscRecordSize, 6}, recorder), 6);
  const int expected[] = {3, 4, 0, 1, 2, 3};
  for (int sample = 1; sample <= 6; ++sample) {
    EXPECT_EQ(recorder.Variables().Item(1).SampleAt(sample), static_cast<unsigned>(expected[sample - 1]));
  }
}

TEST_F(OscDecodeTest, ASpanStartingBeyondTheEndBeginsAtTheStart) {
  OscFile file = Make(4);
  OscRecorder recorder(devicePath);
  ASSERT_EQ(DecodeOsc(file, {kOscWrap - 4200, 2}, recorder), 2);
  EXPECT_EQ(recorder.Variables().Item(1).SampleAt(1), 0u);
  EXPECT_EQ(recorder.Variables().Item(1).SampleAt(2), 1u);
}

}  // namespace
}  // namespace quillon
