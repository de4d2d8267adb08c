// The scope window against the simulator: polling over each protocol, writing from the command
// line, faults on the line, a silent device, rulers and records, and the window's file commands.
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/scope/link_window.h"
#include "app/widgets/scope_panel.h"
#include "link/comm_list.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "scope/record_file.h"
#include "scope_window_fixture.h"
#include "sim_process.h"
#include "variables/special/time_mark.h"
#include "variables/view_list.h"

namespace quillon::testing {
namespace {

TEST_F(ScopeWindowTest, PollsEveryProtocolAndShowsTheRate) {
  StartSim({QStringLiteral("--move")});
  for (const char* protocol : {"QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"}) {
    SCOPED_TRACE(protocol);
    TLinkWindowFm* window = Open(WriteScope("move.scp", protocol, "RAM", {"r1", "r2"}));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MoreSamples(*window, 200)) << window->StatusText(StatusPanel::Rate).toStdString();
    // The moving value differs between samples taken a while apart.
    const std::uint64_t before = Newest(*window, "I");
    ASSERT_TRUE(WaitUntil([&] { return Newest(*window, "I") != before; }));
    ASSERT_TRUE(WaitUntil([&] { return window->StatusText(StatusPanel::Rate).toInt() > 50; }, 3000))
        << window->StatusText(StatusPanel::Rate).toStdString();
    EXPECT_EQ(window->StatusText(StatusPanel::Protocol).toStdString(), protocol);
    window->close();
    QTest::qWait(50);
  }
  // Every window went from the main window's list as it closed.
  EXPECT_TRUE(main->Scopes().Windows().empty());
}

TEST_F(ScopeWindowTest, CommandLineWritesAValueAndABitAloneOverEachProtocol) {
  StartSim();
  for (const char* protocol : {"QuBUS", "MODBUS RTU", "MODBUS TCP", "MODBUS TCP/IP"}) {
    SCOPED_TRACE(protocol);
    // The simulator keeps what an earlier round wrote: start from known values.
    TLinkWindowFm* window = Open(WriteScope("write.scp", protocol, "FLASH", {"p1", "p2", "p3", "p4"}));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MoreSamples(*window, 20));
    // One write record per window: each write is awaited before the next (a write typed before
    // the previous one went out takes its place).
    auto write = [&](const std::string& command, const char* name, std::uint64_t raw) {
      Command(*window, command);
      return WaitUntil([&] { return Newest(*window, name) == raw; });
    };
    ASSERT_TRUE(write("Tacc=x1234", "Tacc", 0x1234));
    ASSERT_TRUE(write("Run=1", "Run", 1));
    ASSERT_TRUE(write("Ready=1", "Ready", 1));
    ASSERT_TRUE(write("Tacc=700", "Tacc", 700));
    // Clearing one bit leaves its neighbour in the same word set.
    Command(*window, "Run=0");
    ASSERT_TRUE(WaitUntil([&] { return Newest(*window, "Run") == 0; }));
    ASSERT_TRUE(MoreSamples(*window, 20));
    EXPECT_EQ(Newest(*window, "Ready"), 1u);
    EXPECT_EQ(Newest(*window, "Tdec"), 0x0BCDu);
    // A value the variable refuses writes nothing and stays out of the history.
    auto* line = window->findChild<QComboBox*>(QStringLiteral("CmdLine"));
    const int history = line->count();
    Command(*window, "Nobody=5");
    EXPECT_EQ(line->count(), history);
    window->close();
    QTest::qWait(50);
  }
}

TEST_F(ScopeWindowTest, FaultyLineNeverGivesAWrongSample) {
  StartSim({QStringLiteral("--fault"), QStringLiteral("crc=0.2,short=0.2,seed=3")});
  for (const char* protocol : {"MODBUS RTU", "MODBUS TCP"}) {
    SCOPED_TRACE(protocol);
    TLinkWindowFm* window = Open(WriteScope("faults.scp", protocol, "FLASH", {"p1", "p2"}));
    ASSERT_NE(window, nullptr);
    bool flagged = false;
    int checked = 0;
    // Over 2.5 s: every sample is the stored value; the faults show in the status bar.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2500) {
      QTest::qWait(20);
      TView& tacc = Var(*window, "Tacc");
      TView& tdec = Var(*window, "Tdec");
      for (int back = 0; back < 50 && back < tacc.History.Head(); ++back) {
        ASSERT_EQ(tacc.SampleAt(tacc.History.Head() - back), 0x1234u);
        ASSERT_EQ(tdec.SampleAt(tdec.History.Head() - back), 0x0BCDu);
        ++checked;
      }
      const QString status = window->StatusText(StatusPanel::Rate);
      flagged = flagged || status == QStringLiteral("CRC!") || status == QStringLiteral("DNR!");
    }
    EXPECT_GT(checked, 100);
    EXPECT_TRUE(flagged);
    window->close();
    QTest::qWait(50);
  }
}

