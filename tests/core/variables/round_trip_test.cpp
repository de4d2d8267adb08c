#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/ini_document.h"
#include "text/numbers.h"
#include "variables/integer_types.h"
#include "variables/registry.h"
#include "variables/special/float_type.h"
#include "variables/special/integral_types.h"
#include "variables/special/prm_list_type.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

// The seven integer types first.
const char* const kTypes[] = {"TBit",     "TByte",     "TShortInt",  "TWORD",        "TInteger", "TDWORD",
                              "TLongint", "TFloat",    "TSQRWord",   "TInputFilter", "TIPAddr",  "TTimeCnt",
                              "TPrmList", "TIntegral", "TFrequency", "TSoftTimer",   "TDiff"};

bool IsIntegerType(const std::string& name) { return std::find(kTypes, kTypes + 7, name) != kTypes + 7; }

// The fields a definition line declares; a bit has no scale, its item 6 is always written as 1,
// and the ratio is written with two decimals.
auto DeclaredFields(const TView& v) {
  const bool bit = v.Definition().TypeName == "TBit";
  return std::tuple(v.Definition().Key, v.Definition().Name, v.Definition().Description, v.Definition().Units,
                    v.Definition().TypeName, v.Definition().Address, v.Definition().Register, v.Definition().HighByte,
                    v.Definition().Mask, v.Definition().Size, v.BaseValue, bit ? "" : v.Definition().ScaleText,
                    bit ? 1.0f : v.Scale, v.Definition().OffsetText, v.Definition().NotInMemory,
                    v.Definition().NoAddress, v.Definition().DependsOn, FormatFixed(v.Ratio, 2, true));
}

// Every definition line, read and written back, must read again as the same variable: a device
// file saved by the tools must not change what it declares.
void ExpectSameMeaning(TView& a, TView& b) {
  if (a.Definition().TypeName != "TPrmList") {
    EXPECT_EQ(a.DefinitionLine(), b.DefinitionLine());
  }
  EXPECT_EQ(DeclaredFields(a), DeclaredFields(b));
  if (!IsIntegerType(a.Definition().TypeName)) {  // an integer's base text depends on the order of reading
    EXPECT_EQ(a.ColumnTextAt(4, a.History.Head()), b.ColumnTextAt(4, b.History.Head()));
  }
  if (const auto* offset = dynamic_cast<const OffsetIntegerView*>(&a)) {
    EXPECT_EQ(offset->Offset, dynamic_cast<const OffsetIntegerView&>(b).Offset);
  }
  if (const auto* fa = dynamic_cast<const TFloat*>(&a)) {
    EXPECT_EQ(fa->SignedTrend, dynamic_cast<const TFloat&>(b).SignedTrend);
  }
  if (const auto* ta = dynamic_cast<const TimerDerivedView*>(&a)) {
    EXPECT_EQ(ta->K, dynamic_cast<const TimerDerivedView&>(b).K);
  }
  if (const auto* pa = dynamic_cast<const TPrmList*>(&a)) {
    // A save writes the entries in the order it read them: a second reading keeps the same list.
    const auto& pb = dynamic_cast<const TPrmList&>(b);
    ASSERT_EQ(pa->Entries.size(), pb.Entries.size());
    for (std::size_t i = 0; i < pa->Entries.size(); ++i) {
      const NamedValue& y = pb.Entries[i];
      EXPECT_EQ(pa->Entries[i].Value, y.Value);
      EXPECT_EQ(pa->Entries[i].Text + "#" + pa->Entries[i].Comment, y.Text + "#" + y.Comment);
    }
  }
}

// Samples taken by one variable, carried in a record to the same variable read again, give the
// same texts: every byte of the cell takes a different value per sample.
void ExpectSameRecordedTexts(TView& original, TView& loaded) {
  constexpr int kSamples = 5;
  for (int s = 1; s <= kSamples; ++s) {
    for (int i = 0; i < 4; ++i) original.DataPtr[i] = static_cast<std::uint8_t>(s * 37 + i * 11 + 3);
    original.TakeSample();
  }
  std::vector<std::uint8_t> record(original.SampleBytes(kSamples));
  // Samples are stored after Head advances, so the first one sits at index 1.
  ASSERT_EQ(original.CopySamples(record, 1, kSamples), record.size());
  if (original.Definition().TypeName == "TInputFilter") {  // its records carry its stored value instead
    loaded.BaseValue = "x00";
    ASSERT_EQ(loaded.LoadSamples(record, kSamples), record.size());
    EXPECT_EQ(original.BaseValue, loaded.BaseValue);
    return;
  }
  ASSERT_EQ(loaded.LoadSamples(record, kSamples), record.size());
  EXPECT_EQ(loaded.History.Head(), kSamples);
  const bool currentOnly = original.HistoryLength() == 1;
  for (int s = 1; s <= kSamples; ++s) {
    const int originalSample = currentOnly ? original.History.Head() : s;
    const int loadedSample = currentOnly ? loaded.History.Head() : s - 1;
    EXPECT_EQ(original.ValueTextAt(originalSample, false, 2), loaded.ValueTextAt(loadedSample, false, 2)) << s;
    // The float's hex column shows the newest sample, wherever the cursor is.
    if (original.Kind() != ViewKind::Float) {
      EXPECT_EQ(original.HexTextAt(originalSample), loaded.HexTextAt(loadedSample)) << s;
    }
  }
}

