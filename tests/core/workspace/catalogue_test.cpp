#include "workspace/catalogue.h"

#include <gtest/gtest.h>

#include "device_files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"

namespace quillon {
namespace {

using testing::TempDir;
using testing::WriteCp1251File;
using testing::WriteDevice;

std::vector<std::string> Captions(const std::vector<CatalogueNode>& nodes) {
  std::vector<std::string> captions;
  for (const auto& node : nodes) captions.push_back(node.caption);
  return captions;
}

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() {
    // Listing order: BackUp, SV2, TK3; the tree follows it.
    backup = WriteDevice(paths, "BackUp", "TK3_1.ini", "1 TK v3.11 2020", "Насос", "Цех 3", "01.01.2022 08:00:00");
    WriteDevice(paths, "SV2", "5.ini", "5 SV v2.07 2020", "Конвейер", "Склад", "02.03.2023");
    tk1 = WriteDevice(paths, "TK3", "1.ini", "1 TK v3.14 2021", "Насос", "Цех 3", "14.09.2023 10:42:17");
    tk2 = WriteDevice(paths, "TK3", "2.ini", "2 TK v3.12 2019 spare", "Дымосос", "", "05.05.2024 09:00:00");
  }

  TempDir dir;
  WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  std::string backup, tk1, tk2;
  Catalogue catalogue;
};

TEST_F(CatalogueTest, FlatVariantsListEveryFileInListingOrder) {
  catalogue.Fill(paths, 0);
  const auto& roots = catalogue.Roots();
  ASSERT_EQ(roots.size(), 4u);
  EXPECT_EQ(roots[0].caption, "1 TK v3.11 2020 Насос Цех 3 01.01.2022 08:00:00");
  EXPECT_EQ(roots[0].path, backup);
  EXPECT_TRUE(roots[0].backup);
  EXPECT_FALSE(roots[1].backup);
  EXPECT_EQ(roots[3].caption, "2 TK v3.12 2019 spare Дымосос  05.05.2024 09:00:00");
  EXPECT_EQ(roots[3].path, tk2);

  catalogue.Fill(paths, 3);
  EXPECT_EQ(
      Captions(catalogue.Roots()),
      (std::vector<std::string>{
          "01.01.2022 08:00:00 1 TK v3.11 2020 Насос Цех 3", "02.03.2023 5 SV v2.07 2020 Конвейер Склад",
          "14.09.2023 10:42:17 1 TK v3.14 2021 Насос Цех 3", "05.05.2024 09:00:00 2 TK v3.12 2019 spare Дымосос "}));
}

TEST_F(CatalogueTest, GroupedVariantsShareGroupsInListingOrder) {
  catalogue.Fill(paths, 1);
  const auto& byPlace = catalogue.Roots();
  ASSERT_EQ(Captions(byPlace), (std::vector<std::string>{"Цех 3", "Склад", ""}));
  ASSERT_EQ(byPlace[0].children.size(), 2u);
  EXPECT_EQ(byPlace[0].children[0].caption, "1 TK v3.11 2020 Насос 01.01.2022 08:00:00");
  EXPECT_TRUE(byPlace[0].children[0].backup);
  EXPECT_EQ(byPlace[0].children[1].path, tk1);
  EXPECT_TRUE(byPlace[0].path.empty());
  EXPECT_EQ(catalogue.FindByPath(""), nullptr) << "groups carry no path and must not be found by one";
  EXPECT_EQ(byPlace[2].children[0].caption, "2 TK v3.12 2019 spare Дымосос 05.05.2024 09:00:00");

  catalogue.Fill(paths, 2);
  ASSERT_EQ(Captions(catalogue.Roots()), (std::vector<std::string>{"Насос", "Конвейер", "Дымосос"}));
  EXPECT_EQ(catalogue.Roots()[1].children[0].caption, "5 SV v2.07 2020 Конвейер Склад 02.03.2023");

  // By type: short identifications go under an empty key. Listing order: BackUp, Misc, SV2, TK3.
  WriteDevice(paths, "Misc", "x.ini", "9 ZZ v1.0", "Щит", "Цех 9");
  catalogue.Fill(paths, 4);
  const auto& byType = catalogue.Roots();
  ASSERT_EQ(Captions(byType), (std::vector<std::string>{"TK3", "", "SV2"}));
  ASSERT_EQ(byType[0].children.size(), 3u);
  EXPECT_TRUE(byType[0].children[0].backup);
  EXPECT_EQ(byType[0].children[2].path, tk2);
}

TEST_F(CatalogueTest, SearchResultsGoUnderTheirPortAndUnknownDevicesUnderNewOnce) {
  catalogue.Fill(paths, 0);
  catalogue.AddSearchResult(paths, "COM3", "1 TK v3.14 2021", false);
  catalogue.AddSearchResult(paths, "COM3", "1 TK v3.14 2021", false);
  catalogue.AddSearchResult(paths, "COM3", "42 TK v3.1 2022", true);
  catalogue.AddSearchResult(paths, "COM4", "42 TK v3.1 2022", true);
  const auto& roots = catalogue.Roots();
  ASSERT_EQ(Captions(roots).size(), 7u);
  EXPECT_EQ(Captions(roots[4].children), (std::vector<std::string>{"1 TK v3.14 2021", "42 TK v3.1 2022"}));
  EXPECT_EQ(roots[4].children[0].path, tk1) << "a search result carries the device's own file, not its backup";
  EXPECT_FALSE(roots[4].children[0].backup);
  EXPECT_EQ(Captions({roots[4], roots[5], roots[6]}), (std::vector<std::string>{"COM3", "New", "COM4"}));
  EXPECT_EQ(Captions(roots[5].children), std::vector<std::string>{"42 TK v3.1 2022"});
  EXPECT_EQ(roots[6].children.size(), 1u);
}

// The fill reads the keys from the files' own bytes; hand-edited forms must read as the profile
// functions read the decoded text: any case, blanks around "=", the first matching line of the
// whole file, no longer key taken for a shorter one, no line without "=".
TEST_F(CatalogueTest, HandEditedKeysReadAsInTheDecodedText) {
  const std::string path = paths.devices + "Hand/7.ini";
  WriteCp1251File(path,
                  "[DEVICE]\nIDENT=0 XX v0.1\nID\n  ID=1 XX v0.1\nid \t= 7 TK v3.14 2021 \nDESCRIPTION=\tНасос №7 \n"
                  "Location\nLocation=Цех «Юг»\n[FLASH]\nID=8 TK v3.14 2021\nLastDateTime =01.01.2024\n");
  catalogue.Fill(paths, 0);
  const CatalogueNode* node = catalogue.FindByPath(path);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->caption, "7 TK v3.14 2021 Насос №7 Цех «Юг» 01.01.2024");

  const IniDocument document = IniDocument::Load(path);
  const auto& lines = document.Lines();
  EXPECT_EQ(node->caption, *FirstLineValue(lines, "ID") + " " + *FirstLineValue(lines, "Description") + " " +
                               *FirstLineValue(lines, "Location") + " " + *FirstLineValue(lines, "LastDateTime"));
}

}  // namespace
}  // namespace quillon