TEST_F(ScopeWindowTest, FastFrameEndOnAndOffGiveTheSameSamples) {
  StartSim();
  for (const bool fast : {true, false}) {
    SCOPED_TRACE(fast);
    if (!main) main = StartWithCatalogue();
    hub.Serial().SetFastFrameEnd(fast);
    TLinkWindowFm* window = Open(WriteScope("fast.scp", "MODBUS RTU", "FLASH", {"p1", "p2", "p3"}));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MoreSamples(*window, 10));
    EXPECT_EQ(Newest(*window, "Tacc"), 0x1234u);
    EXPECT_EQ(Newest(*window, "Tdec"), 0x0BCDu);
    EXPECT_EQ(Newest(*window, "Run"), 1u);
    window->close();
    QTest::qWait(50);
  }
}

TEST_F(ScopeWindowTest, SilentDeviceShowsDNRAndTheRateComesBack) {
  StartSim();
  TLinkWindowFm* window = Open(WriteScope("silent.scp", "MODBUS RTU", "FLASH", {"p1"}));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return window->StatusText(StatusPanel::Rate).toInt() > 0; }, 3000));
  sim.Kill();
  // The dead simulator's terminal number is free for another test's simulator running beside this
  // one; the port's name goes with the simulator so the link's reopening cannot reach that one.
  std::remove((paths.program + "Ports/SCOPE1").c_str());
  ASSERT_TRUE(WaitUntil([&] { return window->StatusText(StatusPanel::Rate) == QStringLiteral("DNR!"); }, 3000));
  // Still "DNR!" a second later: polling goes on.
  QTest::qWait(1100);
  EXPECT_EQ(window->StatusText(StatusPanel::Rate).toStdString(), "DNR!");
  StartSim();
  EXPECT_TRUE(WaitUntil([&] { return window->StatusText(StatusPanel::Rate).toInt() > 0; }, 5000))
      << window->StatusText(StatusPanel::Rate).toStdString();
}

