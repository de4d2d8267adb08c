// The port list and the header sections: small decisions the main window relies on.
#include "app/widgets/link_fields.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/main/table_header.h"
#include "app/widgets/service_window.h"
#include "app_fixture.h"

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
  ASSERT_TRUE(WriteCp1251File(dir / "Ports/COM2", ""));
  EXPECT_EQ(PortNamesForList(dir.Path()), (Names{"COM2", "sim1", "SIM2", "COM1", "COM3", "COM4"}));
}

TEST(HeaderSectionWidthsTest, ControllerGroupTakesTheRestInTwoHalves) {
  EXPECT_EQ(HeaderSectionWidths(40, 40, 300), (std::array<int, 4>{40, 40, 110, 110}));
  EXPECT_EQ(HeaderSectionWidths(40.4, 39.6, 301), (std::array<int, 4>{40, 40, 110, 111}));
  EXPECT_EQ(HeaderSectionWidths(200, 200, 300), (std::array<int, 4>{200, 200, 0, 0}));
  EXPECT_EQ(HeaderSectionWidths(-5, 10, 30), (std::array<int, 4>{0, 10, 10, 10}));
}

TEST(ServiceCodeWatcherTest, TheCodeShowsTheNoteForThreeSecondsAndLeavesTheAddressAlone) {
  LinkFields fields;
  QLineEdit* address = fields.DeviceAddress();
  address->setText(QStringLiteral("17"));
  QTest::keyClick(address, Qt::Key_Return);
  EXPECT_EQ(fields.findChild<TServiceWindow*>(), nullptr);

  address->setText(QStringLiteral("72461"));
  QTest::keyClick(address, Qt::Key_Return);
  auto* note = fields.findChild<TServiceWindow*>();
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_EQ(note->size(), QSize(323, 186));
  EXPECT_EQ(address->text().toStdString(), "17");
  QTRY_COMPARE_WITH_TIMEOUT(fields.findChild<TServiceWindow*>(), nullptr, TServiceWindow::kShowMs + 2000);
}

}  // namespace
}  // namespace quillon::testing
