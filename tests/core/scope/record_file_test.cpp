#include "scope/record_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

#include "platform/files.h"
#include "platform/prompt.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"
#include "variables/registry.h"
#include "variables/special/current_value_view.h"
#include "variables/special/time_mark.h"
#include "workspace/paths.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;
using testing::WriteCp1251File;

class RecordingPrompt : public Prompt {
 public:
  void Warning(const std::string& caption, const std::string& text) override {
    warnings.push_back(caption + "|" + text);
  }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::vector<std::string> warnings;
};

// On a line of its own: the device file of the fixture has a value that reads "[binarydata]".
constexpr std::string_view kMarker = "\r\n[binarydata]\r\n";
// Entry sizes in list order: time mark, word, bit, float; the square-law word carries one value.
constexpr std::size_t kRingEntryBytes = 9 + 2 + 1 + 4;
constexpr std::size_t kSqrWordBytes = 2;

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitWorkspacePaths(dir.Path());
    ASSERT_TRUE(
        WriteCp1251File(header.DevicePath, "[DEVICE]\nID=123 TK v3.12 2010-05-01\nLocation=[binarydata]\n\n[RAM]\n"));
    list.AddScale("Inom=1500");
    auto mark = std::make_unique<TTimeMark>();
    DateTime base = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
    std::vector<std::uint8_t> marks(kHistoryLength * 9);
    for (int i = 0; i < kHistoryLength; ++i) {
      marks[i * 9] = i % 1000 == 0 ? 1 : (i == 77 ? kRedMark : 0);
      const auto bits = std::bit_cast<std::uint64_t>(base + i / 86400.0);
      for (int b = 0; b < 8; ++b) marks[i * 9 + 1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    mark->LoadSamples(marks, kHistoryLength);
    list.Append(std::move(mark));
    Fill(Create("p1=Speed/Скорость/TWORD/x0010/r0008/об/Inom%1000/2/x0000/", "0,25/40/"), 2);
    Fill(Create("p2=Run/Пуск/TBit/x0012/1/r0009.0/1/1/0/"), 1);
    dynamic_cast<CurrentValueView&>(Create("p3=Flow/Расход/TSQRWord/x0018/r000C/m3/1/2/x0000/"))
        .SetCurrentValue(0x1234);
    Fill(Create("p4=Temp/Температура/TFloat/x0014/r000A/C/1/2/0/x00000000/", "2/16/"), 4);
  }
  TView& Create(std::string_view line, std::string_view view = "1/16/") {
    TView* v = CreateVariable(line, view, image, list);
    if (v == nullptr) throw std::runtime_error("not created");
    return *v;
  }
  // Every ring entry distinct from its neighbours, so a block taken from a wrong position shows.
  static void Fill(TView& v, int width) {
    std::vector<std::uint8_t> ring(kHistoryLength * width);
    for (std::size_t i = 0; i < ring.size(); ++i) ring[i] = static_cast<std::uint8_t>(i * 7 / width + i % width + 3);
    if (width == 1) {
      for (auto& b : ring) b &= 1;
    }
    v.LoadSamples(ring, kHistoryLength);
  }
  // Entries of a variable's ring from `first` on, wrapping, as a record block must hold them:
  // least significant byte first; a time mark as its flag byte and the double of its time.
  static std::string RingEntries(const TView& v, int first, int n) {
    std::string out;
    auto append = [&out](std::uint64_t value, int bytes) {
      for (int b = 0; b < bytes; ++b) out += static_cast<char>(value >> (8 * b));
    };
    for (int i = 0; i < n; ++i) {
      const int index = (first + i) % kHistoryLength;
      if (const auto* mark = dynamic_cast<const TTimeMark*>(&v)) {
        append(mark->MarkAt(index), 1);
        append(std::bit_cast<std::uint64_t>(mark->TimeAt(index)), 8);
      } else {
        append(v.SampleAt(index), v.SampleWidth());
      }
    }
    return out;
  }
  std::string Binary(const std::string& path) {
    const std::string bytes = FileBytes(path);
    const auto at = bytes.find(kMarker);
    return at == std::string::npos ? std::string() : bytes.substr(at + kMarker.size());
  }
  std::string Text(const std::string& path) {
    const std::string bytes = FileBytes(path);
    return Cp1251ToUtf8(bytes.substr(0, bytes.find(kMarker) + kMarker.size()));
  }
  // The expected binary part: every block in list order.
  std::string Blocks(int first, int n) {
    return RingEntries(list[0], first, n) + RingEntries(list[1], first, n) + RingEntries(list[2], first, n) +
           "\x34\x12" + RingEntries(list[4], first, n);
  }

  TempDir dir;
  RecordingPrompt prompt;
  RecordHeader header{.DevicePath = dir / "Devices/TK3/123.ini",
                      .Left = 5,
                      .Top = 6,
                      .Width = 700,
                      .Height = 300,
                      .ColWidths = {90, 50, 60, 20},
                      .Zoom = ZoomText(0.5),
                      .Scroll = "120"};
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  std::string file = dir / "r.rec";
};

