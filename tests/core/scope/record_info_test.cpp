#include "scope/record_info.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>

#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;
using testing::WriteCp1251File;

// A time mark whose entry i was taken i seconds after `first`.
std::unique_ptr<TTimeMark> MarkFrom(DateTime first, int n) {
  std::vector<std::uint8_t> entries(static_cast<std::size_t>(n) * kTimeMarkEntryBytes);
  for (int i = 0; i < n; ++i) {
    const auto bits = std::bit_cast<std::uint64_t>(first + i / 86400.0);
    for (int b = 0; b < 8; ++b) entries[i * kTimeMarkEntryBytes + 1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
  }
  auto mark = std::make_unique<TTimeMark>();
  mark->LoadSamples(entries, n);
  return mark;
}

class RecordInfoTest : public ::testing::Test {
 protected:
  // A record of 5 samples from 06.12.2026 14:05:08 on, of a device whose Location reads like the
  // line that starts the samples.
  void SetUp() override {
    ASSERT_TRUE(WriteCp1251File(header.DevicePath,
                                "[DEVICE]\nID=501 QT v2.1 2024-01-10\nLocation=[binarydata]\n"
                                "Description=Насос 2\n"));
    list.Append(MarkFrom(EncodeDateTime({2026, 12, 6, 14, 5, 8, 0}), 5));
    for (const char* line :
         {"p1=Speed/Скорость/TWORD/x0010/r0008/об/1/2/x0000/", "p2=Run/Пуск/TBit/x0012/1/r0009.0/1/1/0/",
          "p3=Temp/Температура/TFloat/x0014/r000A/C/1/2/0/x00000000/"}) {
      TView* variable = CreateVariable(line, "1/16/", image, list);
      ASSERT_NE(variable, nullptr);
      std::vector<std::uint8_t> samples(5 * 4);
      for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 3 + list.Count());
      variable->LoadSamples(samples, 5);
    }
    ASSERT_EQ(WriteRecord(header, list, 0, file, 4, prompt), 5);
    ASSERT_EQ(OpenRecord(file, loaded, read), 5);
  }

  TempDir dir;
  testing::UnexpectedPrompt prompt;
  RecordHeader header{.DevicePath = dir / "501.ini"};
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(64);
  TViewList list;
  TViewList loaded;
  RecordHeader read;
  std::string file = dir / "r.rec";
};

TEST_F(RecordInfoTest, SummaryTakesTheSecondAndLastTimesAndTheDeviceOfTheRecord) {
  EXPECT_EQ(RecordInfoLines(ReadRecordText(file), loaded, 5),
            (Lines{"Начало записи: 14:05:09  [06.12.2026]", "Конец записи:  14:05:12  [06.12.2026]",
                   "Место установки: [binarydata]", "Механизм: Насос 2",
                   "Идентификатор устройства (ID): 501 QT v2.1 2024-01-10", "Количество точек: 5"}));
}

TEST_F(RecordInfoTest, SummaryWithoutUsableTimesShowsThePlaceholder) {
  TViewList noMark;
  EXPECT_EQ(RecordInfoLines(ReadRecordText(dir / "missing.rec"), noMark, 0),
            (Lines{"Начало записи: --:--:--  [--.--.----]", "Конец записи:  --:--:--  [--.--.----]",
                   "Место установки: ", "Механизм: ", "Идентификатор устройства (ID): ", "Количество точек: 0"}));
  // Time bytes of a damaged record are no time at all.
  TViewList damaged;
  damaged.Append(MarkFrom(std::nan(""), 3));
  EXPECT_EQ(RecordInfoLines(IniDocument(), damaged, 3)[1], "Конец записи:  --:--:--  [--.--.----]");
}

TEST_F(RecordInfoTest, EntriesOfTheRecordAndOfTheWindow) {
  ASSERT_TRUE(WriteCp1251File(dir / "hand.rec",
                              "[paralist]\np1 = Speed/Скорость/TWORD/\np5=Solo\np6=Empty//TBit/\n"
                              "[binarydata]\n[paralist]\np7=Ghost/Призрак/\n"));
  EXPECT_EQ(RecordSourceEntries(ReadRecordText(dir / "hand.rec")),
            (Lines{"p1=Speed - Скорость", "p5=Solo - ...", "p6=Empty - ..."}));
  EXPECT_EQ(RecordSourceEntries(ReadRecordText(file)),
            (Lines{"p1=Speed - Скорость", "p2=Run - Пуск", "p3=Temp - Температура"}));
  EXPECT_EQ(RecordDestEntries(loaded), (Lines{"p1=Speed - Скорость", "p2=Run - Пуск", "p3=Temp - Температура"}));
  EXPECT_EQ(EntryKey("p1=Speed - a=b"), "p1");
}

TEST_F(RecordInfoTest, ReorderPutsTheNamedVariablesUnderTheTimeMarkAndDropsTheRest) {
  const TView* speed = &loaded[1];
  const TView* temp = &loaded[3];
  ReorderByKeys(loaded, {"P3", "ghost", "p1", "p1"});
  ASSERT_EQ(loaded.Count(), 3);
  EXPECT_TRUE(loaded[0].IsTimeMark());
  EXPECT_EQ(&loaded[1], temp);
  EXPECT_EQ(&loaded[2], speed);

  ReorderByKeys(loaded, {});
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_TRUE(loaded[0].IsTimeMark());
}

}  // namespace
}  // namespace quillon
