#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "platform/ini_document.h"
#include "text/items.h"
#include "text/numbers.h"
#include "variables/registry.h"
#include "variables/special/float_type.h"
#include "variables/special/integral_types.h"
#include "variables/special/prm_list_type.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

const std::set<std::string> kSpecialTypes{"TFloat",   "TSQRWord",  "TInputFilter", "TIPAddr",    "TTimeCnt",
                                          "TPrmList", "TIntegral", "TFrequency",   "TSoftTimer", "TDiff"};

struct DeviceFile {
  std::filesystem::path Path;
  std::vector<std::string> Scales;
  std::vector<std::string> Lines;  // definition lines of the special types, all sections
};

std::vector<DeviceFile> DemoDeviceFiles() {
  std::vector<DeviceFile> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(QUILLON_SOURCE_DIR "/demo/Devices")) {
    if (!entry.is_regular_file() || entry.path().extension() != ".ini") continue;
    const IniDocument document = IniDocument::Load(entry.path().string());
    DeviceFile file{entry.path(), document.SectionLines("vars"), {}};
    for (const char* section : {"FLASH", "RAM", "CD"}) {
      for (const auto& line : document.SectionLines(section)) {
        const auto items = SplitItems(std::string_view(line).substr(line.find('=') + 1));
        if (items.size() > 2 && kSpecialTypes.contains(items[2])) file.Lines.push_back(line);
      }
    }
    files.push_back(std::move(file));
  }
  return files;
}

// The fields every type shares are compared by the round trip over all lines; these are the
// ones only the special types have.
void ExpectSameSpecialFields(TView& a, TView& b) {
  if (a.TypeName != "TPrmList") {
    EXPECT_EQ(a.DefinitionLine(), b.DefinitionLine());
  }
  EXPECT_EQ(a.Size, b.Size);
  EXPECT_EQ(a.HighByte, b.HighByte);
  EXPECT_EQ(a.BaseValue, b.BaseValue);
  EXPECT_EQ(a.OffsetText, b.OffsetText);
  EXPECT_FLOAT_EQ(a.Scale, b.Scale);
  if (const auto* fa = dynamic_cast<const TFloat*>(&a)) {
    EXPECT_EQ(fa->SignedTrend, dynamic_cast<const TFloat&>(b).SignedTrend);
  }
  if (const auto* ta = dynamic_cast<const TimerDerivedView*>(&a)) {
    EXPECT_EQ(ta->K, dynamic_cast<const TimerDerivedView&>(b).K);
  }
  if (const auto* pa = dynamic_cast<const TPrmList*>(&a)) {
    // Every save writes the kept entries, which are the written ones reversed.
    const auto& pb = dynamic_cast<const TPrmList&>(b);
    ASSERT_EQ(pa->Entries.size(), pb.Entries.size());
    for (std::size_t i = 0; i < pa->Entries.size(); ++i) {
      const NamedValue& y = pb.Entries[pb.Entries.size() - 1 - i];
      EXPECT_EQ(pa->Entries[i].Value, y.Value);
      EXPECT_EQ(pa->Entries[i].Text + "#" + pa->Entries[i].Comment, y.Text + "#" + y.Comment);
    }
  }
}

TEST(SpecialRoundTripTest, EverySpecialLineOfTheDemoFilesReadsBackTheSame) {
  std::map<std::string, int> seen;
  for (const DeviceFile& file : DemoDeviceFiles()) {
    std::vector<std::uint8_t> image(kImageSize);
    TViewList first;
    for (const auto& line : file.Scales) first.AddScale(line);
    std::vector<std::pair<TView*, std::string>> written;
    for (const auto& line : file.Lines) {
      SCOPED_TRACE(file.Path.filename().string() + ": " + line);
      TView* original = CreateVariable(line, {}, image, first);
      ASSERT_NE(original, nullptr);
      written.emplace_back(original, original->DefinitionLine());
      ++seen[original->TypeName];
    }
    // Named lists write their entries into the scale table, so the second reading uses the
    // table as the first one left it.
    TViewList second;
    second.Scales = first.Scales;
    for (const auto& [original, line] : written) {
      SCOPED_TRACE(file.Path.filename().string() + ": " + line);
      TView* again = CreateVariable(line, {}, image, second);
      ASSERT_NE(again, nullptr);
      ExpectSameSpecialFields(*original, *again);
      EXPECT_EQ(original->ColumnText(4), again->ColumnText(4));
    }
  }
  for (const auto& type : kSpecialTypes) EXPECT_GT(seen[type], 0) << type << " missing from the demo files";
}

// Gives every byte of the variable's cell a different value per sample.
void FillCell(std::vector<std::uint8_t>& image, const TView& v, int sample) {
  for (int i = 0; i < 4; ++i) {
    image[v.Address + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(sample * 37 + i * 11 + 3);
  }
}

TEST(SpecialRoundTripTest, RecordTransferReproducesTheTextsOfEveryType) {
  constexpr int kSamples = 5;
  int checked = 0;
  for (const DeviceFile& file : DemoDeviceFiles()) {
    for (const auto& line : file.Lines) {
      SCOPED_TRACE(file.Path.filename().string() + ": " + line);
      std::vector<std::uint8_t> image(kImageSize);
      TViewList source;
      TViewList target;
      for (const auto& scale : file.Scales) {
        source.AddScale(scale);
        target.AddScale(scale);
      }
      TView* original = CreateVariable(line, {}, image, source);
      ASSERT_NE(original, nullptr);
      for (int s = 1; s <= kSamples; ++s) {
        FillCell(image, *original, s);
        original->TakeSample();
      }
      std::vector<std::uint8_t> record(original->SampleBytes(kSamples));
      // Samples are stored after Head advances, so the first one sits at index 1.
      ASSERT_EQ(original->CopySamples(record, 1, kSamples), record.size());

      std::vector<std::uint8_t> otherImage(kImageSize);
      TView* loaded = CreateVariable(line, {}, otherImage, target);
      ASSERT_NE(loaded, nullptr);
      loaded->BaseValue = "x00";
      ASSERT_EQ(loaded->LoadSamples(record, kSamples), record.size());
      EXPECT_EQ(loaded->Head, kSamples);
      ++checked;
      if (original->TypeName == "TInputFilter") {
        // The filter's records carry its stored value, not what the controller held.
        EXPECT_EQ(original->BaseValue, loaded->BaseValue);
        EXPECT_EQ(original->ColumnText(4), loaded->ColumnText(4));
        continue;
      }
      const bool currentOnly = original->HistoryLength() == 1;
      for (int s = 1; s <= kSamples; ++s) {
        original->ShownIndex = currentOnly ? original->Head : s;
        loaded->ShownIndex = currentOnly ? loaded->Head : s - 1;
        EXPECT_EQ(original->ValueText(false, 2), loaded->ValueText(false, 2)) << "sample " << s;
        // The float's hex column shows the newest sample, wherever the cursor is.
        if (original->TypeName != "TFloat") {
          EXPECT_EQ(original->HexText(), loaded->HexText()) << "sample " << s;
        }
      }
    }
  }
  EXPECT_GT(checked, 10);
}

}  // namespace
}  // namespace quillon
