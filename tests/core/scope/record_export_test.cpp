#include "scope/record_export.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "scope/record_check.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/unexpected_prompt.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/current_value_view.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::TempDir;

constexpr int kFirst = 100;
constexpr int kSamples = 8;

class RecordExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteCp1251File(header.DevicePath, "[DEVICE]\nID=123 TK v3.12 2010-05-01\n"));
    list.AddScale("Inom=1500");
    auto mark = std::make_unique<TTimeMark>();
    // A quarter of a second apart, so that the milliseconds show.
    const DateTime base = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
    std::vector<std::uint8_t> marks(kHistoryLength * 9);
    for (int i = 0; i < kHistoryLength; ++i) {
      const auto bits = std::bit_cast<std::uint64_t>(base + i * 0.25 / 86400.0);
      for (int b = 0; b < 8; ++b) marks[i * 9 + 1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    mark->LoadSamples(marks, kHistoryLength);
    list.Append(std::move(mark));
    Fill(Create("p1=Speed/Скорость/TWORD/x0010/r0008/об/Inom%1000/2/x0000/"), [](int i) { return i * 37u; });
    Fill(Create("p2=Run/Пуск/TBit/x0012/1/r0009.0/1/1/0/"), [](int i) { return i % 3 == 0 ? 1u : 0u; });
    dynamic_cast<CurrentValueView&>(Create("p3=Relay/Реле/TPrmList/x0013/r0009.H/V//0#Off/1#On#closed/x00/"))
        .SetCurrentValue(1);
    Fill(Create("p4=Temp/Температура/TFloat/x0014/r000A/C/1/2/0/x00000000/"),
         [](int i) { return std::bit_cast<std::uint32_t>(static_cast<float>(i) * -1.5f); });
    Fill(Create("p5=Torque/Момент/TInteger/x0018/r000C/%/0,5/2/0/x0000/"), [](int i) { return 0xFFFFu - i * 3u; });
    Fill(Create("p6=Energy/Энергия/TLongint/x001C/r000E/kWh/1/4/0/x00000000/"),
         [](int i) { return static_cast<std::uint32_t>(100000 - i * 65537); });
    ASSERT_EQ(WriteRecord(header, list, kFirst, file, kFirst + kSamples - 1, prompt), kSamples);
  }
  TView& Create(std::string_view line) {
    TView* v = CreateVariable(line, "1/16/", image, list);
    if (v == nullptr) throw std::runtime_error("not created");
    return *v;
  }
  template <typename Value>
  static void Fill(TView& v, Value value) {
    std::vector<std::uint8_t> ring(static_cast<std::size_t>(kHistoryLength * v.SampleWidth()));
    for (int i = 0; i < kHistoryLength; ++i) {
      for (int b = 0; b < v.SampleWidth(); ++b)
        ring[i * v.SampleWidth() + b] = static_cast<std::uint8_t>(value(i) >> (8 * b));
    }
    v.LoadSamples(ring, kHistoryLength);
  }
  // The row the live window showed for record sample `sample` of the original variable `key`.
  std::string Shown(const std::string& key, int sample, bool physical) {
    for (auto& v : list.Variables) {
      if (v->Definition().Key != key) continue;
      const int shown = kFirst + sample;
      // A float's hex column shows only its newest entry: the table takes each sample's raw entry.
      if (!physical && v->Kind() == ViewKind::Float) return "x" + HexDigits(v->SampleAt(shown), 8);
      return physical ? v->ValueTextAt(shown, false, 2) : v->HexTextAt(shown);
    }
    throw std::runtime_error("no " + key);
  }
  std::vector<std::string> CsvLines(bool physical, std::optional<int> from = {}, std::optional<int> to = {}) {
    std::ostringstream out;
    WriteRecordCsv(file, out, physical, from, to);
    std::vector<std::string> lines;
    std::string text = out.str();
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) throw std::runtime_error("unterminated line: " + text.substr(at));
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }

  TempDir dir;
  RecordHeader header{.DevicePath = dir / "Devices/TK3/123.ini"};
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
  TViewList list;
  std::string file = dir / "r.rec";
  testing::UnexpectedPrompt prompt;
};

TEST_F(RecordExportTest, SummaryAndTableFollowTheDisplayOrder) {
  EXPECT_EQ(RecordProblem(file), std::nullopt);
  RecordSummary summary = ReadRecordSummary(file);
  EXPECT_EQ(summary.id, "123 TK v3.12 2010-05-01");
  EXPECT_EQ(summary.samples, kSamples);
  EXPECT_EQ(summary.start, "05.03.2024 14:07:34");  // ring position 100: 25 s after the base
  EXPECT_EQ(summary.end, "05.03.2024 14:07:35");
  EXPECT_EQ(summary.names, (std::vector<std::string>{"Speed", "Run", "Relay", "Temp", "Torque", "Energy"}));

  // Reordered and one hidden in the window, then saved: the table follows the window.
  TViewList shown;
  RecordHeader read;
  ASSERT_EQ(OpenRecord(file, shown, read), kSamples);
  std::swap(shown.Variables[1], shown.Variables[4]);
  shown.Variables.erase(shown.Variables.begin() + 2);
  ASSERT_TRUE(RewriteRecordHeader(read, shown, file, prompt));
  summary = ReadRecordSummary(file);
  EXPECT_EQ(summary.names, (std::vector<std::string>{"Temp", "Relay", "Speed", "Torque", "Energy"}));

  for (const bool physical : {false, true}) {
    SCOPED_TRACE(physical);
    const std::vector<std::string> lines = CsvLines(physical);
    ASSERT_EQ(lines.size(), 1u + kSamples);
    EXPECT_EQ(lines[0], "time;Temp;Relay;Speed;Torque;Energy");
    for (int sample = 0; sample < kSamples; ++sample) {
      std::string expected = "05.03.2024 14:07:" + std::string(sample < 4 ? "34," : "35,") +
                             std::to_string(sample % 4 * 250 + 1000).substr(1);
      for (const char* key : {"p4", "p3", "p1", "p5", "p6"}) expected += ";" + Shown(key, sample, physical);
      EXPECT_EQ(lines[1 + sample], expected) << sample;
    }
  }
  // Values as the scope shows them: decimal comma, list names, the word's scale from the table.
  EXPECT_EQ(CsvLines(true)[2], "05.03.2024 14:07:34,250;-151,50;On;5605,50;-152,00;-6519237,00");
  EXPECT_EQ(CsvLines(false)[2], "05.03.2024 14:07:34,250;xC3178000;x01;x0E99;xFED0;xFF9C863B");
}

