// The command-line terminal against the simulator: typed commands go out once over a pseudo-
// terminal or TCP and the raw answers land in the log.
#include "app/tools/cmd_line.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "link/comm_list.h"
#include "link/crc16.h"
#include "link/link_tasks.h"
#include "link/tcpip_list.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

constexpr const char* kSimId = "501 QT v2.1 2024-01-10";

class CmdLineTest : public ToolWindowTest<TCmdLine> {
 protected:
  void SetUp() override {
    WriteWindowsFile("sim/501.ini", std::string("[DEVICE]\nID=") + kSimId +
                                        "\n[vars]\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n");
  }
  void StartSim() {
    StartSimulator(dir / "sim/501.ini", "SIM1",
                   {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--mbap"), QStringLiteral("0")});
  }

  // The window as the toolbar button opens it, with the main window's link settings.
  void Open(const std::string& protocol, const std::string& port = "SIM1", const std::string& baud = "19200",
            const std::string& frameEnd = "5") {
    TBaseProperty link;
    link.Protocol = protocol;
    link.PortName = port;
    link.Baud = baud;
    link.FrameEnd = frameEnd;
    window = std::make_unique<TCmdLine>(Context(), link);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box = Find<QComboBox>("CmdBox");
    log = Find<QPlainTextEdit>("m");
  }

  void Type(const char* command) {
    box->setEditText(QString::fromUtf8(command));
    QTest::keyClick(box, Qt::Key_Return);
  }

  QStringList Lines() const {
    const QString text = log->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  }

  // Waits for the answer (or the time-out) of the command in flight.
  bool Answered(int lines) {
    return WaitUntil([&] { return Lines().size() >= lines && !window->Waiting(); }, 8000);
  }

  bool WorkersIdle() {
    return WaitUntil([&] { return tasks->Idle() && ports.FindPortWorker("SIM1") == nullptr; });
  }

  TCommList& ports = hub.Serial();
  TTCPIPList& tcp = hub.Tcp();
  QComboBox* box = nullptr;
  QPlainTextEdit* log = nullptr;
};

// Register 0x80 of slave 1 holds 0x03E8: 01 03 02 03 E8 and the CRC.
QString ReadAnswerHex() {
  std::uint8_t answer[] = {0x01, 0x03, 0x02, 0x03, 0xE8, 0, 0};
  const std::uint16_t crc = CRC16(answer, 5);
  answer[5] = static_cast<std::uint8_t>(crc & 0xFF);
  answer[6] = static_cast<std::uint8_t>(crc >> 8);
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(answer), 7).toHex().toUpper());
}

TEST_F(CmdLineTest, ModbusRtuReadOverThePortShowsTheAnswerInHex) {
  StartSim();
  if (HasFatalFailure()) return;
  Open("MODBUS RTU");
  Type("01 03 00 80 00 01");
  EXPECT_FALSE(box->isEnabled()) << "no second command while one is on its way";
  EXPECT_EQ(box->currentText(), QStringLiteral("010300800001")) << "the blanks are gone from the box";
  ASSERT_TRUE(Answered(1)) << sim.ErrorOutput().toStdString();
  EXPECT_EQ(Lines(), QStringList{ReadAnswerHex()});
  EXPECT_TRUE(box->isEnabled());
  EXPECT_TRUE(box->hasFocus()) << "ready for the next command";
  EXPECT_EQ(box->lineEdit()->selectedText(), QStringLiteral("010300800001")) << "typing replaces, Enter resends";
  EXPECT_EQ(window->History().Items(), std::vector<std::string>{"010300800001"});

  // QuBUS goes out as typed; the identification read as filtered text is the counted string.
  Find<QComboBox>("cbBUS")->setCurrentText(QStringLiteral("QuBUS"));
  Find<QComboBox>("cbMODE")->setCurrentText(QStringLiteral("ASCII Filter"));
  Type("a5 01 00 5a");
  ASSERT_TRUE(Answered(2));
  EXPECT_TRUE(Lines().at(1).startsWith(QString::fromUtf8(kSimId))) << Lines().at(1).toStdString();
  EXPECT_EQ(window->History().Items(), (std::vector<std::string>{"a501005a", "010300800001"}));

  // The port list is asked for when it opens: the simulator's port is there, held by this program.
  auto* portList = Find<QComboBox>("cbCOM");
  portList->showPopup();
  EXPECT_GE(portList->findText(QStringLiteral("SIM1")), 0);
  EXPECT_EQ(portList->currentText(), QStringLiteral("SIM1")) << "the choice survives the refill";
  portList->hidePopup();

  Find<QPushButton>("btClearMemo")->click();
  EXPECT_TRUE(log->toPlainText().isEmpty());
  window.reset();
  EXPECT_TRUE(WorkersIdle()) << "the record leaves the port and the port closes";
}

