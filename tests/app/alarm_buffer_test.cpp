// The alarm buffer tool against the simulator on a pseudo-terminal: the clock and counter polls,
// clock setting and calibration, counter changes with their commits, log pages and the record
// file a page becomes.
#include "app/tools/alarm_buffer.h"

#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/support/report_job.h"
#include "app/tools/set_prof_time.h"
#include "link/link_tasks.h"
#include "modal_dialog.h"
#include "scope/record_file.h"
#include "tool_window_fixture.h"
#include "variables/view_list.h"
#include "xlsx_readback.h"

namespace quillon::testing {
namespace {

constexpr const char* kAlarmDevice =
    "[DEVICE]\nID=707 AB v1.2 2024-04-01\nDescription=Насос 7\n"
    "[vars]\nInom=100\n"
    "[RAM]\n"
    "r1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0000/\n"
    "r2=U/Напряжение/TWORD/x0202/r0101/В/1/2//0/x0000/\n"
    "[FLASH]\n"
    "p1=Tacc/Время разгона/TWORD/x0100/r0080/с/1/2//0/x1234/\n";

const char* const kCauseLabels[] = {"lbASYNCOFF", "lbMTZOFF",  "lbPCDF_OFF", "lbFFOFF",  "lbGND_OFF",
                                    "lbTHF_OFF",  "lbCPU_OFF", "lbEMS_OFF",  "lbTCH_OFF"};

class AlarmBufferTest : public ToolWindowTest<TfmAlarmBuffer> {
 protected:
  void SetUp() override {
    WriteWindowsFile("Devices/AB/707.ini", kAlarmDevice);
    devicePath = paths.devices + "AB/707.ini";
  }

  void StartSim(const QStringList& extra = {}) {
    StartSimulator(devicePath, "ALARM1", QStringList{QStringLiteral("--verbose")} << extra);
  }

  // The window as the toolbar button opens it.
  void Open(const std::string& port = "ALARM1") {
    Show(std::make_unique<TfmAlarmBuffer>(Context(), ToolLink("QuBUS", port, devicePath)));
  }

  // Connects and waits until the clock and the counters have been shown. The waits end as soon
  // as they are; their limits allow for a machine loaded by a whole test run.
  void Connect() {
    Find<QPushButton>("btConnect")->click();
    ASSERT_TRUE(WaitUntil([&] { return Text("edTime").contains(QLatin1Char(':')); }, 15000))
        << sim.ErrorOutput().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return Text("lbCPUWT") != QStringLiteral("0:00:00"); }, 15000));
  }

  QStringList Lines(const char* list) {
    QStringList lines;
    auto* widget = Find<QListWidget>(list);
    for (int i = 0; i < widget->count(); ++i) lines.push_back(widget->item(i)->text());
    return lines;
  }

  bool PageLoaded() {
    return WaitUntil([&] { return !window->Loading(); }, 10000);
  }

  // The bytes of the last frame the simulator logged that starts with `start`.
  QList<int> LastFrame(const QString& start) {
    const QStringList lines = sim.ErrorOutput().split(QLatin1Char('\n'));
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
      const qsizetype at = line->indexOf(start);
      if (at < 0) continue;
      QList<int> bytes;
      for (const QString& hex : line->mid(at).section(QStringLiteral(" ->"), 0, 0).split(QLatin1Char(' ')))
        bytes.push_back(hex.toInt(nullptr, 16));
      return bytes;
    }
    return {};
  }

  std::string devicePath;
};