TEST_F(ScopeWindowTest, RulersMeasureAndRecordTheirStretch) {
  StartSim({QStringLiteral("--move")});
  TLinkWindowFm* window = Open(WriteScope("rulers.scp", "MODBUS TCP", "RAM", {"r1", "r2"}));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(MoreSamples(*window, 1500, 8000));
  // Paused, so the picture stands still under the clicks.
  window->btStartStopClick();
  QTest::qWait(300);
  auto* record = window->findChild<QToolButton*>(QStringLiteral("btRecord"));
  // "Записать выделенный буфер" without rulers writes nothing.
  window->RecSelectedBufClick();
  record->click();
  EXPECT_TRUE(window->LastRecordPath().empty());

  window->findChild<QToolButton*>(QStringLiteral("btTimeRulers"))->click();
  ScopePanel& panel = window->Scope();
  const int trendLeft =
      window->List().NameWidth + window->List().HexWidth + window->List().ValueWidth + window->List().UnitWidth;
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 150, 30));
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 140, 30));
  ASSERT_EQ(window->Rulers().Count(), 2);
  const int first = window->Rulers().Index(0);
  const int second = window->Rulers().Index(1);
  EXPECT_EQ((first - second + kHistoryLength) % kHistoryLength, 10);
  EXPECT_FALSE(window->StatusText(StatusPanel::Interval).isEmpty());
  auto& mark = static_cast<TTimeMark&>(window->List().Item(0));
  EXPECT_NE(mark.MarkAt(first) & kRedMark, 0);

  record->click();
  ASSERT_FALSE(window->LastRecordPath().empty());
  TViewList reread;
  RecordHeader header;
  EXPECT_EQ(OpenRecord(window->LastRecordPath(), reread, header), 11);
  ASSERT_EQ(reread.Count(), 3);
  // The record holds the samples from the first ruler on, as the window had them.
  TView& original = Var(*window, "I");
  TView& copy = *reread.FindVariable("I");
  for (int i = 0; i < 11; ++i) EXPECT_EQ(copy.SampleAt(i), original.SampleAt(second + i)) << i;

  // A scope file refused keeps the window as it was, rulers included, and they still come off.
  EXPECT_FALSE(window->LoadScopeFile(paths.scopeWindow + "missing.scp"));
  ASSERT_EQ(window->Rulers().Count(), 2);
  auto& kept = static_cast<TTimeMark&>(window->List().Item(0));
  EXPECT_NE(kept.MarkAt(first) & kRedMark, 0);
  // Ruler mode off and on again starts without rulers.
  window->findChild<QToolButton*>(QStringLiteral("btTimeRulers"))->click();
  window->findChild<QToolButton*>(QStringLiteral("btTimeRulers"))->click();
  EXPECT_EQ(window->Rulers().Count(), 0);
  EXPECT_EQ(kept.MarkAt(first) & kRedMark, 0);

  // The pointer tools combine: with the rulers up the zoom takes the presses, and when it is put
  // down again the rulers are still there and the cursor takes the presses they leave.
  auto* rulers = window->findChild<QToolButton*>(QStringLiteral("btTimeRulers"));
  auto* zoom = window->findChild<QToolButton*>(QStringLiteral("btZoomControl"));
  auto* cursor = window->findChild<QToolButton*>(QStringLiteral("btAmpMeter"));
  ASSERT_TRUE(rulers->isChecked());
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 150, 30));
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 140, 30));
  ASSERT_EQ(window->Rulers().Count(), 2);
  zoom->click();
  cursor->click();
  EXPECT_TRUE(zoom->isChecked() && rulers->isChecked() && cursor->isChecked());
  const double step = window->List().Step;
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 100, 30));
  EXPECT_GT(window->List().Step, step) << "the zoom took the press";
  EXPECT_TRUE(window->StatusText(StatusPanel::CursorTime).isEmpty());
  zoom->click();
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(trendLeft + 100, 30));
  EXPECT_EQ(window->Rulers().Count(), 2);
  EXPECT_FALSE(window->StatusText(StatusPanel::CursorTime).isEmpty()) << "away from the rulers the cursor is placed";
}

TEST_F(ScopeWindowTest, WheelRowHeightsZoomAndDeletingARowAreSaved) {
  StartSim();
  const std::string file = WriteScope("edit.scp", "QuBUS", "FLASH", {"p1", "p2", "p3"});
  TLinkWindowFm* window = Open(file);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(MoreSamples(*window, 10));
  ScopePanel& panel = window->Scope();
  // The first row (Tacc, 20 px high) is selected by a click, which also readies the command line.
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_EQ(window->findChild<QComboBox*>(QStringLiteral("CmdLine"))->currentText().toStdString(), "Tacc=");
  auto wheel = [&](int steps) {
    for (int i = 0; i < std::abs(steps); ++i) {
      QWheelEvent event(QPointF(10, 5), window->mapToGlobal(QPointF(10, 5)), {}, QPoint(0, steps > 0 ? 120 : -120),
                        Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(window, &event);
    }
  };
  wheel(300);
  EXPECT_EQ(Var(*window, "Tacc").RowHeight, 256);
  wheel(-400);
  EXPECT_EQ(Var(*window, "Tacc").RowHeight, 15);
  wheel(5);
  // Zoom: the right button takes 0.1 off the step.
  window->findChild<QToolButton*>(QStringLiteral("btZoomControl"))->click();
  QTest::mouseClick(&panel, Qt::RightButton, {}, QPoint(300, 40));
  EXPECT_DOUBLE_EQ(window->List().Step, 0.9);
  EXPECT_EQ(window->StatusText(StatusPanel::Zoom).toStdString(), "90%");
  window->findChild<QToolButton*>(QStringLiteral("btZoomControl"))->click();

  // Tdec goes; polling goes on with the rest.
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(10, 25));
  ASSERT_TRUE(Var(*window, "Tdec").Selected);
  window->mnDeleteClick();
  ASSERT_TRUE(WaitUntil([&] { return window->List().FindVariable("Tdec") == nullptr; }));
  ASSERT_TRUE(MoreSamples(*window, 10));
  window->SaveItMnClick();
  EXPECT_EQ(ProfileKeyNames(file, "viewlist"), (std::vector<std::string>{"p1", "p3"}));
  EXPECT_EQ(ReadProfileString(file, "viewlist", "p1", ""), "1/20/");

  // "Сохранить как..." puts ".scp" in place of whatever ending the name had.
  window->ChooseFile = [&](const QString&, const std::string&, const QString&, bool) {
    return paths.scopeWindow + "copy.txt";
  };
  window->SaveAsMnClick();
  EXPECT_TRUE(FileExists(paths.scopeWindow + "copy.scp"));
  EXPECT_EQ(window->windowTitle().toStdString(), "copy.scp");
}