// Reads, writes and reads again every variable of the file, and with `records` carries samples
// of each to the variable read again; counts the variables per type.
void RoundTripFile(const std::filesystem::path& path, std::map<std::string, int>& seen, bool records = false) {
  const IniDocument document = IniDocument::Load(path.string());
  std::vector<std::uint8_t> image(kImageSize);
  TViewList first;
  for (const auto& line : document.SectionLines("vars")) first.AddScale(line);
  std::vector<std::pair<TView*, std::string>> written;
  for (const char* section : {"FLASH", "RAM", "CD"}) {
    for (const auto& line : document.SectionLines(section)) {
      SCOPED_TRACE(path.filename().string() + " [" + section + "] " + line);
      try {
        if (TView* original = CreateVariable(line, {}, image, first)) {
          written.emplace_back(original, original->DefinitionLine());
          ++seen[original->Definition().TypeName];
        }
      } catch (const ConversionError& error) {
        ADD_FAILURE() << error.what();
      }
    }
  }
  // Named lists write their entries into the scale table, so the second reading uses the table
  // as the first one left it.
  TViewList second;
  second.Scales = first.Scales;
  for (const auto& [original, line] : written) {
    SCOPED_TRACE(path.filename().string() + ": " + line);
    TView* again = CreateVariable(line, {}, image, second);
    ASSERT_NE(again, nullptr) << "reads as nothing";
    ExpectSameMeaning(*original, *again);
  }
  for (std::size_t i = 0; records && i < written.size(); ++i) {
    SCOPED_TRACE(path.filename().string() + ": record of " + written[i].second);
    ExpectSameRecordedTexts(*written[i].first, second.Item(static_cast<int>(i)));
  }
}

std::vector<std::filesystem::path> DemoDeviceFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(QUILLON_SOURCE_DIR "/demo/Devices")) {
    if (entry.is_regular_file() && entry.path().extension() == ".ini") files.push_back(entry.path());
  }
  return files;
}

TEST(RoundTripTest, OwnDeviceFileWithOddSpellings) {
  std::map<std::string, int> seen;
  RoundTripFile(QUILLON_SOURCE_DIR "/tests/core/variables/data/round_trip.ini", seen);
  int integers = 0;
  for (int i = 0; i < 7; ++i) integers += seen[kTypes[i]];
  EXPECT_EQ(integers, 12);
}

TEST(RoundTripTest, EveryLineAndRecordOfTheDemoDeviceFilesAndEveryTypeAmongThem) {
  std::map<std::string, int> seen;
  for (const auto& path : DemoDeviceFiles()) RoundTripFile(path, seen, true);
  for (const char* type : kTypes) EXPECT_GT(seen[type], 0) << type << " missing from the demo files";
}

// A line edited by hand with blanks around "=": the variable is named without them, and a save
// (which writes every variable under its key) replaces the line instead of adding a copy.
TEST(RoundTripTest, BlanksAroundTheEqualsSignStayOutOfTheKeyAndTheName) {
  IniDocument document = IniDocument::FromText(
      "[FLASH]\r\np1 = Inom/Ток/TWORD/x0100/r0080/A/1/2//0/x03E8/\r\np2=U/d/TWORD/x0102/r0081/"
      "B/1/2//0/x0001/\r\n");
  std::vector<std::uint8_t> image(kImageSize);
  TViewList list;
  for (const auto& line : document.SectionLines("FLASH")) ASSERT_NE(CreateVariable(line, {}, image, list), nullptr);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0).Definition().Key + " " + list.Item(0).Definition().Name, "p1 Inom");
  for (int save = 0; save < 2; ++save) {
    for (auto& variable : list.Variables)
      document.SetValue("FLASH", variable->Definition().Key, variable->DefinitionText());
  }
  EXPECT_EQ(document.SectionLines("FLASH"),
            (std::vector<std::string>{list.Item(0).DefinitionLine(), list.Item(1).DefinitionLine()}));
}

}  // namespace
}  // namespace quillon