// Under standard MODBUS TCP the command is typed and shown as under MODBUS RTU: the channel puts
// the MBAP header in place of the CRC and the CRC back on the answer.
TEST_F(CmdLineTest, BothTcpProtocolsOnLoopbackShowTheRtuAnswer) {
  StartSim();
  if (HasFatalFailure()) return;
  Open("MODBUS TCP");
  EXPECT_FALSE(Find<QComboBox>("cbCOM")->isVisible());
  ASSERT_TRUE(Find<QLineEdit>("edIPAddr")->isVisible());
  EXPECT_EQ(Find<QLineEdit>("edIPAddr")->text(), QStringLiteral("192.168.1.3"));
  EXPECT_EQ(Find<QLineEdit>("edIPPort")->text(), QStringLiteral("502"));
  Find<QLineEdit>("edIPAddr")->setText(QStringLiteral("127.0.0.1"));
  Find<QLineEdit>("edIPPort")->setText(sim.TcpPort());
  Type("01 03 00 80 00 01");
  ASSERT_TRUE(Answered(1)) << sim.ErrorOutput().toStdString();
  EXPECT_EQ(Lines(), QStringList{ReadAnswerHex()});

  Find<QComboBox>("cbBUS")->setCurrentText(QStringLiteral("MODBUS TCP/IP"));
  EXPECT_FALSE(Find<QComboBox>("cbCOM")->isVisible());
  ASSERT_TRUE(Find<QLineEdit>("edIPAddr")->isVisible());
  Find<QLineEdit>("edIPAddr")->setText(QStringLiteral("127.0.0.1"));
  Find<QLineEdit>("edIPPort")->setText(sim.MbapPort());
  Type("01 03 00 80 00 01");
  ASSERT_TRUE(Answered(2)) << sim.ErrorOutput().toStdString();
  EXPECT_EQ(Lines().at(1), ReadAnswerHex());

  // Back to a serial protocol: the port fields return.
  Find<QComboBox>("cbBUS")->setCurrentText(QStringLiteral("MODBUS RTU"));
  EXPECT_TRUE(Find<QComboBox>("cbCOM")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>("edIPAddr")->isVisible());
}

TEST_F(CmdLineTest, SilentDeviceGivesNoAnswer) {
  StartSim();
  if (HasFatalFailure()) return;
  Open("MODBUS RTU");
  // The simulator is slave 1: address 5 gets nothing back, which the worker reports at once.
  Type("05 03 00 80 00 01");
  ASSERT_TRUE(Answered(1));
  EXPECT_EQ(Lines(), QStringList{QStringLiteral("Нет ответа")});

  // Nobody listens on the address: the record is never served and the time-out tells.
  Find<QComboBox>("cbBUS")->setCurrentText(QStringLiteral("MODBUS TCP"));
  Find<QLineEdit>("edIPAddr")->setText(QStringLiteral("127.0.0.1"));
  Find<QLineEdit>("edIPPort")->setText(QStringLiteral("1"));
  Type("01 03 00 80 00 01");
  ASSERT_TRUE(Answered(2));
  EXPECT_EQ(Lines().at(1), QStringLiteral("Нет ответа"));
  EXPECT_TRUE(box->isEnabled());
}

