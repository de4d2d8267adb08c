// The main window against the simulator: connecting with the four protocols, reading beside
// the database, writing values and the whole base, copying, saving, and the failures the
// engineer must be told about.
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/main/changes_viewer.h"
#include "device_link_fixture.h"
#include "link/comm_list.h"
#include "platform/profile.h"
#include "workspace/device_file.h"

namespace quillon::testing {
namespace {

class ConnectTest : public DeviceLinkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ConnectTest, IdentifiesFindsTheFileAndReadsBesideTheBase) {
  StartAll();
  const std::string protocol = GetParam();
  protocol == "MODBUS TCP" || protocol == "MODBUS TCP/IP" ? UseTcp(GetParam()) : UseSerial(GetParam());
  ConnectAndRead();
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  EXPECT_EQ(window->OpenDevicePath(), devicePath);
  EXPECT_EQ(Child<QLineEdit>(*window, "edIDString")->text().toStdString(), kDeviceId);
  ASSERT_EQ(window->Parameters().List().Count(), 6);
  EXPECT_EQ(Text(0, kBaseHexKind), "x03E8");
  EXPECT_EQ(Text(0, kControllerHexKind), "x07D0");
  EXPECT_EQ(Text(5, kControllerHexKind), "x0064");
  for (int row = 0; row < 6; ++row) {
    EXPECT_TRUE(RowIs(row, row == 0 || row == 5 ? TextColor::Red : TextColor::Black)) << row;
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, ConnectTest,
                         ::testing::Values("QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"));

TEST_F(DeviceLinkTest, ControllerEditsAreWrittenAndReadBackAndBaseWritesTheWholeImage) {
  StartAll();
  UseSerial("MODBUS RTU");
  ConnectAndRead();
  window->Table().CommitText(Cell(5, kControllerHexKind), "x0123\n");
  // The write ends, then half a second later every parameter is read again.
  EXPECT_TRUE(WaitUntil([this] { return window->Connection().DataWritedTimer()->isActive(); }, 3000));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Text(5, kControllerHexKind), "x0123");
  EXPECT_EQ(Text(5, kBaseHexKind), "x0032") << "a controller edit leaves the base alone";
  // A byte written through its MODBUS register keeps the other half of the register.
  window->Table().CommitText(Cell(2, kControllerHexKind), "7\n");
  ASSERT_TRUE(WaitUntil([this] { return window->Connection().DataWritedTimer()->isActive(); }, 3000));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Text(2, kControllerHexKind), "x07");
  EXPECT_EQ(Text(5, kControllerHexKind), "x0123");

  prompt.answer = true;
  window->onBtnBaseToControlClick();
  ASSERT_TRUE(WaitUntil([this] { return Text(0, kControllerHexKind) == "x03E8"; }, 6000));
  ASSERT_TRUE(Idle());
  for (int row = 0; row < 6; ++row) EXPECT_TRUE(RowIs(row, TextColor::Black)) << row;
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
}

TEST_F(DeviceLinkTest, BaseEditIsListedAndSavedWithTheDateAndControllerToBaseLeavesNoRedRow) {
  StartAll();
  UseSerial("QuBUS");
  ConnectAndRead();
  window->Table().CommitText(Cell(5, kBaseHexKind), "x0064\n");
  EXPECT_TRUE(RowIs(5, TextColor::Black)) << "the base now equals the controller";

  // Closing first shows what would change, header row on top.
  TfChangesViewer& viewer = window->ChangesViewer();
  std::vector<ChangesRow> shown;
  QTimer::singleShot(0, &viewer, [&] {
    shown = viewer.Rows();
    viewer.findChild<QPushButton*>(QStringLiteral("btCancel"))->click();
  });
  window->CheckUnsavedChanges();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0][0], "Изменённый параметр");
  EXPECT_EQ(shown[1], (ChangesRow{"Параметр Tacc ", "x0032", "x0064"}));
  EXPECT_EQ(ReadParameterSection(devicePath, "FLASH").back(), "p6=Tacc/Время разгона/TWORD/x0108/r0084/с/1/2//0/x0032/")
      << "not saved when the viewer is left with \"Не сохранять\"";

  prompt.answer = true;
  window->btSaveBaseClick();
  EXPECT_EQ(prompt.questions.back().second, "Сохранить изменения в базе?");
  const auto saved = ReadParameterSection(devicePath, "FLASH");
  ASSERT_EQ(saved.size(), 6u);
  EXPECT_EQ(saved.back().substr(saved.back().size() - 7), "/x0064/");
  const std::string date = ReadProfileString(devicePath, "DEVICE", "LastDateTime", "");
  EXPECT_NE(date, "01.01.2024 10:00:00");
  EXPECT_EQ(date, Child<QLabel>(*window, "stLastDate")->text().toStdString());

  window->onBtnControlToBaseClick();
  for (int row = 0; row < 6; ++row) EXPECT_TRUE(RowIs(row, TextColor::Black)) << row;
  EXPECT_EQ(window->Parameters().List().Item(0).BaseValue, "x07D0");
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

