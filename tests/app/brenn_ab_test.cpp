// The event recorder window against the simulator's card: statistics and events fetched and
// shown as described, the oscillogram around an event from the controller and from a file.
#include "app/tools/brenn_ab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/tools/form_change_counter.h"
#include "app/tools/form_limit.h"
#include "core/events/event_test_files.h"
#include "scope/record_file.h"
#include "support/file_bytes.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDevice =
    "[DEVICE]\nID=7 QT v1.0 2024-01-10\n[vars]\n[FLASH]\np1=Inom/Ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n"
    "[RAM]\nr1=I/Ток/TWORD/x0200/r0100/А/1/2//0/x0005/\nr2=U/Напряжение/TWORD/x0202/r0101/В/1/2//0/x0006/\n"
    "[STAT]\nStarts=0/1/0/Пуски\nTrips=0/2/0/Отключения\nHours=0/3/0/Наработка\n"
    "[EVENTS]\n1=Пуск/i/0/Двигатель/\n2=Авария/a/0/Защита/\n3=Перегрев/w/0/Датчик/\n";

class ScriptedBrennAB : public TfmBrennAB {
 public:
  using TfmBrennAB::TfmBrennAB;
  std::optional<std::string> dataPath;
  std::optional<std::string> iniPath;

 protected:
  std::optional<std::string> AskIniPath(const std::string&) override { return iniPath; }
  std::optional<std::string> AskDataPath(const std::string&, const QString&) override { return dataPath; }
};

class BrennABTest : public ToolWindowTest<ScriptedBrennAB> {
 protected:
  void SetUp() override {
    WriteWindowsFile("sim/dev.ini", kDevice);
    fs::create_directories(dir / "card");
    StartSimulator(dir / "sim/dev.ini", "SIM1",
                   {QStringLiteral("--card"), QString::fromStdString(dir / "card"), QStringLiteral("--verbose")});
    if (HasFatalFailure()) return;
    Show(std::make_unique<ScriptedBrennAB>(Context(), ToolLink("MODBUS RTU", "SIM1", dir / "sim/dev.ini")));
  }

  QStringList Row(QTableWidget* grid, int row) {
    QStringList texts;
    for (int column = 0; column < grid->columnCount(); ++column) texts << grid->item(row, column)->text();
    return texts;
  }

  void LoadEvents() {
    Find<QTabWidget>("pcPages")->setCurrentIndex(1);
    Find<QPushButton>("btEventRefresh")->click();
    auto* grid = Find<QTableWidget>("EventGrid");
    ASSERT_TRUE(WaitUntil([grid] { return grid->rowCount() > 0; }, 10000)) << prompt.warnings.size();
  }
};

TEST_F(BrennABTest, RefreshFetchesAndShowsStatisticsAndEventsAsDescribed) {
  EXPECT_EQ(Find<QLineEdit>("edDevFile")->text().toStdString(), dir / "sim/dev.ini");
  EXPECT_GE(window->minimumWidth(), 340);
  Find<QPushButton>("btStatReload")->click();
  auto* stat = Find<QTableWidget>("StatGrid");
  ASSERT_TRUE(WaitUntil([stat] { return stat->rowCount() == 3; }, 10000));
  // The last STAT line comes first and has the first value of the file.
  EXPECT_EQ(Row(stat, 0), (QStringList{"3", "Hours", "5", QStringLiteral("Наработка")}));
  EXPECT_EQ(Row(stat, 2), (QStringList{"1", "Starts", "153", QStringLiteral("Пуски")}));
  EXPECT_EQ(stat->item(0, 0)->background().color(), QColor(Qt::green));
  EXPECT_FALSE(Find<QPushButton>("btChangeCount")->isVisible());
  emit stat->cellPressed(1, 2);
  EXPECT_TRUE(Find<QPushButton>("btChangeCount")->isVisible());

  LoadEvents();
  auto* events = Find<QTableWidget>("EventGrid");
  // Six events of the three described codes; the empty records at the end are left out.
  ASSERT_EQ(events->rowCount(), 6);
  const QStringList first = Row(events, 0);
  EXPECT_EQ(first[0], "2");
  EXPECT_EQ(first[3], QStringLiteral("Двигатель"));
  EXPECT_EQ(first[4], QStringLiteral("Пуск=0"));
  EXPECT_EQ(events->item(0, 0)->background().color(), QColor(Qt::green));
  EXPECT_EQ(events->item(1, 0)->background().color(), QColor(Qt::red));
  EXPECT_EQ(events->item(2, 0)->background().color(), QColor(Qt::yellow));
  EXPECT_TRUE(prompt.warnings.empty()) << prompt.warnings.front().second;
}