TEST_F(RecordFileTest, WholeBufferAndRulerStretches) {
  ASSERT_EQ(WriteRecord(header, list, 0, file, 32766, prompt), 32767);
  EXPECT_NE(Text(file).find("\r\ncounter=x00007FFF\r\n"), std::string::npos);
  EXPECT_EQ(Binary(file).size(), 32767 * kRingEntryBytes + kSqrWordBytes);
  EXPECT_TRUE(Binary(file) == Blocks(0, 32767));

  // A span longer than the ring holds each sample once: the whole ring from the first position.
  ASSERT_EQ(WriteRecord(header, list, 5, file, 5 + 40000, prompt), kHistoryLength);
  EXPECT_NE(Text(file).find("\r\ncounter=x00008000\r\n"), std::string::npos);
  EXPECT_TRUE(Binary(file) == Blocks(5, kHistoryLength));

  // Rulers in either order: from the first ruler on, across the end of the ring.
  for (const auto& [first, last, start] : {std::tuple{32763, 32773, 32763}, std::tuple{20, 10, 20}}) {
    ASSERT_EQ(WriteRecord(header, list, first, file, last, prompt), 11);
    EXPECT_TRUE(Binary(file) == Blocks(start, 11)) << first;
  }
  EXPECT_EQ(Text(file),
            "[records]\r\ncounter=x0000000B\r\n\r\n"
            "[DEVICE]\r\nID=123 TK v3.12 2010-05-01\r\nLocation=[binarydata]\r\n\r\n"
            "[window]\r\npositionsize=5/6/700/300/\r\noption=90/50/60/20/0,50/120/\r\n\r\n"
            "[viewoption]\r\np1=0,25/40/\r\np2=1/15/\r\np3=1/16/\r\np4=2/16/\r\n\r\n"
            "[paralist]\r\n" +
                list[1].DefinitionLine() + "\r\n" + list[2].DefinitionLine() + "\r\n" + list[3].DefinitionLine() +
                "\r\n" + list[4].DefinitionLine() +
                "\r\n\r\n"
                "[vars]\r\nInom=1500\r\n\r\n[binarydata]\r\n");
  EXPECT_EQ(FileBytes(file).find("Скорость"), std::string::npos) << "text must be Windows-1251";
  EXPECT_TRUE(prompt.warnings.empty());
}