TEST_F(AlarmBufferTest, ConnectShowsTheClockCountersAndRepliesPerSecond) {
  StartSim();
  if (HasFatalFailure()) return;
  Open();
  EXPECT_EQ(Text("lbSPS"), QStringLiteral("DNR"));
  EXPECT_EQ(Text("edCLBRDATtmp"), QStringLiteral("-----"));
  EXPECT_FALSE(Find<QToolButton>("tbGetScope")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>("tbSaveToXLS")->isEnabled());
  Connect();
  if (HasFatalFailure()) return;

  // The simulator's clock runs with the PC's.
  const QRegularExpression clock(QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d) \\S+ +(\\d\\d\\.\\d\\d\\.20\\d\\d)$"));
  const auto match = clock.match(Text("edTime"));
  ASSERT_TRUE(match.hasMatch()) << Text("edTime").toStdString();
  const QDateTime shown = QDateTime::fromString(match.captured(2) + QLatin1Char(' ') + match.captured(1),
                                                QStringLiteral("dd.MM.yyyy HH:mm:ss"));
  EXPECT_LE(std::abs(shown.secsTo(QDateTime::currentDateTime())), 5) << Text("edTime").toStdString();
  EXPECT_EQ(Text("edCLBRDATtmp"), QStringLiteral("+0"));

  // The simulator's past: every trip has a cause, and the bars share the full width.
  int causes = 0;
  int bars = 0;
  for (const char* name : kCauseLabels) causes += Text(name).toInt();
  for (const char* name :
       {"pnASYNCOFF", "pnMTZOFF", "pnFFOFF", "pnGNDOFF", "pnPCDFOFF", "pnTHFOFF", "pnCPUOFF", "pnEMSOFF", "pnTCHOFF"})
    bars += Find<QFrame>(name)->width();
  EXPECT_GT(Text("lbTotalAlOFF").toInt(), 0);
  EXPECT_EQ(causes, Text("lbTotalAlOFF").toInt());
  EXPECT_NEAR(bars, 117, 5);
  EXPECT_EQ(Find<QFrame>("Panel1")->width(), 0);
  EXPECT_EQ(Text("lbFrLow_OFF"), QStringLiteral("0"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+:\\d\\d:\\d\\d$")).match(Text("lbLastWT")).hasMatch());
  EXPECT_TRUE(Find<QGroupBox>("gbLog")->title().startsWith(QStringLiteral("Журнал событий / последняя запись:")));

  // Two polls a second at most, each re-armed only after both answered.
  ASSERT_TRUE(WaitUntil([&] { return Text("lbSPS").toInt() > 0; }, 3000)) << Text("lbSPS").toStdString();
  EXPECT_LE(Text("lbSPS").toInt(), 4);
}

TEST_F(AlarmBufferTest, PortThatDoesNotOpenIsReportedAndNothingPolls) {
  Open("NOPORT");
  Find<QPushButton>("btConnect")->click();
  ASSERT_TRUE(WaitUntil([&] { return !prompt.warnings.empty(); }));
  EXPECT_EQ(
      prompt.warnings.front(),
      std::make_pair(std::string("Quillon"), std::string("Порт NOPORT не существует\nили занят другой программой")));
  EXPECT_FALSE(Find<QTimer>("tmrRefresh")->isActive());
  // A page button without a port reads nothing and leaves no progress shown.
  Find<QPushButton>("btNext")->click();
  EXPECT_TRUE(PageLoaded());
  EXPECT_EQ(window->Page(), 1);
  EXPECT_TRUE(Lines("lbEvents").isEmpty());
}

TEST_F(AlarmBufferTest, RepliesCutShortShowDnrAndLeaveTheValues) {
  StartSim({QStringLiteral("--fault"), QStringLiteral("short=1")});
  if (HasFatalFailure()) return;
  Open();
  Find<QPushButton>("btConnect")->click();
  ASSERT_TRUE(WaitUntil([&] { return Text("lbSPS") == QStringLiteral("DNR!"); }, 4000)) << Text("lbSPS").toStdString();
  // Shown once a second; nothing was taken from the short replies.
  EXPECT_TRUE(WaitUntil([&] { return Text("edTime") == QStringLiteral("---"); }, 2000)) << Text("edTime").toStdString();
  // No counter or calibration came: nothing is shown as the controller's, and the calibration
  // buttons send nothing built on a value never read.
  EXPECT_EQ(Text("lbTotalON"), QStringLiteral("---"));
  EXPECT_EQ(Text("edCLBRDATtmp"), QStringLiteral("---"));
  const int framesBefore = sim.ErrorOutput().count(QStringLiteral("A5 09 0A"));
  Find<QPushButton>("btCLBR_P")->click();
  QTest::qWait(300);
  EXPECT_EQ(sim.ErrorOutput().count(QStringLiteral("A5 09 0A")), framesBefore);
}

TEST_F(AlarmBufferTest, ClockSetSendsThePcTimeAndCounterChangesAreCommittedAfterTheirWrite) {
  StartSim();
  if (HasFatalFailure()) return;
  Open();
  Connect();
  if (HasFatalFailure()) return;
  Find<QPushButton>("btCLBR_P")->click();
  ASSERT_TRUE(WaitUntil([&] { return Text("edCLBRDATtmp") == QStringLiteral("+1"); }, 4000))
      << Text("edCLBRDATtmp").toStdString();
  Find<QPushButton>("btCLBR_M")->click();
  Find<QPushButton>("btCLBR_M")->click();
  ASSERT_TRUE(WaitUntil([&] { return Text("edCLBRDATtmp") == QStringLiteral("-1"); }, 4000))
      << Text("edCLBRDATtmp").toStdString() << sim.ErrorOutput().right(3000).toStdString();

  Find<QPushButton>("btSyncTime")->click();
  QList<int> frame;
  ASSERT_TRUE(WaitUntil(
      [&] {
        frame = LastFrame(QStringLiteral("A5 09 0A"));
        return frame.size() == 12 && frame[3] == 0x21;
      },
      4000))
      << "the calibration read back goes with the clock";
  const QDateTime now = QDateTime::currentDateTime();
  auto bcd = [&](int index) { return (frame[index] >> 4) * 10 + (frame[index] & 0x0F); };
  const QDateTime sent(QDate(2000 + bcd(10), bcd(9), bcd(8)), QTime(bcd(6), bcd(5), bcd(4)));
  EXPECT_LE(std::abs(sent.secsTo(now)), 5);
  EXPECT_EQ(frame[7], now.date().dayOfWeek() % 7 + 1) << "1 is Sunday";
  EXPECT_FALSE(sim.ErrorOutput().contains(QStringLiteral("not a valid time")));
  EXPECT_EQ(Text("edCLBRDATtmp"), QStringLiteral("-1")) << "the controller kept it";

  // Counter changes are committed after their write.
  ASSERT_NE(Text("lbTotalAlOFF"), QStringLiteral("0"));

  Find<QPushButton>("btALBFormat")->click();
  ASSERT_TRUE(WaitUntil([&] { return Text("lbTotalAlOFF") == QStringLiteral("0"); }, 4000));
  for (const char* name : kCauseLabels) EXPECT_EQ(Text(name), QStringLiteral("0")) << name;
  EXPECT_EQ(Find<QFrame>("pnASYNCOFF")->width(), 0);
  EXPECT_NE(Text("lbCPUWT"), QStringLiteral("0:00:00")) << "work times stay";
  const QString log = sim.ErrorOutput();
  const qsizetype data = log.indexOf(QStringLiteral("A5 26 11 06 5E 22"));
  ASSERT_GE(data, 0);
  const qsizetype commit = log.indexOf(QStringLiteral("A5 05 11 05 A5 01 1B 5A"), data);
  ASSERT_GT(commit, data) << "the commit follows the data";
  EXPECT_TRUE(log.mid(commit, 120).section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("commit taken")));

  // The motor work time only after a yes.
  const QString motorTime = Text("lbTotalWT");
  ASSERT_NE(motorTime, QStringLiteral("0:00:00"));
  prompt.answer = false;
  Find<QPushButton>("btTotalWT")->click();
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0],
            std::make_pair(std::string("Подтверждение"), std::string("Обнулить время работы двигателя?")));
  QTest::qWait(1500);
  EXPECT_EQ(Text("lbTotalWT"), motorTime);
  prompt.answer = true;
  Find<QPushButton>("btTotalWT")->click();
  ASSERT_TRUE(WaitUntil([&] { return Text("lbTotalWT") == QStringLiteral("0:00:00"); }, 4000));

  // The maintenance time in hours; a text that is no number writes nothing.
  auto enter = [](const QString& hours) {
    return WhenModal<TfmSetProfTime>([hours](TfmSetProfTime& dialog) {
      dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(hours);
      dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
  };
  auto done = enter(QStringLiteral("123"));
  Find<QPushButton>("btSetProfTime")->click();
  EXPECT_TRUE(*done);
  ASSERT_TRUE(WaitUntil([&] { return Text("lbLastWT") == QStringLiteral("123:00:00"); }, 4000));
  done = enter(QStringLiteral("12a"));
  Find<QPushButton>("btSetProfTime")->click();
  EXPECT_TRUE(*done);
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].second, "'12a' не является допустимым целым значением");
  QTest::qWait(1500);
  EXPECT_EQ(Text("lbLastWT"), QStringLiteral("123:00:00"));
}

