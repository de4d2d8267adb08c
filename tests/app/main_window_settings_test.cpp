// The main window's settings: what a first run looks like, what is restored from
// settings.ini and what is stored when the window closes.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include "app/main/catalogue_tree.h"
#include "app_fixture.h"

namespace quillon::testing {
namespace {

class MainWindowSettingsTest : public AppTest {
 protected:
  void SetUp() override {
    AddDevice("TK3", "123.ini", "123 TK v3.12 2010-05-01", "Насос", "Цех №1", "01.02.2024");
    AddDevice("TK3", "124.ini", "124 TK v3.12 2010-05-01", "Вентилятор", "Цех №2", "02.02.2024");
  }
  QString Text(const Tmain& window, const char* name) {
    if (auto* box = window.findChild<QComboBox*>(QLatin1String(name))) return box->currentText();
    return Child<QLineEdit>(window, name)->text();
  }
};

TEST_F(MainWindowSettingsTest, FirstRunFillsTheCatalogueLaterAndWritesEveryKeyInWindowsFormatAtExit) {
  auto window = std::make_unique<Tmain>(paths, hub);
  auto* tree = Child<QTreeWidget>(*window, "tv");
  EXPECT_EQ(tree->topLevelItemCount(), 0) << "the catalogue is filled by tmrFirstRead, not at creation";
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  ASSERT_TRUE(WaitUntil([tree] { return tree->topLevelItemCount() == 2; }));
  // Without stored placement the window takes most of the screen, centred, and the catalogue is
  // as wide as its entries, so nothing is cut off.
  const QRect screen = window->screen()->availableGeometry();
  const int contentWidth = static_cast<CatalogueTree*>(tree)->ContentWidth();
  window->close();

  EXPECT_EQ(Setting("Width"), std::to_string(screen.width() * 9 / 10));
  EXPECT_EQ(Setting("Height"), std::to_string(screen.height() * 9 / 10));
  EXPECT_NEAR(std::stoi(Setting("Left")) + screen.width() * 9 / 20, screen.center().x(), 2);
  const int treeWidth = std::stoi(Setting("TVWidth"));
  const int limit = screen.width() * 9 / 10 / 5;  // the table keeps the most
  EXPECT_GE(treeWidth, std::min(contentWidth, limit));
  EXPECT_LE(treeWidth, limit);
  EXPECT_GT(treeWidth, 125) << "wider than the stored default, which cut the entries off";
  const std::pair<const char*, const char*> expected[] = {{"SortType", "0"}, {"BUS", "QuBUS"}, {"COM", "COM1"},
                                                          {"BPS", "19200"},  {"FE", "20"},     {"DA", "1"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(Setting(key), value) << key;
  // No device was opened to size the table's columns by: the next start sizes them again.
  for (const char* key : {"p0w", "p1w", "p0m0", "p0m1", "p1m0", "p2m0"}) EXPECT_EQ(Setting(key), "<missing>") << key;
  EXPECT_EQ(Setting("ServerIP"), "<missing>") << "the TCP keys belong to MODBUS TCP only";
  const std::string bytes = FileBytes(paths.SettingsFile());
  EXPECT_EQ(bytes.rfind("[Settings]\r\n", 0), 0u);
  EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1) << "every line ends in CRLF";
}

TEST_F(MainWindowSettingsTest, StoredSettingsAreRestored) {
  WriteSettings(
      "Left=30\nTop=40\nWidth=700\nHeight=500\nTVWidth=180\nSortType=1\nBUS=MODBUS RTU\nCOM=COM3\n"
      "BPS=9600\nFE=35\nDA=7\n");
  auto window = StartWithCatalogue();
  EXPECT_EQ(window->pos(), QPoint(30, 40));
  EXPECT_EQ(window->size(), QSize(700, 500));
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->width(), 180);
  EXPECT_EQ(Text(*window, "cbBUS"), QStringLiteral("MODBUS RTU"));
  EXPECT_EQ(Text(*window, "edFE"), QStringLiteral("35"));
  EXPECT_EQ(Text(*window, "edDevAddr"), QStringLiteral("7"));
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->topLevelItem(0)->text(0), QStringLiteral("Цех №1"));
}

TEST_F(MainWindowSettingsTest, StoredValuesThatMatchNoItemLeaveNoSelectionAndSurviveExit) {
  WriteSettings("BUS=CAN\nCOM=COM9\nBPS=12345\nSortType=7\nTVWidth=3\nWidth=500\n");
  auto window = StartWithCatalogue();
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentIndex(), -1);
  EXPECT_EQ(Child<QComboBox>(*window, "cbCOM")->currentIndex(), -1);
  EXPECT_EQ(window->SortType(), 0);
  EXPECT_EQ(Text(*window, "edFE"), QStringLiteral("20")) << "without a protocol the serial fields are shown";
  EXPECT_EQ(Child<QTreeWidget>(*window, "tv")->width(), 10);
  window->close();
  EXPECT_EQ(Setting("BUS"), "CAN");
  EXPECT_EQ(Setting("COM"), "COM9");
  EXPECT_EQ(Setting("BPS"), "12345");
  EXPECT_EQ(Setting("SortType"), "0");
  EXPECT_EQ(Setting("TVWidth"), "10");
}