TEST_F(RecordFileTest, OpeningGivesBackEverySampleAndSetting) {
  ASSERT_EQ(WriteRecord(header, list, 32763, file, 32773, prompt), 11);
  TViewList loaded;
  loaded.AddScale("stale=1");
  RecordHeader read;
  ASSERT_EQ(OpenRecord(file, loaded, read), 11);
  EXPECT_EQ(PositionSizeText(read) + OptionText(read), "5/6/700/300/90/50/60/20/0,50/120/");
  EXPECT_EQ(loaded.Scales.Lines, std::vector<std::string>{"Inom=1500"});
  ASSERT_EQ(loaded.Count(), 5);
  const auto& mark = dynamic_cast<const TTimeMark&>(loaded[0]);
  EXPECT_EQ(mark.DataPtr, nullptr);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(loaded[i].Definition().TypeName, list[i].Definition().TypeName);
    EXPECT_EQ(loaded[i].History.Head(), 11);
    if (i == 3) continue;
    EXPECT_TRUE(RingEntries(loaded[i], 0, 11) == RingEntries(list[i], 32763, 11));
    EXPECT_EQ(loaded[i].DefinitionLine(), list[i].DefinitionLine());
    EXPECT_EQ(std::make_pair(loaded[i].TrendGain, loaded[i].RowHeight),
              std::make_pair(list[i].TrendGain, list[i].RowHeight));
  }
  EXPECT_EQ(loaded[1].Scale, 1.5f) << "scales are read before the variables";
  EXPECT_EQ(dynamic_cast<const CurrentValueView&>(loaded[3]).CurrentValue(), 0x1234u);
  const auto& original = dynamic_cast<const TTimeMark&>(list[0]);
  EXPECT_EQ(mark.TimeAt(0), original.TimeAt(32763));
  EXPECT_EQ(mark.MarkAt(0), 0);
  EXPECT_EQ(mark.MarkAt(5), 1) << "the tick of ring position 0";
  EXPECT_EQ(loaded[4].ValueTextAt(2, false, 2), list[4].ValueTextAt(32765, false, 2));
}

TEST_F(RecordFileTest, RewrittenHeaderReordersAndHidesButKeepsTheSamples) {
  ASSERT_EQ(WriteRecord(header, list, 100, file, 199, prompt), 100);
  const std::string samples = Binary(file);
  TViewList view;
  RecordHeader read;
  ASSERT_EQ(OpenRecord(file, view, read), 100);
  std::swap(view.Variables[1], view.Variables[4]);   // p4 moves to the top
  view.Variables.erase(view.Variables.begin() + 2);  // the bit is no longer shown
  view[1].TrendGain = 0.5;
  view.Scales.SetValue("Inom", "3000");
  read.Left = 11;
  read.Zoom = "2,00";
  ASSERT_TRUE(RewriteRecordHeader(read, view, file, prompt));
  EXPECT_TRUE(Binary(file) == samples);
  const std::string text = Text(file);
  EXPECT_NE(text.find("[records]\r\ncounter=x00000064\r\n\r\n[DEVICE]\r\nID="), std::string::npos);
  EXPECT_NE(text.find("[viewoption]\r\np4=0,5/16/\r\np3=1/16/\r\np1=0,25/40/\r\n\r\n"), std::string::npos);
  EXPECT_NE(text.find("p2=Run/"), std::string::npos) << "definitions stay";

  TViewList again;
  ASSERT_EQ(OpenRecord(file, again, read), 100);
  ASSERT_EQ(again.Count(), 4);
  EXPECT_EQ(again[1].Definition().Key + again[2].Definition().Key + again[3].Definition().Key, "p4p3p1");
  EXPECT_EQ(read.Left, 11);
  EXPECT_EQ(read.Zoom, "2,00");
  EXPECT_EQ(again[3].Scale, 3.0f);
  // The hidden bit's block still lies between the word's and the float's.
  EXPECT_TRUE(RingEntries(again[1], 0, 100) == RingEntries(list[4], 100, 100));
  EXPECT_TRUE(RingEntries(again[3], 0, 100) == RingEntries(list[1], 100, 100));

  EXPECT_FALSE(RewriteRecordHeader(read, again, dir / "missing.rec", prompt));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.rec"));
}