TEST_F(BrennABTest, OscillogramAroundAnEventFromTheControllerAndADownloadCutAtTheFilesStart) {
  LoadEvents();
  Find<QPushButton>("btShowOSC")->click();
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings.back().second, "Не выбрана запись для просмотра.");

  emit Find<QTableWidget>("EventGrid")->cellPressed(2, 0);
  ASSERT_TRUE(Find<QPushButton>("btShowOSC")->isVisible());
  // Closing the limits without its button cancels.
  Find<QPushButton>("btShowOSC")->click();
  ASSERT_TRUE(window->FormLimit()->isVisible());
  window->FormLimit()->reject();
  QTest::qWait(300);
  EXPECT_TRUE(opened.empty());

  Find<QPushButton>("btShowOSC")->click();
  window->FormLimit()->findChild<QScrollBar*>("ScrollBarFirst")->setValue(40);
  EXPECT_EQ(window->FormLimit()->findChild<QLineEdit*>("EditFirst")->text(), "40");
  window->FormLimit()->findChild<QPushButton*>("ButtonShowOSC")->click();
  ASSERT_TRUE(WaitUntil([this] { return !opened.empty(); }, 30000)) << prompt.warnings.size();
  EXPECT_EQ(window->OscRate(), 10);
  EXPECT_EQ(opened.front(), paths.records + "OSC.rec");
  // 40 s before and 30 s after at 10 records a second: 700 records, position 0 before them.
  EXPECT_EQ(fs::file_size(paths.EventsAndStats() + "OSC.dat"), 700u * 140);
  TViewList list;
  EXPECT_EQ(ReloadRecordVariables(opened.front(), list), 700) << "only real samples, no empty first one";
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(prompt.warnings.size(), 1u);

  // The simulator's events lie 30 to 60 s into its file: a minute before any of them, less the
  // last, reaches back past the file's start, and the window says how much it got.
  opened.clear();
  emit Find<QTableWidget>("EventGrid")->cellPressed(0, 0);
  Find<QPushButton>("btShowOSC")->click();
  window->FormLimit()->findChild<QScrollBar*>("ScrollBarFirst")->setValue(60);
  window->FormLimit()->findChild<QPushButton*>("ButtonShowOSC")->click();
  ASSERT_TRUE(WaitUntil([this] { return !opened.empty(); }, 30000)) << prompt.warnings.size();
  ASSERT_FALSE(prompt.warnings.empty());
  const std::string& said = prompt.warnings.back().second;
  EXPECT_EQ(said.rfind("Осциллограмма сокращена: до события записано только ", 0), 0u) << said;
  EXPECT_TRUE(said.ends_with(" с")) << said;
}

TEST_F(BrennABTest, OscillogramAroundAnEventFromAFileAndAChangedDeviceFile) {
  LoadEvents();
  emit Find<QTableWidget>("EventGrid")->cellPressed(0, 0);
  window->dataPath = dir / "card/OSC.dat";
  Find<QPushButton>("btShowOSCFromFile")->click();
  ASSERT_TRUE(window->FormLimit()->isVisible());
  window->FormLimit()->findChild<QPushButton*>("ButtonShowOSC")->click();
  ASSERT_EQ(opened.size(), 1u);
  TViewList list;
  // 30 s both ways: ten steps of 30 records each way, only real samples.
  EXPECT_EQ(ReloadRecordVariables(opened.front(), list), 600);

  window->iniPath = dir / "other.ini";
  Find<QPushButton>("btChangeIni")->click();
  EXPECT_EQ(window->DeviceFile(), dir / "other.ini");
  ASSERT_FALSE(prompt.warnings.empty());
  EXPECT_EQ(prompt.warnings.back().second,
            "Файл устройства изменён не другой\nЗаново загрузите файлы:\n-статистики (страница \"Статистика\")\n"
            "-событий (страница \"Регистратор\")");
  emit Find<QTableWidget>("EventGrid")->cellPressed(3, 0);
  ASSERT_TRUE(Find<QPushButton>("btShowOSC")->isVisible());
  window->dataPath = paths.EventsAndStats() + "event.edat";
  Find<QPushButton>("btOpenEventFile")->click();
  EXPECT_EQ(prompt.warnings.back().second, "Файл ini для описания событий отсутствует");
  EXPECT_EQ(Find<QTableWidget>("EventGrid")->rowCount(), 6) << "the grid stays as it was";
  // No event stays chosen after a failed open: "Просмотреть" asks for one again.
  EXPECT_FALSE(Find<QPushButton>("btShowOSC")->isVisible());
  EXPECT_FALSE(Find<QPushButton>("btShowOSCFromFile")->isVisible());
  Find<QPushButton>("btShowOSC")->click();
  EXPECT_EQ(prompt.warnings.back().second, "Не выбрана запись для просмотра.");
}