TEST_F(AlarmBufferTest, PageLoadsFillTheListsAndBecomeARecordFile) {
  StartSim();
  if (HasFatalFailure()) return;
  Open();
  Connect();
  if (HasFatalFailure()) return;

  Find<QPushButton>("btPred")->click();
  EXPECT_EQ(window->Page(), 31) << "back from page 0";
  EXPECT_EQ(Find<QGroupBox>("gbLog")->title(), QStringLiteral("31"));
  ASSERT_TRUE(PageLoaded());
  EXPECT_EQ(Lines("lbRecInterval").value(0), QStringLiteral("Страница: 31"));
  Find<QPushButton>("btNext")->click();
  EXPECT_EQ(window->Page(), 0) << "on from page 31";
  ASSERT_TRUE(PageLoaded());

  const QStringList interval = Lines("lbRecInterval");
  const QStringList events = Lines("lbEvents");
  const QStringList alarms = Lines("lbLogger");
  ASSERT_GE(interval.size(), 3);
  EXPECT_EQ(interval[0], QStringLiteral("Страница: 0"));
  EXPECT_TRUE(interval[1].startsWith(QStringLiteral(" c ")));
  EXPECT_TRUE(interval[2].startsWith(QStringLiteral("по ")));
  EXPECT_EQ(events.size(), interval.size());
  EXPECT_EQ(alarms.size(), interval.size());
  EXPECT_FALSE(events.join(QString()).isEmpty()) << "the simulator's past has events on every page";
  EXPECT_TRUE(Find<QToolButton>("tbGetScope")->isEnabled());
  EXPECT_TRUE(Find<QToolButton>("tbSaveToXLS")->isEnabled());

  // The record is named after the newest record of the page.
  const QDateTime newest = QDateTime::fromString(interval[2].mid(3), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
  ASSERT_TRUE(newest.isValid()) << interval[2].toStdString();
  const std::string path = paths.records + newest.toString(QStringLiteral("ddMMyy_HHmmss")).toStdString() + ".rec";
  Find<QToolButton>("tbGetScope")->click();
  ASSERT_EQ(opened, std::vector<std::string>{path});
  TViewList list;
  EXPECT_EQ(ReloadRecordVariables(path, list), 151);
  ASSERT_EQ(list.Count(), 3) << "the time mark and the device's RAM variables";
  EXPECT_EQ(list.Item(1).Definition().Name, "I");
  EXPECT_EQ(list.Item(2).Definition().Name, "U");

  // The page as a spreadsheet: the records with events, the newest on top, opened for the user.
  ASSERT_TRUE(EnsureDirectory(paths.Xlt()));
  ASSERT_TRUE(CopyFileTo(QUILLON_SOURCE_DIR "/demo/XLT/bbx.xlt", paths.Xlt() + "bbx.xlt", true));
  std::vector<QString> exported;
  window->ExportJob().OpenDocument = [&exported](const QString& file) { exported.push_back(file); };
  Find<QToolButton>("tbSaveToXLS")->click();
  ASSERT_TRUE(WaitUntil([&] { return !exported.empty(); }, 10000)) << prompt.warnings.size();
  const XlsxReadback sheet = ReadBackWithOpenpyxl(QUILLON_SOURCE_DIR, exported.back().toStdString());
  ASSERT_TRUE(sheet.ok) << sheet.error;
  // The top row is the newest record that has an event (the event list ends each line with it).
  QDateTime newestEvent;
  for (const QString& line : events) {
    const QDateTime when = QDateTime::fromString(line.right(19), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (when.isValid() && (!newestEvent.isValid() || when > newestEvent)) newestEvent = when;
  }
  EXPECT_EQ(sheet.Cell("B27") + " " + sheet.Cell("C27"),
            newestEvent.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toStdString());
  EXPECT_EQ(sheet.Cell("B13"), Text("lbTotalON").toStdString());
  EXPECT_TRUE(Find<QToolButton>("tbSaveToXLS")->isEnabled());
}

}  // namespace
}  // namespace quillon::testing