TEST_F(CmdLineTest, ClosingWhileACommandIsOnItsWayIsClean) {
  StartSim();
  if (HasFatalFailure()) return;
  // Closed before the record is even registered, then while the worker waits for an answer.
  Open("MODBUS RTU");
  Type("05 03 00 80 00 01");
  window.reset();
  EXPECT_TRUE(WorkersIdle());
  Open("MODBUS RTU");
  Type("05 03 00 80 00 01");
  ASSERT_TRUE(WaitUntil([&] { return tasks->Idle(); }));
  QTest::qWait(50);  // within the request delay or the read of the silent line
  EXPECT_TRUE(window->Waiting());
  window.reset();
  EXPECT_TRUE(WorkersIdle());
  QTest::qWait(700);  // any answer still queued for the window finds it gone
}

TEST_F(CmdLineTest, WrongCommandsAndSettingsSendNothing) {
  Open("MODBUS RTU", "", "19200", "10");
  Type("01 03 0");
  EXPECT_EQ(Lines(), QStringList{QStringLiteral("Hеправильный формат команды")});
  EXPECT_TRUE(box->isEnabled());
  EXPECT_EQ(window->History().Items(), std::vector<std::string>{"01030"}) << "kept even when it cannot be sent";

  Type("0103");
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0], std::make_pair(std::string("Quillon"), std::string("Не выбран порт!")));

  window.reset();
  Open("", "SIM1");
  Type("0103");
  Open("QuBUS", "SIM1", "");
  Type("0103");
  Open("QuBUS", "SIM1", "9600", "4");
  Type("0103");
  ASSERT_EQ(prompt.warnings.size(), 4u);
  EXPECT_EQ(prompt.warnings[1].second, "Не выбран протокол!");
  EXPECT_EQ(prompt.warnings[2].second, "Не выбрана скорость передачи!");
  EXPECT_EQ(prompt.warnings[3].second, "Frame End должно быть числом от 5 до 100");
  EXPECT_EQ(ports.Count(), 0u);
  EXPECT_TRUE(Lines().isEmpty());

  // An empty frame end counts as 8; the port that does not open is reported back.
  Open("QuBUS", "NOSUCH", "9600", "");
  Find<QLineEdit>("edFE")->clear();
  Type("a5 01 00 5a");
  ASSERT_TRUE(WaitUntil([&] { return prompt.warnings.size() == 5; }));
  EXPECT_EQ(prompt.warnings[4], std::make_pair(std::string("Quillon"), PortErrorMessage("NOSUCH")));
  EXPECT_TRUE(box->isEnabled());
  EXPECT_FALSE(window->Waiting());
}

TEST_F(CmdLineTest, HistoryIsKeptAcrossSessionsAndEntriesAreDeletedOnConfirmation) {
  WriteWindowsFile("cmdline.ini", "0111\n0103\n");
  Open("MODBUS RTU", "");
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0), QStringLiteral("0111"));
  Type("a501005a");  // no port: refused, but remembered at the top
  Type("0103");      // already kept: stays where it was
  EXPECT_EQ(window->History().Items(), (std::vector<std::string>{"a501005a", "0111", "0103"}));

  box->setCurrentIndex(1);
  prompt.answer = false;
  QTest::keyClick(box, Qt::Key_Delete);
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0], std::make_pair(std::string("?"), std::string("Удалить команду:\n0111")));
  EXPECT_EQ(box->count(), 3);
  prompt.answer = true;
  QTest::keyClick(box, Qt::Key_Delete);
  EXPECT_EQ(window->History().Items(), (std::vector<std::string>{"a501005a", "0103"}));
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(1), QStringLiteral("0103"));

  // Delete on an entry highlighted in the open list.
  box->showPopup();
  box->view()->setCurrentIndex(box->model()->index(1, 0));
  QTest::keyClick(box->view(), Qt::Key_Delete);
  EXPECT_EQ(window->History().Items(), std::vector<std::string>{"a501005a"});
  EXPECT_FALSE(box->view()->isVisible());

  // An entry whose text was edited is no longer selected: Delete edits the text and asks nothing.
  box->setCurrentIndex(0);
  box->setEditText(QStringLiteral("a5"));
  QTest::keyClick(box, Qt::Key_Delete);
  EXPECT_EQ(prompt.questions.size(), 3u);

  window.reset();
  Open("MODBUS RTU", "");
  EXPECT_EQ(window->History().Items(), std::vector<std::string>{"a501005a"});
  EXPECT_EQ(box->itemText(0), QStringLiteral("a501005a"));
}

}  // namespace
}  // namespace quillon::testing
