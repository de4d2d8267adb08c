// The port list and the header sections: small decisions the main window relies on.
#include <QComboBox>
#include <QHeaderView>
#include <cmath>
#include <filesystem>

#include "app_fixture.h"
#include "main/link_fields.h"
#include "main/parameter_table.h"
#include "main/table_header.h"
#include "main/table_panel01.h"

namespace quillon::testing {
namespace {

using Names = std::vector<std::string>;

TEST(PortNamesForListTest, PortsDirectoryEntriesComeFirstThenComPortsOnce) {
  TempDir dir;
  EXPECT_EQ(PortNamesForList(dir.Path()), (Names{"COM1", "COM2", "COM3", "COM4"}));

  std::filesystem::create_directory(dir / "Ports");
  std::filesystem::create_symlink("/nonexistent/pty", dir / "Ports/sim1");
  std::filesystem::create_symlink("/dev/null", dir / "Ports/SIM2");
  std::filesystem::create_directory(dir / "Ports/.cache");
  FILE* file = std::fopen((dir / "Ports/COM2").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(PortNamesForList(dir.Path()), (Names{"COM2", "sim1", "SIM2", "COM1", "COM3", "COM4"}));
}

TEST(SelectItemByTextTest, OnlyAnExactMatchIsSelected) {
  QComboBox list;
  list.addItems({QStringLiteral("QuBUS"), QStringLiteral("MODBUS RTU"), QStringLiteral("MODBUS TCP")});
  SelectItemByText(&list, "MODBUS TCP");
  EXPECT_EQ(SelectedItemText(&list), std::optional<std::string>("MODBUS TCP"));
  for (const char* text : {"qubus", "MODBUS", "MODBUS TCP ", ""}) {
    SelectItemByText(&list, text);
    EXPECT_EQ(list.currentIndex(), -1) << text;
    EXPECT_EQ(SelectedItemText(&list), std::nullopt) << text;
  }
}

class PortListInWindowTest : public AppTest {};

TEST_F(PortListInWindowTest, StoredPortFromThePortsDirectoryIsSelected) {
  std::filesystem::create_directory(dir / "Ports");
  std::filesystem::create_symlink("/dev/null", dir / "Ports/SIM1");
  WriteSettings("COM=SIM1\n");
  auto window = Start();
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentText(), QStringLiteral("SIM1"));
  window->close();
  EXPECT_EQ(Setting("COM"), "SIM1");
}

TEST(HeaderSectionWidthsTest, ControllerGroupTakesTheRestInTwoHalves) {
  EXPECT_EQ(HeaderSectionWidths(40, 40, 300), (std::array<int, 4>{40, 40, 110, 110}));
  EXPECT_EQ(HeaderSectionWidths(40.4, 39.6, 301), (std::array<int, 4>{40, 40, 110, 111}));
  EXPECT_EQ(HeaderSectionWidths(200, 200, 300), (std::array<int, 4>{200, 200, 0, 0}));
  EXPECT_EQ(HeaderSectionWidths(-5, 10, 30), (std::array<int, 4>{0, 10, 10, 10}));
}

TEST_F(PortListInWindowTest, HeaderShowsTheFourSectionsAcrossTheTable) {
  auto window = Start();
  auto* header = Child<QHeaderView>(*window, "Header");
  ASSERT_EQ(header->count(), 4);
  QStringList captions;
  for (int i = 0; i < 4; ++i) captions << header->model()->headerData(i, Qt::Horizontal).toString();
  EXPECT_EQ(captions, QStringList({QStringLiteral("Параметр"), QStringLiteral("База"), QStringLiteral("Контроллер"),
                                   QStringLiteral("Обновить")}));
  // The sections follow the table's column groups: "Параметр", "База", then "Контроллер" halved.
  const auto& groups = window->Table().Panel()->Columns();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(header->sectionSize(0), static_cast<int>(std::lround(groups[0]->Width)));
  EXPECT_EQ(header->sectionSize(1), static_cast<int>(std::lround(groups[1]->Width)));
  EXPECT_NEAR(header->sectionSize(2) + header->sectionSize(3), groups[2]->Width, 2);
  EXPECT_EQ(header->length(), header->width());
  EXPECT_EQ(header->width(), Child<QWidget>(*window, "ViewPanel")->width());
}

}  // namespace
}  // namespace quillon::testing
