#include "events/osc_decode.h"

#include <gtest/gtest.h>

#include "event_test_files.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
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
  testing::UnexpectedPrompt unexpected;
};

TEST_F(OscDecodeTest, WholeFileBecomesARecordOfRealSamplesOnlyWithBadRecordsSkippedAndSecondMarks) {
  OscFile file = Make(6, 3);
  OscRecorder recorder(devicePath);
  const OscDecodeResult result = DecodeOsc(file, {}, recorder);
  ASSERT_EQ(result.decoded, 5);
  EXPECT_EQ(result.omitted, 0);
  EXPECT_EQ(result.message, "");
  EXPECT_EQ(result.Note(), "");
  const std::string path = dir.Path() + "Records/OSC.rec";
  ASSERT_EQ(recorder.Write(path, unexpected), 5) << "no empty sample before the first record";
  EXPECT_NE(testing::FileBytes(path).find("positionsize=100/100/100/300/\r\noption=30/50/50/30/1/0/\r\n"),
            std::string::npos);

  TViewList list;
  ASSERT_EQ(ReloadRecordVariables(path, list), 5);
  ASSERT_EQ(list.Count(), 3);
  auto& mark = static_cast<TTimeMark&>(list.Item(0));
  EXPECT_EQ(list.Item(1).Definition().Name, "I");
  const int words[] = {0, 1, 2, 4, 5};
  const int marks[] = {0, 0, 1, 1, 0};
  for (int sample = 0; sample < 5; ++sample) {
    SCOPED_TRACE(sample);
    const int record = words[sample];
    EXPECT_EQ(list.Item(1).SampleAt(sample), static_cast<unsigned>(record));
    EXPECT_EQ(mark.MarkAt(sample), marks[sample]);
    EXPECT_EQ(mark.TimeAt(sample), EncodeDateTime({2024, 3, 5, 0, 1, 40 + record / 2, 0}));
  }
}

TEST_F(OscDecodeTest, ASpanWrapsToTheFilesStart) {
  OscFile file = Make(5);
  OscRecorder recorder(devicePath);
  // From record 3: 3, 4, then the partial tail sends it back to 0, 1, 2, 3.
  ASSERT_EQ(DecodeOsc(file, {3 * kOscRecordSize, 6}, recorder).decoded, 6);
  // In memory as in the file written: sample 0 is the first record decoded, no blank before it.
  const int expected[] = {3, 4, 0, 1, 2, 3};
  for (int sample = 0; sample < 6; ++sample) {
    EXPECT_EQ(recorder.Variables().Item(1).SampleAt(sample), static_cast<unsigned>(expected[sample]));
  }
  EXPECT_EQ(static_cast<int>(recorder.Variables().Item(1).History.Head()), 5) << "the newest sample is the sixth";
  auto& mark = static_cast<TTimeMark&>(recorder.Variables().Item(0));
  EXPECT_EQ(mark.TimeAt(0), EncodeDateTime({2024, 3, 5, 0, 1, 41, 0})) << "record 3's time";
}

TEST_F(OscDecodeTest, ASpanStartingBeyondTheEndBeginsAtTheStart) {
  OscFile file = Make(4);
  OscRecorder recorder(devicePath);
  ASSERT_EQ(DecodeOsc(file, {kOscWrap - 4200, 2}, recorder).decoded, 2);
  EXPECT_EQ(recorder.Variables().Item(1).SampleAt(0), 0u);
  EXPECT_EQ(recorder.Variables().Item(1).SampleAt(1), 1u);
}

// 36,000 records at 200 a second (180 s) around an event 60 s in: more than a record holds.
class LongOscDecodeTest : public OscDecodeTest {
 protected:
  static constexpr int kRecords = 36000;
  static constexpr int kEvent = 12000;

  OscFile MakeLong() {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kRecords * kOscRecordSize);
    for (int n = 0; n < kRecords; ++n) AppendOsc(bytes, OscRecordAt(100 + n / 200, static_cast<std::uint16_t>(n)));
    testing::WriteBytes(dir / "OSC.dat", bytes);
    auto file = OscFile::Open(dir / "OSC.dat");
    EXPECT_TRUE(file);
    return std::move(*file);
  }

  // The first process word of every sample of the record written.
  std::vector<unsigned> WrittenWords(OscRecorder& recorder) {
    const std::string path = dir / "long.rec";
    EXPECT_EQ(recorder.Write(path, unexpected), kOscMaxRecords);
    TViewList list;
    const int samples = ReloadRecordVariables(path, list);
    std::vector<unsigned> words;
    for (int sample = 0; sample < samples; ++sample)
      words.push_back(static_cast<unsigned>(list.Item(1).SampleAt(sample)));
    return words;
  }
};