// Records from elsewhere: cut short, with a counter beyond the ring, with keys naming nothing.
TEST_F(RecordFileTest, DamagedRecordsNeverReadPastTheirData) {
  ASSERT_EQ(WriteRecord(header, list, 0, file, 9, prompt), 10);
  std::string bytes = FileBytes(file);
  const std::size_t data = bytes.find(kMarker) + kMarker.size();
  const std::size_t cut = data + 10 * 9 + 7;  // the word's block ends after 3 entries and a half
  {
    std::string text = bytes.substr(0, data);
    text.replace(text.find("[paralist]"), 0, "ghost=1/16/\r\n\r\n");
    std::ofstream(file, std::ios::binary) << text << bytes.substr(data, cut - data);
  }
  TViewList loaded;
  RecordHeader read;
  ASSERT_EQ(OpenRecord(file, loaded, read), 10);
  ASSERT_EQ(loaded.Count(), 5);
  EXPECT_EQ(loaded[0].History.Head(), 10);
  EXPECT_EQ(loaded[1].History.Head(), 3);
  EXPECT_TRUE(RingEntries(loaded[1], 0, 3) == RingEntries(list[1], 0, 3));
  EXPECT_EQ(loaded[2].History.Head(), 0);
  EXPECT_EQ(loaded[4].History.Head(), 0);

  for (const char* counter : {"x00100000", "x7FFFFFFF", "4294967295"}) {
    std::string text = bytes;
    text.replace(text.find("x0000000A"), 9, counter);
    std::ofstream(file, std::ios::binary) << text;
    EXPECT_EQ(OpenRecord(file, loaded, read), kHistoryLength) << counter;
    // The first block of a full ring is longer than the whole part: it takes what there is.
    EXPECT_EQ(loaded[0].History.Head(), static_cast<int>((bytes.size() - data) / 9)) << counter;
    EXPECT_EQ(loaded[1].History.Head(), 0) << counter;
  }
}

TEST_F(RecordFileTest, MissingValuesTakeTheirDefaultsOneByOne) {
  ASSERT_TRUE(WriteCp1251File(file, "[records]\n[window]\npositionsize=10/20/\noption=1/2/3//\n[binarydata]\n"));
  RecordHeader read{
      .DevicePath = "", .Left = 0, .Top = 0, .Width = 0, .Height = 0, .ColWidths = {}, .Zoom = "", .Scroll = ""};
  list.AddScale("x=1");
  EXPECT_EQ(OpenRecord(file, list, read), 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Scales.Lines.empty());
  EXPECT_EQ(PositionSizeText(read) + OptionText(read), "10/20/676/176/1/2/3/21/1/0/");

  ASSERT_TRUE(WriteCp1251File(file, "[records]\ncounter=31\n[paralist]\np1=a/b/TWORD/x10/r0001/A/1/2/x0000/\n"));
  EXPECT_EQ(OpenRecord(file, list, read), 31);
  EXPECT_EQ(PositionSizeText(read) + OptionText(read), "390/166/676/176/47/45/55/21/1/0/");
  EXPECT_EQ(list.Count(), 1) << "a variable the display order does not name is not shown";
  EXPECT_EQ(ReadCounter("x1F"), 31);
  EXPECT_EQ(ReadCounter("-4"), 0);
}

TEST_F(RecordFileTest, DefaultNameAndAFileThatCannotBeCreated) {
  EXPECT_EQ(DefaultRecordName(EncodeDateTime({2024, 3, 5, 14, 7, 9, 0})), dir.Path() + "Records/050324_140709.rec");
  ASSERT_EQ(WriteRecord(header, list, 0, "", 0, prompt), 1);
  const auto names = ListFiles(dir / "Records", "*.rec", false);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].size(), std::string("ddmmyy_hhmmss.rec").size());

  const std::string unwritable = dir / "no/such/dir.rec";
  EXPECT_EQ(WriteRecord(header, list, 0, unwritable, 10, prompt), 0);
  EXPECT_EQ(prompt.warnings, std::vector<std::string>{"Quillon|Неполучилось создать фаил\n" + unwritable});
  EXPECT_FALSE(std::filesystem::exists(unwritable));
}

}  // namespace
}  // namespace quillon
