// The traffic monitor fed through a tap of its own: what a row shows, the filters, pause and
// clear, following the newest row, saving, and the main window's button.
#include "app/tools/traffic_monitor.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/tools/traffic_table_model.h"
#include "app_fixture.h"
#include "core/link/traffic_frames.h"
#include "link/traffic_tap.h"
#include "link/traffic_text.h"

namespace quillon::testing {
namespace {

TrafficFrame Frame(std::int64_t timeUs, const char* link, std::uint8_t slave, FrameVerdict verdict = FrameVerdict::None,
                   std::size_t extraBytes = 0) {
  return ModbusTrafficFrame(timeUs, link, slave, verdict, extraBytes);
}

class TrafficMonitorTest : public ::testing::Test {
 protected:
  void Put(const TrafficFrame& frame) { ASSERT_TRUE(tap.Put(frame)); }
  QString Cell(int row, int column, int role = Qt::DisplayRole) const {
    const QAbstractItemModel* model = monitor->Table()->model();
    return model->data(model->index(row, column), role).toString();
  }
  int Rows() const { return monitor->Table()->model()->rowCount(); }
  std::vector<std::int64_t> RowTimes() const {
    std::vector<std::int64_t> times;
    for (std::size_t row = 0; row < monitor->Log().Rows(); ++row) times.push_back(monitor->Log().Row(row).timeUs);
    return times;
  }
  void Choose(const char* combo, const QString& text) {
    auto* box = monitor->findChild<QComboBox*>(QLatin1String(combo));
    ASSERT_NE(box, nullptr) << combo;
    ASSERT_GE(box->findText(text), 0) << text.toStdString();
    box->setCurrentIndex(box->findText(text));
  }
  QStringList Items(const char* combo) const {
    QStringList items;
    const auto* box = monitor->findChild<QComboBox*>(QLatin1String(combo));
    for (int i = 0; box != nullptr && i < box->count(); ++i) items << box->itemText(i);
    return items;
  }

  TempDir dir;
  RecordingPrompt prompt;
  ScopedPrompt installed{prompt};
  TrafficTap tap{1 << 17};
  std::unique_ptr<TrafficMonitor> monitor = std::make_unique<TrafficMonitor>(tap, dir.Path());
};

TEST_F(TrafficMonitorTest, ARowShowsTheFrameAndARefusedAnswerStandsOut) {
  EXPECT_TRUE(tap.Enabled()) << "the workers hand over frames while the monitor is open";
  const TrafficFrame request = Frame(1'700'000'000'123'456, "COM1", 1, FrameVerdict::None, 90);
  Put(request);
  Put(Frame(1'700'000'000'223'456, "COM1", 1, FrameVerdict::OK));
  Put(Frame(1'700'000'000'323'456, "COM1", 1, FrameVerdict::CRC));
  monitor->tmrDrainTimer();
  ASSERT_EQ(Rows(), 3);

  const std::vector<std::string> expected = {FrameTime(request.timeUs), "COM1", "TX", FrameHex(request),
                                             FrameSummary(request),     ""};
  for (int column = 0; column < 6; ++column) EXPECT_EQ(Cell(0, column).toStdString(), expected[column]) << column;
  EXPECT_EQ(Cell(0, 0).size(), 15) << "to the microsecond";
  // The whole of a long frame is in the tooltip, sixteen bytes a line.
  QString tooltip = Cell(0, TrafficTableModel::BytesColumn, Qt::ToolTipRole);
  EXPECT_EQ(tooltip.count(QLatin1Char('\n')), 6) << "98 bytes";
  EXPECT_EQ(tooltip.replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString(), FrameHex(request));

  EXPECT_EQ(Cell(1, TrafficTableModel::VerdictColumn), QStringLiteral("OK"));
  EXPECT_EQ(Cell(2, TrafficTableModel::VerdictColumn), QStringLiteral("CRC"));
  const QAbstractItemModel* model = monitor->Table()->model();
  EXPECT_FALSE(model->data(model->index(1, 4), Qt::ForegroundRole).isValid());
  EXPECT_EQ(model->data(model->index(2, 4), Qt::ForegroundRole).value<QBrush>().color(),
            RefusedVerdictColour(QGuiApplication::palette().color(QPalette::Base)));

  monitor.reset();
  EXPECT_FALSE(tap.Enabled()) << "nobody watches any more";
  EXPECT_FALSE(tap.Put(request));
}

TEST_F(TrafficMonitorTest, FiltersOfferWhatWasSeenAndApplyToFramesToCome) {
  Put(Frame(1, "COM1", 1));
  Put(Frame(2, "COM1", 1, FrameVerdict::CRC));
  Put(Frame(3, "COM2", 7));
  Put(Frame(4, "COM2", 7, FrameVerdict::OK));
  monitor->tmrDrainTimer();
  EXPECT_EQ(Items("cbLink"), (QStringList{"Все линии", "COM1", "COM2"}));
  EXPECT_EQ(Items("cbAddress"), (QStringList{"Все адреса", "1", "7"}));
  EXPECT_EQ(Items("cbVerdict"), (QStringList{"Все", "OK", "CRC", "EXC", "TIMEOUT", "MISMATCH", "LATE"}));

  Choose("cbLink", QStringLiteral("COM2"));
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{3, 4}));
  Put(Frame(5, "COM1", 1));
  Put(Frame(6, "COM2", 7));
  Put(Frame(7, "COM3", 9));
  monitor->tmrDrainTimer();
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{3, 4, 6}));
  EXPECT_EQ(Items("cbLink").size(), 4);
  EXPECT_EQ(Items("cbLink")[3], QStringLiteral("COM3"));
  EXPECT_EQ(monitor->findChild<QComboBox*>(QStringLiteral("cbLink"))->currentText(), QStringLiteral("COM2"))
      << "a new link leaves the choice as it was";

  Choose("cbLink", QStringLiteral("Все линии"));
  Choose("cbAddress", QStringLiteral("1"));
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{1, 2, 5}));
  Choose("cbVerdict", QStringLiteral("CRC"));
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{2}));
  Choose("cbAddress", QStringLiteral("Все адреса"));
  Choose("cbVerdict", QStringLiteral("Все"));
  EXPECT_EQ(Rows(), 7);
}