TEST_F(LongOscDecodeTest, KeepsTheRecordsNearestTheEventInTimeOrderAndCountsTheRest) {
  OscFile file = MakeLong();
  OscRecorder recorder(devicePath);
  OscDecodeRange range{0, kRecords, kEvent * kOscRecordSize, 60, 120};
  const OscDecodeResult result = DecodeOsc(file, range, recorder);
  ASSERT_EQ(result.decoded, kOscMaxRecords);
  EXPECT_EQ(result.omitted, kRecords - kOscMaxRecords);
  EXPECT_EQ(result.Note(), "Осциллограмма сокращена: не вошло записей: 3233");

  const std::vector<unsigned> words = WrittenWords(recorder);
  ASSERT_EQ(words.size(), static_cast<std::size_t>(kOscMaxRecords));
  // Of the 32,766 besides the event a third goes before it and two thirds after, as 60 s to 120 s.
  EXPECT_EQ(words.front(), static_cast<unsigned>(kEvent - 10922));
  EXPECT_EQ(words[10922], static_cast<unsigned>(kEvent));
  EXPECT_EQ(words.back(), static_cast<unsigned>(kEvent + 21844));
  for (std::size_t i = 1; i < words.size(); ++i) ASSERT_EQ(words[i], words[i - 1] + 1) << "at sample " << i;
}

TEST_F(LongOscDecodeTest, ASideShortOfItsShareLeavesTheRestToTheOtherAndAWholeFileKeepsItsStart) {
  OscFile file = MakeLong();
  // Only 100 records before the event: the other 32,666 come after it. A whole file without an
  // event never overwrites its oldest samples.
  for (const OscDecodeRange range : {OscDecodeRange{0, kRecords, 100 * kOscRecordSize, 60, 120}, OscDecodeRange{}}) {
    OscRecorder recorder(devicePath);
    const OscDecodeResult result = DecodeOsc(file, range, recorder);
    EXPECT_EQ(result.decoded, kOscMaxRecords);
    EXPECT_EQ(result.omitted, kRecords - kOscMaxRecords);
    const std::vector<unsigned> words = WrittenWords(recorder);
    EXPECT_EQ(words.front(), 0u);
    EXPECT_EQ(words.back(), static_cast<unsigned>(kOscMaxRecords - 1));
  }
}

class WarningRecorder : public Prompt {
 public:
  void Warning(const std::string&, const std::string& text) override { warnings.push_back(text); }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> warnings;
};

TEST_F(OscDecodeTest, AnOscillogramWithoutAValidRecordIsAnErrorAndWritesNothing) {
  OscRecordBytes broken = OscRecordAt(100, 1);
  broken[30] ^= 0x10;
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files = {
      {"empty", {}},
      {"erased", std::vector<std::uint8_t>(5 * kOscRecordSize, 0xFF)},
      {"bad CRCs", std::vector<std::uint8_t>(broken.begin(), broken.end())},
  };
  for (const auto& [what, bytes] : files) {
    SCOPED_TRACE(what);
    testing::WriteBytes(dir / "OSC.dat", bytes);
    auto file = OscFile::Open(dir / "OSC.dat");
    ASSERT_TRUE(file);
    OscRecorder recorder(devicePath);
    const OscDecodeResult result = DecodeOsc(*file, {}, recorder);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.message, "Файл осциллограммы не содержит ни одной верной записи");
    EXPECT_FALSE(DecodeOsc(*file, {0, 3, 0, 30, 30}, recorder)) << "nor a span around an event";

    WarningRecorder warnings;
    EXPECT_EQ(recorder.Write(dir / "OSC.rec", warnings), 0);
    EXPECT_FALSE(FileExists(dir / "OSC.rec"));
    EXPECT_EQ(warnings.warnings, std::vector<std::string>{result.message}) << "a window is told why";
  }
}

}  // namespace
}  // namespace quillon