// Files from site are not always whole: a cut event file, a damaged oscillogram record and a
// position counter that jumps must leave the window working, never crash it.
TEST_F(BrennABTest, DamagedFilesShowWhatReadsAndNothingBreaks) {
  const auto WriteFileBytes = [](const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  };
  LoadEvents();
  auto* grid = Find<QTableWidget>("EventGrid");
  const int whole = grid->rowCount();
  std::string events = FileBytes(paths.EventsAndStats() + "event.edat");
  ASSERT_GE(events.size(), 32u);
  ASSERT_EQ(events.size() % 16, 0u);
  // The same file without its last record, then with 7 of its 16 bytes: the partial record is
  // ignored and every whole one before it shows.
  WriteFileBytes(dir / "whole.edat", events.substr(0, events.size() - 16));
  window->dataPath = dir / "whole.edat";
  Find<QPushButton>("btOpenEventFile")->click();
  const int before = grid->rowCount();
  EXPECT_GT(before, 0);
  WriteFileBytes(dir / "cut.edat", events.substr(0, events.size() - 9));
  window->dataPath = dir / "cut.edat";
  Find<QPushButton>("btOpenEventFile")->click();
  const int shown = grid->rowCount();
  EXPECT_EQ(shown, before);
  EXPECT_LE(shown, whole);

  // The oscillogram around the first event, first from the intact copy, then from one with
  // every third record damaged and a jump in the position counter: the damaged records are left
  // out, nothing else is, and no message is needed.
  const auto ShowOscFrom = [&](const std::string& path) -> int {
    window->dataPath = path;
    emit grid->cellPressed(0, 0);
    Find<QPushButton>("btShowOSCFromFile")->click();
    EXPECT_TRUE(window->FormLimit()->isVisible());
    window->FormLimit()->findChild<QPushButton*>("ButtonShowOSC")->click();
    if (opened.empty()) return -1;
    TViewList record;
    return ReloadRecordVariables(opened.back(), record);
  };
  const int intact = ShowOscFrom(dir / "card/OSC.dat");
  ASSERT_GT(intact, 30);
  std::string osc = FileBytes(dir / "card/OSC.dat");
  ASSERT_GE(osc.size(), 140u * 30);
  for (std::size_t at = 140 * 5 + 70; at < osc.size(); at += 140 * 3) osc[at] = static_cast<char>(osc[at] ^ 0x5A);
  osc[140 * 10] = static_cast<char>(0xFF);
  osc[140 * 10 + 1] = static_cast<char>(0x7F);
  WriteFileBytes(dir / "bad.dat", osc);
  const int damaged = ShowOscFrom(dir / "bad.dat");
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_TRUE(prompt.warnings.empty()) << prompt.warnings.front().second;
  EXPECT_NEAR(damaged, intact * 2 / 3, 2) << "every third record left out, no other";
  window->dataPath = dir / "cut.edat";
  Find<QPushButton>("btOpenEventFile")->click();
  EXPECT_EQ(grid->rowCount(), shown);
}

TEST_F(BrennABTest, CounterChangeSendsTheValueAndAFailedDownloadShowsNoEarlierFile) {
  Find<QPushButton>("btStatReload")->click();
  auto* stat = Find<QTableWidget>("StatGrid");
  ASSERT_TRUE(WaitUntil([stat] { return stat->rowCount() == 3; }, 10000));
  emit stat->cellPressed(0, 0);
  Find<QPushButton>("btChangeCount")->click();
  TFormChangeCounter* dialog = window->FormChangeCounter();
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->findChild<QLabel*>("LabelName")->text(), "Hours");
  EXPECT_EQ(dialog->findChild<QLineEdit*>("EditCount")->text(), "5");
  dialog->findChild<QLineEdit*>("EditCount")->setText("x");
  dialog->findChild<QPushButton*>("ButtonNewCount")->click();
  EXPECT_TRUE(dialog->isVisible()) << "no number, nothing sent";
  dialog->findChild<QLineEdit*>("EditCount")->setText("123456");
  dialog->findChild<QPushButton*>("ButtonNewCount")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->Value(), 123456u);
  // The controller received the value in its two registers, high word first.
  EXPECT_TRUE(WaitUntil([this] { return sim.ErrorOutput().contains(QStringLiteral("counter value 123456")); }))
      << sim.ErrorOutput().toStdString();

  // A download that fails leaves no earlier copy on show as this controller's statistics.
  ASSERT_TRUE(fs::exists(paths.EventsAndStats() + "stat.dat"));
  prompt.warnings.clear();
  fs::remove(dir / "card/stat.dat");
  Find<QPushButton>("btStatReload")->click();
  ASSERT_TRUE(WaitUntil([this] { return !prompt.warnings.empty(); }, 10000));
  EXPECT_EQ(prompt.warnings.front().second, "файл не найден на microSD!");
  EXPECT_EQ(stat->rowCount(), 0) << "the copy of the earlier download is not this answer";
}