class ProtocolFieldsTest : public MainWindowSettingsTest {
 protected:
  void SetUp() override {
    MainWindowSettingsTest::SetUp();
    WriteSettings("FE=33\nDA=4\nServerIP=10.0.0.5\nIPPort=5020\n");
  }
};

TEST_F(ProtocolFieldsTest, BothTcpProtocolsShowIpAndPortSwitchingBackShowsTheStoredFrameEndAndExitLeavesIt) {
  auto window = StartWithCatalogue();
  auto* frameEnd = Child<QLineEdit>(*window, "edFE");
  auto* tcpPort = Child<QLineEdit>(*window, "edPort");
  auto* link = Child<QWidget>(*window, "gbLink");
  EXPECT_FALSE(tcpPort->isVisibleTo(link));
  ChooseProtocol(*window, "MODBUS TCP");
  EXPECT_EQ(frameEnd->text(), QStringLiteral("10.0.0.5"));
  EXPECT_TRUE(tcpPort->isVisibleTo(link));
  EXPECT_EQ(tcpPort->text(), QStringLiteral("5020"));
  EXPECT_FALSE(Child<QComboBox>(*window, "cbCOM")->isVisibleTo(link));
  EXPECT_EQ(Child<QLabel>(*window, "lbFE")->text(), QStringLiteral("IP"));

  frameEnd->setText(QStringLiteral("10.9.9.9"));
  ChooseProtocol(*window, "QuBUS");
  EXPECT_EQ(frameEnd->text(), QStringLiteral("33"));
  EXPECT_TRUE(Child<QComboBox>(*window, "cbCOM")->isVisibleTo(link));
  EXPECT_FALSE(tcpPort->isVisibleTo(link));

  ChooseProtocol(*window, "MODBUS TCP");
  frameEnd->setText(QStringLiteral("10.0.0.9"));
  tcpPort->setText(QStringLiteral("1502"));
  Child<QLineEdit>(*window, "edDevAddr")->setText(QStringLiteral("9"));
  window->close();
  EXPECT_EQ(Setting("BUS"), "MODBUS TCP");
  EXPECT_EQ(Setting("ServerIP"), "10.0.0.9");
  EXPECT_EQ(Setting("IPPort"), "1502");
  EXPECT_EQ(Setting("FE"), "33");
  EXPECT_EQ(Setting("DA"), "4");

  // Standard MODBUS TCP takes the same TCP fields and is stored by its own name.
  window = StartWithCatalogue();
  ChooseProtocol(*window, "QuBUS");
  ChooseProtocol(*window, "MODBUS TCP/IP");
  EXPECT_EQ(Child<QLineEdit>(*window, "edFE")->text(), QStringLiteral("10.0.0.9"));
  link = Child<QWidget>(*window, "gbLink");
  EXPECT_TRUE(Child<QLineEdit>(*window, "edPort")->isVisibleTo(link));
  EXPECT_FALSE(Child<QComboBox>(*window, "cbCOM")->isVisibleTo(link));
  EXPECT_EQ(Child<QLabel>(*window, "lbFE")->text(), QStringLiteral("IP"));
  Child<QLineEdit>(*window, "edFE")->setText(QStringLiteral("10.0.0.7"));
  window->close();
  EXPECT_EQ(Setting("BUS"), "MODBUS TCP/IP");
  EXPECT_EQ(Setting("ServerIP"), "10.0.0.7");
  EXPECT_EQ(Setting("FE"), "33");

  // Read back at the next start with the IP fields it was closed with.
  window = StartWithCatalogue();
  EXPECT_EQ(Child<QComboBox>(*window, "cbBUS")->currentText(), QStringLiteral("MODBUS TCP/IP"));
  EXPECT_EQ(Child<QLineEdit>(*window, "edFE")->text(), QStringLiteral("10.0.0.7"));
}

}  // namespace
}  // namespace quillon::testing
