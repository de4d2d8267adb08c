// The main window's settings: what a first run looks like, what is restored from
// settings.ini and what is stored when the window closes.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

#include "app_fixture.h"
#include "main/catalogue_tree.h"

namespace quillon::testing {
namespace {

class MainWindowSettingsTest : public AppTest {
 protected:
  void SetUp() override {
    AddDevice("TK3", "123.ini", "123 TK v3.12 2010-05-01", "Насос", "Цех №1", "01.02.2024");
    AddDevice("TK3", "124.ini", "124 TK v3.12 2010-05-01", "Вентилятор", "Цех №2", "02.02.2024");
  }
};

TEST_F(MainWindowSettingsTest, FirstRunOpensDefaultWindowAndFillsCatalogueHalfASecondLater) {
  auto window = std::make_unique<Tmain>(paths);
  auto* tree = Child<QTreeWidget>(*window, "tv");
  EXPECT_EQ(tree->topLevelItemCount(), 0) << "the catalogue is filled by tmrFirstRead, not at creation";
  auto* firstRead = Child<QTimer>(*window, "tmrFirstRead");
  EXPECT_TRUE(firstRead->isActive());
  EXPECT_TRUE(firstRead->isSingleShot());
  EXPECT_EQ(firstRead->interval(), 500);

  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillon"));
  EXPECT_EQ(window->pos(), QPoint(0, 0));
  EXPECT_EQ(window->size(), QSize(400, 400));
  EXPECT_EQ(tree->width(), 125);
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentText(), QStringLiteral("QuBUS"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentText(), QStringLiteral("COM1"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbBPS")->currentText(), QStringLiteral("19200"));
  EXPECT_EQ(Child<QLineEdit>(*window, "edFE")->text(), QStringLiteral("20"));
  EXPECT_EQ(Child<QLineEdit>(*window, "edDevAddr")->text(), QStringLiteral("1"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbKey")->currentText(), QStringLiteral("FLASH"));
  EXPECT_TRUE(Child<QAction>(*window, "mnSort0")->isChecked());
  auto* scroll = Child<QScrollBar>(*window, "scrbrTableVert");
  EXPECT_EQ(scroll->maximum(), 9);
  EXPECT_EQ(scroll->value(), 0);

  ASSERT_TRUE(WaitUntil([tree] { return tree->topLevelItemCount() == 2; }));
  EXPECT_FALSE(firstRead->isActive());
}

TEST_F(MainWindowSettingsTest, FirstRunWritesEveryWindowKeyInWindowsFormatAtExit) {
  auto window = Start();
  window->close();

  const std::pair<const char*, const char*> expected[] = {
      {"Top", "0"},      {"Left", "0"},     {"Width", "400"}, {"Height", "400"}, {"TVWidth", "125"},
      {"SortType", "0"}, {"BUS", "QuBUS"},  {"COM", "COM1"},  {"BPS", "19200"},  {"FE", "20"},
      {"DA", "1"},       {"p0w", "40"},     {"p1w", "40"},    {"p0m0", "120"},   {"p0m1", "120"},
      {"p1m0", "120"},   {"p2m0", "120"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(Setting(key), value) << key;
  EXPECT_NE(Setting("VPWidth"), "<missing>");
  EXPECT_EQ(Setting("ServerIP"), "<missing>") << "the TCP keys belong to MODBUS TCP only";
  EXPECT_EQ(Setting("IPPort"), "<missing>");

  FILE* file = std::fopen(paths.SettingsFile().c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::string bytes(4096, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  EXPECT_EQ(bytes.rfind("[Settings]\r\n", 0), 0u);
  EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1) << "every line ends in CRLF";
}

TEST_F(MainWindowSettingsTest, StoredSettingsAreRestored) {
  WriteSettings(
      "Left=30\nTop=40\nWidth=700\nHeight=500\nTVWidth=180\nSortType=1\nBUS=MODBUS RTU\nCOM=COM3\nBPS=9600\n"
      "FE=35\nDA=7\n");
  auto window = StartWithCatalogue();
  EXPECT_EQ(window->pos(), QPoint(30, 40));
  EXPECT_EQ(window->size(), QSize(700, 500));
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->width(), 180);
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentText(), QStringLiteral("MODBUS RTU"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(Child<QComboBox>(*window, "cbBPS")->currentText(), QStringLiteral("9600"));
  EXPECT_EQ(Child<QLineEdit>(*window, "edFE")->text(), QStringLiteral("35"));
  EXPECT_EQ(Child<QLineEdit>(*window, "edDevAddr")->text(), QStringLiteral("7"));
  EXPECT_TRUE(Child<QAction>(*window, "mnSort1")->isChecked());

  // Variant 1 groups the devices by installation place.
  auto* tree = Child<QTreeWidget>(*window, "tv");
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Цех №1"));
  EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Цех №2"));
  EXPECT_EQ(CatalogueTree::NodePath(tree->topLevelItem(0)), "");
  ASSERT_EQ(tree->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(CatalogueTree::NodePath(tree->topLevelItem(0)->child(0)), paths.devices + "TK3/123.ini");
}

TEST_F(MainWindowSettingsTest, StoredValuesThatMatchNoItemLeaveNoSelectionAndSurviveExit) {
  WriteSettings("BUS=CAN\nCOM=COM9\nBPS=12345\nSortType=7\n");
  auto window = StartWithCatalogue();
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentIndex(), -1);
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentIndex(), -1);
  EXPECT_EQ(Child<QComboBox>(*window, "cbBPS")->currentIndex(), -1);
  EXPECT_EQ(window->SortType(), 0);
  EXPECT_TRUE(Child<QAction>(*window, "mnSort0")->isChecked());
  // Without a protocol the serial fields are shown.
  EXPECT_EQ(Child<QLineEdit>(*window, "edFE")->text(), QStringLiteral("20"));

  window->close();
  EXPECT_EQ(Setting("BUS"), "CAN");
  EXPECT_EQ(Setting("COM"), "COM9");
  EXPECT_EQ(Setting("BPS"), "12345");
  EXPECT_EQ(Setting("SortType"), "0");
}

TEST_F(MainWindowSettingsTest, NarrowStoredTreeIsStoredAtLeastTenWide) {
  WriteSettings("TVWidth=3\nWidth=500\n");
  auto window = Start();
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->width(), 10);
  window->close();
  EXPECT_EQ(Setting("TVWidth"), "10");
}

TEST_F(MainWindowSettingsTest, ColumnWidthsAreKeptAndStoredRounded) {
  WriteSettings("p0w=55\np1w=66\np0m0=77\np0m1=88\np1m0=99\np2m0=111\n");
  auto window = Start();
  window->close();
  EXPECT_EQ(Setting("p0w"), "55");
  EXPECT_EQ(Setting("p1w"), "66");
  EXPECT_EQ(Setting("p0m0"), "77");
  EXPECT_EQ(Setting("p0m1"), "88");
  EXPECT_EQ(Setting("p1m0"), "99");
  EXPECT_EQ(Setting("p2m0"), "111");
}

class ProtocolFieldsTest : public MainWindowSettingsTest {
 protected:
  void SetUp() override { WriteSettings("FE=33\nDA=4\nServerIP=10.0.0.5\nIPPort=5020\n"); }
};

TEST_F(ProtocolFieldsTest, ModbusTcpShowsIpAndPortInsteadOfTheSerialFields) {
  auto window = Start();
  auto* frameEnd = Child<QLineEdit>(*window, "edFE");
  auto* tcpPort = Child<QLineEdit>(*window, "edPort");
  auto* address = Child<QLineEdit>(*window, "edDevAddr");
  auto* link = Child<QWidget>(*window, "gbLink");
  EXPECT_FALSE(tcpPort->isVisibleTo(link));
  EXPECT_EQ(frameEnd->width(), 22);
  EXPECT_EQ(address->width(), 21);
  EXPECT_EQ(link->layout()->spacing(), 2);

  ChooseProtocol(*window, "MODBUS TCP");
  EXPECT_EQ(frameEnd->text(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(frameEnd->width(), 90);
  EXPECT_TRUE(tcpPort->isVisibleTo(link));
  EXPECT_EQ(tcpPort->text(), QStringLiteral("5020"));
  EXPECT_EQ(tcpPort->width(), 40);
  EXPECT_EQ(address->text(), QStringLiteral("4"));
  EXPECT_FALSE(Child<QComboBox>(*window, "cbCOM")->isVisibleTo(link));
  EXPECT_FALSE(Child<QComboBox>(*window, "cbBPS")->isVisibleTo(link));
  EXPECT_EQ(Child<QLabel>(*window, "lbFE")->text(), QStringLiteral("IP"));
  EXPECT_EQ(Child<QLabel>(*window, "lbPort")->text(), QStringLiteral("Port"));
  EXPECT_EQ(link->layout()->spacing(), 4);
}

TEST_F(ProtocolFieldsTest, SwitchingBackShowsTheStoredFrameEndNotWhatWasTyped) {
  auto window = Start();
  ChooseProtocol(*window, "MODBUS TCP");
  auto* frameEnd = Child<QLineEdit>(*window, "edFE");
  frameEnd->setText(QStringLiteral("10.9.9.9"));
  ChooseProtocol(*window, "QuBUS");
  EXPECT_EQ(frameEnd->text(), QStringLiteral("33"));
  EXPECT_EQ(frameEnd->width(), 22);
  EXPECT_EQ(Child<QLabel>(*window, "lbFE")->text(), QStringLiteral("FrameEnd"));
  auto* link = Child<QWidget>(*window, "gbLink");
  EXPECT_TRUE(Child<QComboBox>(*window, "cbCOM")->isVisibleTo(link));
  EXPECT_TRUE(Child<QComboBox>(*window, "cbBPS")->isVisibleTo(link));
  EXPECT_FALSE(Child<QLineEdit>(*window, "edPort")->isVisibleTo(link));
}

TEST_F(ProtocolFieldsTest, ClosingUnderModbusTcpStoresServerAndLeavesFrameEndAndAddress) {
  auto window = Start();
  ChooseProtocol(*window, "MODBUS TCP");
  Child<QLineEdit>(*window, "edFE")->setText(QStringLiteral("10.0.0.9"));
  Child<QLineEdit>(*window, "edPort")->setText(QStringLiteral("1502"));
  Child<QLineEdit>(*window, "edDevAddr")->setText(QStringLiteral("9"));
  window->close();
  EXPECT_EQ(Setting("BUS"), "MODBUS TCP");
  EXPECT_EQ(Setting("ServerIP"), "10.0.0.9");
  EXPECT_EQ(Setting("IPPort"), "1502");
  EXPECT_EQ(Setting("FE"), "33");
  EXPECT_EQ(Setting("DA"), "4");
}

TEST_F(ProtocolFieldsTest, ClosingUnderSerialStoresFrameEndAndLeavesServer) {
  auto window = Start();
  ChooseProtocol(*window, "MODBUS RTU");
  Child<QLineEdit>(*window, "edFE")->setText(QStringLiteral("50"));
  Child<QLineEdit>(*window, "edDevAddr")->setText(QStringLiteral("3"));
  window->close();
  EXPECT_EQ(Setting("BUS"), "MODBUS RTU");
  EXPECT_EQ(Setting("FE"), "50");
  EXPECT_EQ(Setting("DA"), "3");
  EXPECT_EQ(Setting("ServerIP"), "10.0.0.5");
  EXPECT_EQ(Setting("IPPort"), "5020");
}

}  // namespace
}  // namespace quillon::testing
