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

// How far the text starts scrolled out of the field's left edge: the cursor after the last
// character sits one text width right of the cursor before the first unless the field scrolled.
int ScrolledBy(QLineEdit* field) {
  field->setCursorPosition(0);
  field->grab();
  const int start = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
  field->setCursorPosition(static_cast<int>(field->text().size()));
  field->grab();  // the scroll offset is settled while painting
  const int end = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
  return start + field->fontMetrics().horizontalAdvance(field->text()) - end;
}

TEST(LinkFieldsTest, TheIpFieldShowsTheLongestAddressWholeUnderBothTcpProtocols) {
  for (const int pixels : {12, 20}) {
    LinkFields fields;
    QFont font = fields.font();
    font.setPixelSize(pixels);
    fields.setFont(font);
    fields.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fields));
    for (const char* protocol : {"MODBUS TCP", "MODBUS TCP/IP"}) {
      fields.ShowProtocolFields(protocol, {"192.168.001.003", "1", "502"});
      QApplication::processEvents();
      QLineEdit* ip = fields.FrameEnd();
      EXPECT_EQ(ip->text(), QStringLiteral("192.168.001.003"));
      EXPECT_EQ(ScrolledBy(ip), 0) << protocol << " at " << pixels << " px";
      ip->setText(QStringLiteral("888.888.888.888"));
      EXPECT_EQ(ScrolledBy(ip), 0) << protocol << " at " << pixels << " px";
      // Not a field stretched across the row either: a few characters of slack at most.
      EXPECT_LT(ip->width(), ip->fontMetrics().horizontalAdvance(ip->text()) + 4 * ip->fontMetrics().averageCharWidth())
          << protocol;
    }
    // Back on a serial protocol the field is the narrow frame-end box again.
    fields.ShowProtocolFields("QuBUS", {"20", "1", ""});
    EXPECT_LT(fields.FrameEnd()->width(), fields.FrameEnd()->fontMetrics().horizontalAdvance("192.168"));
  }
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
  EXPECT_EQ(address->text().toStdString(), "17");
  QTRY_COMPARE_WITH_TIMEOUT(fields.findChild<TServiceWindow*>(), nullptr, TServiceWindow::kShowMs + 2000);
}

}  // namespace
}  // namespace quillon::testing
