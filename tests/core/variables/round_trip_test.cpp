#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/ini_document.h"
#include "text/numbers.h"
#include "variables/integer_types.h"
#include "variables/registry.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

// Every definition line, read and written back, must read again as the same variable: a device
// file saved by the tools must not change what it declares.
void ExpectSameMeaning(const TView& a, const TView& b, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(a.Key, b.Key);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Description, b.Description);
  EXPECT_EQ(a.Units, b.Units);
  EXPECT_EQ(a.TypeName, b.TypeName);
  EXPECT_EQ(a.Address, b.Address);
  EXPECT_EQ(a.Register, b.Register);
  EXPECT_EQ(a.HighByte, b.HighByte);
  EXPECT_EQ(a.Mask, b.Mask);
  EXPECT_EQ(a.Size, b.Size);
  EXPECT_EQ(a.BaseValue, b.BaseValue);
  // A bit has no scale; its item 6 is always written as 1.
  if (a.TypeName != "TBit") {
    EXPECT_EQ(a.ScaleText, b.ScaleText);
    EXPECT_FLOAT_EQ(a.Scale, b.Scale);
  }
  EXPECT_EQ(a.OffsetText, b.OffsetText);
  EXPECT_EQ(a.NotInMemory, b.NotInMemory);
  EXPECT_EQ(a.NoAddress, b.NoAddress);
  EXPECT_EQ(a.DependsOn, b.DependsOn);
  // The ratio is written with two decimals.
  EXPECT_EQ(FormatFixed(a.Ratio, 2, true), FormatFixed(b.Ratio, 2, true));
  const auto* offsetA = dynamic_cast<const OffsetIntegerView*>(&a);
  const auto* offsetB = dynamic_cast<const OffsetIntegerView*>(&b);
  ASSERT_EQ(offsetA == nullptr, offsetB == nullptr);
  if (offsetA != nullptr) {
    EXPECT_EQ(offsetA->Offset, offsetB->Offset);
  }
}

bool IsIntegerType(const std::string& typeName) {
  for (const char* name : {"TBit", "TByte", "TShortInt", "TWORD", "TInteger", "TDWORD", "TLongint"}) {
    if (typeName == name) return true;
  }
  return false;
}

// Checks every variable the file declares; returns how many of them were of the integer types.
int RoundTripFile(const std::filesystem::path& path) {
  const IniDocument document = IniDocument::Load(path.string());
  std::vector<std::uint8_t> image(kImageSize);
  TViewList first;
  TViewList second;
  for (const auto& line : document.SectionLines("vars")) {
    first.AddScale(line);
    second.AddScale(line);
  }
  int checked = 0;
  for (const char* section : {"FLASH", "RAM", "CD"}) {
    for (const auto& line : document.SectionLines(section)) {
      const std::string where = path.filename().string() + " [" + section + "] " + line;
      TView* original = nullptr;
      try {
        original = CreateVariable(line, {}, image, first);
      } catch (const ConversionError& error) {
        ADD_FAILURE() << where << ": " << error.what();
        continue;
      }
      if (original == nullptr) continue;  // types not handled here, or not a definition
      const std::string written = original->DefinitionLine();
      TView* again = CreateVariable(written, {}, image, second);
      if (again == nullptr) {
        ADD_FAILURE() << where << " was written as " << written << ", which reads as nothing";
        continue;
      }
      ExpectSameMeaning(*original, *again, where + " -> " + written);
      if (IsIntegerType(original->TypeName)) ++checked;
    }
  }
  return checked;
}

TEST(RoundTripTest, OwnDeviceFileCoversEveryIntegerType) {
  const std::filesystem::path path = QUILLON_SOURCE_DIR "/tests/core/variables/data/round_trip.ini";
  EXPECT_EQ(RoundTripFile(path), 12);
}

TEST(RoundTripTest, EveryLineOfTheDemoDeviceFiles) {
  const std::filesystem::path root = QUILLON_SOURCE_DIR "/demo/Devices";
  ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
  int files = 0;
  int variables = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".ini") continue;
    ++files;
    variables += RoundTripFile(entry.path());
  }
  EXPECT_GT(files, 0);
  EXPECT_GT(variables, 0);
}

}  // namespace
}  // namespace quillon