TEST_F(RecordExportTest, RangeIsClampedToTheRecord) {
  auto times = [this](std::optional<int> from, std::optional<int> to) {
    std::string out;
    const auto lines = CsvLines(false, from, to);
    for (std::size_t i = 1; i < lines.size(); ++i) out += lines[i].substr(20, 3) + " ";
    return out;
  };
  EXPECT_EQ(times(2, 4), "500 750 000 ");
  EXPECT_EQ(times(6, {}), "500 750 ");
  EXPECT_EQ(times({}, 1), "000 250 ");
  EXPECT_EQ(times(-3, 99), "000 250 500 750 000 250 500 750 ");
  EXPECT_EQ(times(5, 4), "");
  EXPECT_EQ(CsvLines(false, 5, 4).size(), 1u) << "the header stays";
}

// Records from elsewhere: every one is refused with its reason, and the reader still takes
// what there is without reading past the end.
TEST_F(RecordExportTest, DamagedFilesAreRefusedWithTheirReason) {
  const std::string sound = FileBytes(file);
  const std::size_t data = sound.find("[binarydata]\r\n") + 14;
  auto edit = [&](std::string_view from, std::string_view to) {
    std::string bytes = sound;
    bytes.replace(bytes.find(from), from.size(), to);
    return bytes;
  };
  std::filesystem::create_directory(dir / "folder.rec");
  const struct {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"missing.rec", "", "не найден !"},
      {"folder.rec", "", "не найден !"},
      {"empty.rec", "-", "не является осциллограммой: нет раздела [records]"},
      {"scope.scp", "[default]\r\ndevicepath=a.ini\r\n", "не является осциллограммой: нет раздела [records]"},
      {"header.rec", edit("\r\n[binarydata]\r\n", "\r\n"), "не является осциллограммой: нет раздела [binarydata]"},
      {"inline.rec", edit("\r\n[binarydata]\r\n", "\r\nx[binarydata]\r\n"), "нет раздела [binarydata]"},
      {"novars.rec", "[records]\r\ncounter=x1\r\n[binarydata]\r\n123456789", "нет переменных в разделе [paralist]"},
      {"type.rec", edit("/TBit/", "/TBits/"), "повреждён: нечитаемая переменная p2=Run/Пуск/TBits/"},
      {"address.rec", edit("/TBit/x0012/", "/TBit/xZZ/"), "повреждён: нечитаемая переменная p2=Run/Пуск/TBit/xZZ/"},
      {"cut.rec", sound.substr(0, sound.size() - 1), "повреждён: данных 176 байт из 177 (8 точек)"},
      {"counter.rec", edit("counter=x00000008", "counter=x00000009"), "повреждён: данных 177 байт из 199 (9 точек)"},
      {"ring.rec", edit("counter=x00000008", "counter=x00100000"), "повреждён: число точек 1048576 больше 32768"},
      {"word.rec", edit("counter=x00000008", "counter=eight"), "повреждён: неверное число точек counter=eight"},
  };
  ASSERT_EQ(sound.size() - data, 8u * (9 + 2 + 1 + 4 + 2 + 4) + 1)
      << "the named list keeps one entry for the whole record";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / c.name;
    if (!c.bytes.empty()) std::ofstream(path, std::ios::binary) << c.bytes;
    const auto problem = RecordProblem(path);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->rfind("Фаил " + path + " ", 0), 0u) << *problem;
    EXPECT_NE(problem->find(c.reason), std::string::npos) << *problem;
    EXPECT_EQ(problem->find('\n'), std::string::npos);
    EXPECT_THROW(ReadRecordSummary(path), std::runtime_error);
    std::ostringstream out;
    EXPECT_THROW(WriteRecordCsv(path, out, true, {}, {}), std::runtime_error);
    EXPECT_EQ(out.str(), "");

    TViewList loaded;
    RecordHeader read;
    const int n = OpenRecord(path, loaded, read);
    for (const auto& v : loaded.Variables) {
      EXPECT_LE(v->History.Head(), n);
      const int shown = std::max(0, v->History.Head() - 1);
      v->HexTextAt(shown);
      v->ValueTextAt(shown, false, 2);
    }
  }
}

}  // namespace
}  // namespace quillon