TEST_F(TrafficMonitorTest, PauseHoldsNewFramesBackAndClearEmpties) {
  Put(Frame(1, "COM1", 1));
  monitor->tmrDrainTimer();
  auto* pause = monitor->findChild<QPushButton*>(QStringLiteral("btPause"));
  pause->click();
  for (std::int64_t time = 2; time <= 4; ++time) Put(Frame(time, "COM1", 1));
  monitor->tmrDrainTimer();
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{1})) << "the table stands still";
  EXPECT_EQ(monitor->Held(), 3u);
  pause->click();
  EXPECT_EQ(RowTimes(), (std::vector<std::int64_t>{1, 2, 3, 4})) << "nothing was lost";
  EXPECT_EQ(monitor->Held(), 0u);

  pause->click();
  Put(Frame(5, "COM1", 1));
  monitor->tmrDrainTimer();
  monitor->findChild<QPushButton*>(QStringLiteral("btClear"))->click();
  EXPECT_EQ(Rows(), 0);
  pause->click();
  EXPECT_EQ(Rows(), 0) << "what was held is cleared too";
}

TEST_F(TrafficMonitorTest, FollowsTheNewestRowOnlyFromTheBottom) {
  monitor->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(monitor.get()));
  for (std::int64_t time = 0; time < 100000; ++time) Put(Frame(time, "COM1", 1));
  monitor->tmrDrainTimer();
  ASSERT_EQ(Rows(), 100000);
  QTableView* table = monitor->Table();
  QScrollBar* bar = table->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum()) << "the newest row is in view";

  // An engineer reading older rows keeps them in view while the oldest rows leave at the top.
  bar->setValue(50000);
  const auto topFrame = [&] { return monitor->Log().Row(static_cast<std::size_t>(table->rowAt(0))).timeUs; };
  ASSERT_EQ(topFrame(), 50000);
  for (std::int64_t time = 100000; time < 101000; ++time) Put(Frame(time, "COM1", 1));
  monitor->tmrDrainTimer();
  EXPECT_EQ(Rows(), 100000) << "the last hundred thousand are kept";
  EXPECT_EQ(monitor->Log().Row(0).timeUs, 1000);
  EXPECT_EQ(topFrame(), 50000);

  bar->setValue(bar->maximum());
  Put(Frame(101000, "COM1", 1));
  monitor->tmrDrainTimer();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(monitor->Log().Row(static_cast<std::size_t>(table->rowAt(table->viewport()->height() - 2))).timeUs, 101000);
}

TEST_F(TrafficMonitorTest, SavesTheShownRowsAndTellsAFailedSave) {
  for (std::int64_t time = 1; time <= 6; ++time) Put(Frame(time, time % 2 == 0 ? "COM2" : "COM1", 1));
  monitor->tmrDrainTimer();
  Choose("cbLink", QStringLiteral("COM2"));
  QString proposed;
  QString answer = QString::fromStdString(dir / "saved.txt");
  monitor->ChooseSaveFile = [&](const QString& suggested) {
    proposed = suggested;
    return answer;
  };
  monitor->findChild<QPushButton*>(QStringLiteral("btSave"))->click();
  EXPECT_EQ(proposed.toStdString(), dir / "traffic.txt");
  std::string expected;
  for (std::size_t row = 0; row < 3; ++row) expected += TraceLine(monitor->Log().Row(row)) + "\n";
  EXPECT_EQ(FileBytes(dir / "saved.txt"), expected);
  EXPECT_TRUE(prompt.warnings.empty());

  answer = QString::fromStdString(dir / "missing/saved.txt");
  monitor->findChild<QPushButton*>(QStringLiteral("btSave"))->click();
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].second.rfind("Не удалось сохранить файл", 0), 0u) << prompt.warnings[0].second;
}

class MonitorButtonTest : public AppTest {};

TEST_F(MonitorButtonTest, OpensOneMonitorAndClosingItEndsTheTap) {
  auto window = std::make_unique<Tmain>(paths, hub);
  window->show();
  auto* button = Child<QToolButton>(*window, "btMonitor");
  EXPECT_EQ(window->Monitor(), nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  TrafficMonitor* monitor = window->Monitor();
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->isVisible());
  EXPECT_TRUE(hub.Traffic().Enabled());
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(window->Monitor(), monitor) << "one monitor per main window";

  monitor->close();
  ASSERT_TRUE(WaitUntil([&] { return window->Monitor() == nullptr; }));
  EXPECT_FALSE(hub.Traffic().Enabled());
}

}  // namespace
}  // namespace quillon::testing