TEST_F(DeviceLinkTest, NewFirmwareDateRewritesTheIdOfAReadOnlyFileAndReads) {
  ASSERT_TRUE(SetReadOnly(devicePath));
  StartAll({QStringLiteral("--id"), QStringLiteral("501 QT v2.1 2025-02-02")});
  UseSerial("MODBUS RTU");
  ConnectAndRead();
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "ID", ""), "501 QT v2.1 2025-02-02");
  EXPECT_FALSE(IsReadOnly(devicePath)) << "made writable like every save";
  EXPECT_EQ(Child<QLineEdit>(*window, "edIDString")->text(), QStringLiteral("501 QT v2.1 2025-02-02"));
  EXPECT_TRUE(prompt.warnings.empty());
}

class LineFaultTest : public DeviceLinkTest,
                      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(LineFaultTest, IsReportedAndNothingIsOpenedOrRead) {
  StartAll({QStringLiteral("--fault"), QString::fromUtf8(GetParam().first)});
  UseSerial("MODBUS RTU");
  QTest::mouseClick(Child<QPushButton>(*window, "btConnect"), Qt::LeftButton);
  ASSERT_TRUE(Idle());
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{GetParam().second});
  EXPECT_TRUE(window->OpenDevicePath().empty());
  EXPECT_FALSE(window->Parameters().HasBeenRead());
}

INSTANTIATE_TEST_SUITE_P(Faults, LineFaultTest,
                         ::testing::Values(std::pair{"drop=1", "Устройство не отвечает"},
                                           std::pair{"crc=1", "Ошибка в контрольной сумме"}));

// "ID" shows only what the controller answered to this request: after a failure the earlier
// controller's identification is gone, not shown as if it had just answered.
TEST_F(DeviceLinkTest, VanishedPtyAndGoneTcpPeerLeaveTheWindowUsableAndNoEarlierIdentification) {
  StartAll();
  UseSerial("QuBUS");
  Child<QPushButton>(*window, "btGetID")->click();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{kDeviceId});
  EXPECT_EQ(window->Connection().IdString(), kDeviceId);
  prompt.warnings.clear();
  ConnectAndRead();
  sim.Stop();
  Child<QPushButton>(*window, "btGetID")->click();
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(window->Connection().IdString().empty());
  for (const std::string& text : WarningTexts()) EXPECT_NE(text, kDeviceId);
  EXPECT_FALSE(prompt.warnings.empty()) << "the failure is told";

  prompt.warnings.clear();
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_TRUE(prompt.warnings[0].second == "Устройство не отвечает" ||
              prompt.warnings[0].second.rfind("Порт SIM1", 0) == 0)
      << prompt.warnings[0].second;

  prompt.warnings.clear();
  StartAll();
  UseTcp();
  OpenDeviceInTree();
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  ASSERT_TRUE(window->Parameters().HasBeenRead());
  sim.Stop();
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Устройство не отвечает"});
}