TEST_F(ScopeWindowTest, WindowMenuListsTheOpenWindows) {
  StartSim();
  TLinkWindowFm* serial = Open(WriteScope("a.scp", "MODBUS RTU", "FLASH", {"p1"}));
  TLinkWindowFm* tcp = Open(WriteScope("b.scp", "MODBUS TCP", "FLASH", {"p1"}));
  ASSERT_NE(serial, nullptr);
  ASSERT_NE(tcp, nullptr);
  QMenu menu;
  main->Scopes().FillMenu(menu);
  QStringList texts;
  for (QAction* action : menu.actions()) texts << action->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("1 SCOPE1 MODBUS RTU 115200 FLASH: a.scp")));
  EXPECT_TRUE(texts.contains(QStringLiteral("127.0.0.1 ") + sim.TcpPort() +
                             QStringLiteral(" SCOPE1 MODBUS TCP 115200 FLASH: b.scp")));
  EXPECT_TRUE(texts.contains(QStringLiteral("Новый осциллограф")));
  serial->close();
  QTest::qWait(50);
  EXPECT_EQ(main->Scopes().Windows().size(), 1u);
}

// "Новый осциллограф" on a workspace without a scope window folder: the properties dialog names a
// file that does not exist yet; answered "yes" it is created (folder and all), and the window
// polls the variables chosen in the dialog.
TEST_F(ScopeWindowTest, NewScopeFromTheDialogCreatesItsFileAndPolls) {
  StartSim();
  main = StartWithCatalogue();
  prompt.answer = true;
  const std::string file = paths.scopeWindow + "fresh";
  // Fills the dialog once it is up (the window shows it modally).
  QTimer filler;
  filler.setInterval(50);
  QObject::connect(&filler, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    filler.stop();
    dialog->findChild<QLineEdit*>(QStringLiteral("WinPath"))->setText(QString::fromStdString(file));
    dialog->findChild<QLineEdit*>(QStringLiteral("DevPath"))->setText(QString::fromStdString(devicePath));
    auto* bus = dialog->findChild<QComboBox*>(QStringLiteral("cbBUS"));
    bus->setCurrentIndex(bus->findText(QStringLiteral("MODBUS TCP")));
    dialog->findChild<QLineEdit*>(QStringLiteral("AddrEd"))->setText(QStringLiteral("127.0.0.1"));
    dialog->findChild<QLineEdit*>(QStringLiteral("edPort"))->setText(sim.TcpPort());
    dialog->findChild<QLineEdit*>(QStringLiteral("FrameEndEd"))->setText(QStringLiteral("1"));
    auto* area = dialog->findChild<QComboBox*>(QStringLiteral("MemSelect"));
    area->setCurrentIndex(area->findText(QStringLiteral("FLASH")));
    auto* all = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    ASSERT_GT(all->count(), 1);
    all->item(0)->setSelected(true);
    all->item(1)->setSelected(true);
    dialog->findChild<QPushButton*>(QStringLiteral("ToViewButton"))->click();
    dialog->findChild<QPushButton*>(QStringLiteral("btApplay"))->click();
    // A refused apply keeps the dialog open: close it so that the test ends and reports.
    if (dialog->isVisible()) dialog->reject();
  });
  filler.start();
  main->Scopes().NewScope();
  for (const auto& [caption, text] : prompt.warnings) ADD_FAILURE() << caption << ": " << text;
  ASSERT_EQ(main->Scopes().Windows().size(), 1u);
  TLinkWindowFm& window = *main->Scopes().Windows().front();
  EXPECT_TRUE(FileExists(file + ".scp"));
  ASSERT_EQ(window.List().Count(), 3);  // the time mark and the two chosen variables
  ASSERT_TRUE(MoreSamples(window, 20));
  EXPECT_EQ(Newest(window, "Tacc"), 0x1234u);
  window.SaveItMnClick();
  EXPECT_EQ(ProfileKeyNames(file + ".scp", "viewlist"), (std::vector<std::string>{"p1", "p2"}));
}

}  // namespace
}  // namespace quillon::testing