// The statistics page on a file of the engineer's choosing, no controller needed: a file that
// does not hold one value per STAT entry is said so in the page's status line, not shown silently.
class BrennABStatWarningTest : public ToolWindowTest<ScriptedBrennAB> {
 protected:
  void SetUp() override {
    WriteWindowsFile("dev.ini",
                     "[DEVICE]\nID=7 QT v1.0 2024-01-10\n[STAT]\nStarts=0/1/0/Пуски\nTrips=0/2/0/Отключения\n"
                     "Hours=0/3/0/Наработка\nCycles=0/4/0/Циклы\n");
    window = std::make_unique<ScriptedBrennAB>(Context(), ToolLink("MODBUS RTU", "NONE", dir / "dev.ini"));
  }

  // Opens a statistics file of `values` counters as the engineer does, with "Открыть файл".
  QString Open(std::size_t values) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < values; ++i) AppendU32(bytes, static_cast<std::uint32_t>(i + 1));
    WriteBytes(dir / "stat.bak", bytes);
    window->dataPath = dir / "stat.bak";
    window->findChild<QPushButton*>(QStringLiteral("btLoadStatFromFile"))->click();
    return window->findChild<QLabel*>(QStringLiteral("pnErrStr"))->text();
  }
};

TEST_F(BrennABStatWarningTest, AFileOfOtherThanOneValuePerEntryIsToldInTheStatusLine) {
  EXPECT_EQ(Open(1), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 1, "
                                    "описано в секции STAT: 4"));
  auto* grid = window->findChild<QTableWidget*>(QStringLiteral("StatGrid"));
  EXPECT_EQ(grid->rowCount(), 4) << "every counter described is still shown";
  EXPECT_EQ(Open(1003), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 1003, "
                                       "описано в секции STAT: 4"));
  EXPECT_EQ(Open(0), QStringLiteral("Файл статистики не совпадает с описанием: значений в файле: 0, "
                                    "описано в секции STAT: 4"));
  EXPECT_EQ(Open(4), QString()) << "a file that fits clears the warning of the one before";
  EXPECT_TRUE(prompt.warnings.empty());
}

// The oscillogram span dialog: what the edits show is what the button takes, whether the bar was
// moved or a number typed.
void Type(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

TEST(FormLimitTest, TheEditsShowTheBarsAndTypedNumbersWithinTheirRangesMoveThem) {
  TFormLimit dialog;
  auto* first = dialog.findChild<QLineEdit*>(QStringLiteral("EditFirst"));
  auto* last = dialog.findChild<QLineEdit*>(QStringLiteral("EditLast"));
  auto* firstBar = dialog.findChild<QScrollBar*>(QStringLiteral("ScrollBarFirst"));
  auto* lastBar = dialog.findChild<QScrollBar*>(QStringLiteral("ScrollBarLast"));
  ASSERT_TRUE(first && last && firstBar && lastBar);
  EXPECT_EQ(first->text(), QStringLiteral("30"));
  EXPECT_EQ(last->text(), QStringLiteral("30"));

  Type(first, QStringLiteral("45"));
  EXPECT_EQ(firstBar->value(), 45);
  Type(last, QStringLiteral("200"));  // beyond the bar's 120
  EXPECT_EQ(lastBar->value(), 30);
  lastBar->setValue(90);
  EXPECT_EQ(last->text(), QStringLiteral("90"));
  Type(last, QStringLiteral("abc"));
  dialog.findChild<QPushButton*>(QStringLiteral("ButtonShowOSC"))->click();
  EXPECT_EQ(dialog.SecondsBefore(), 45);
  EXPECT_EQ(dialog.SecondsAfter(), 90);
  EXPECT_EQ(last->text(), QStringLiteral("90")) << "what was not a number gives way to the bar";
}

}  // namespace
}  // namespace quillon::testing