TEST_F(DeviceLinkTest, ARequestWhileWaitingStartsNothingAndALineVanishingMidReadEndsTheRequest) {
  StartAll({QStringLiteral("--fault"), QStringLiteral("delay=600")});
  UseSerial("QuBUS");
  OpenDeviceInTree();
  window->btConnectClick();
  QTimer* timeOut = window->Connection().TimeOutTimer();
  // The time-out starts once the request is in the worker's hands.
  ASSERT_TRUE(WaitUntil([timeOut] { return timeOut->isActive(); }, 2000));
  QTest::qWait(250);
  const int remaining = timeOut->remainingTime();
  window->btConnectClick();
  EXPECT_LE(timeOut->remainingTime(), remaining) << "the time-out is not started again";
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(window->Parameters().HasBeenRead());
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();

  window->btConnectClick();
  ASSERT_TRUE(window->Connection().Waiting());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  QTest::qWait(150);
  sim.Kill();
  // Its link would dangle and lead the port's reopening to whatever terminal gets that number next.
  std::filesystem::remove(paths.program + "Ports/SIM1");
  ASSERT_TRUE(Idle(4000));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass goes with the request";
  EXPECT_EQ(prompt.warnings.size(), 1u);
}

TEST_F(DeviceLinkTest, MissingAndBusyPortsGiveThePortMessage) {
  StartAll();
  UseSerial("QuBUS");
  OpenDeviceInTree();
  // Another program holds the line.
  TCommList other(paths.program);
  other.SetTimings(SerialTimings::None());
  ASSERT_GE(other.OpenPortWorker("SIM1"), 0);
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{PortErrorMessage("SIM1")});

  prompt.warnings.clear();
  // A name that leads to no device at all (an adapter that was unplugged).
  auto* port = Child<QComboBox>(*window, "cbCOM");
  port->addItem(QStringLiteral("NOPORT"));
  port->setCurrentIndex(port->findText(QStringLiteral("NOPORT")));
  window->btConnectClick();
  ASSERT_TRUE(Idle());
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].second, PortErrorMessage("NOPORT"));
}

// A request record the window has handed to a worker is never refilled while the worker may
// still send it: a request that timed out behind a slow exchange of another window goes out
// later exactly as it was, and the next request travels in a record of its own.
// Another window's record on the same port whose exchange keeps the line for `delayMs`.
struct SlowNeighbour {
  explicit SlowNeighbour(std::uint32_t delayMs) {
    LinkFieldTexts fields;
    fields.protocol = "MODBUS RTU";
    fields.address = "1";
    frame = BuildIdentificationRequest(fields).bytes;
    request.RequestBuf = frame.data();
    request.RequestLen = static_cast<std::uint32_t>(frame.size());
    request.AnswerBuf = answer.data();
    request.AnswerCapacity = answer.size();
    request.DelayMs = delayMs;
  }
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(256);
  TLinkRequest request;
};

TEST_F(DeviceLinkTest, ARequestThatTimedOutInTheWorkersListIsSentUnchangedAndTheNextOneUsesAnotherRecord) {
  StartAll({QStringLiteral("--verbose")});
  UseSerial("QuBUS");
  OpenDeviceInTree();
  ConnectAndRead();  // the port is open and configured

  SlowNeighbour neighbour(2600);
  hub.Serial().AddRequest("SIM1", &neighbour.request);
  ASSERT_TRUE(WaitUntil([&] { return neighbour.request.Busy.load(); }, 5000));
  window->Connection().ReadParameters();  // waits behind the neighbour and times out
  ASSERT_TRUE(WaitUntil([&] { return !prompt.warnings.empty(); }, 4000));
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Устройство не отвечает"});
  prompt.warnings.clear();

  ChooseProtocol(*window, "MODBUS RTU");
  window->Connection().ReadParameters();
  ASSERT_TRUE(Idle(6000));
  EXPECT_TRUE(prompt.warnings.empty()) << WarningTexts().front();
  hub.Serial().RemoveRequest("SIM1", &neighbour.request);

  // After the neighbour's exchange both reads reached the controller whole: the QuBUS one that
  // had timed out and the MODBUS one.
  const auto afterNeighbour = [&] {
    const QString log = sim.ErrorOutput();
    const qsizetype neighbourAt = log.indexOf(QStringLiteral("pty 01 11"));
    return neighbourAt < 0 ? QString() : log.mid(neighbourAt);
  };
  ASSERT_TRUE(WaitUntil([&] { return afterNeighbour().contains(QStringLiteral("pty 01 03")); }, 3000))
      << sim.ErrorOutput().toStdString();
  EXPECT_TRUE(afterNeighbour().contains(QStringLiteral("pty A5"))) << sim.ErrorOutput().toStdString();
}

}  // namespace
}  // namespace quillon::testing
