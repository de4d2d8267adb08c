// The player window against the simulator on a pseudo-terminal: the poll shows the player word,
// the commands change the simulator's word and the buttons follow it, a program is chosen from
// the card's list and applied, and a silent controller is counted on the page "Настройки".
#include "app/tools/tirel.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/tools/tirel_prog_select.h"
#include "modal_dialog.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;

class TirelTest : public ToolWindowTest<TfmTirel> {
 protected:
  void SetUp() override {
    WriteWindowsFile("Devices/TR/tirel.ini",
                     "[DEVICE]\nID=31 TR v1.0 2024-03-01\n[vars]\nInom=500\n[FLASH]\n"
                     "p1=K/Коэффициент/TWORD/x0100/r0080//1/2//0/x0001/\n[RAM]\n"
                     "r1=I/Ток/TWORD/x0200/r0100/А/Inom%1000/2//0/x0000/\n"
                     "r2=PLAYER/Плеер/TWORD/x0202/r0101//1/2//0/x0000/\n");
    fs::create_directories(dir / "card");
    std::ofstream(dir / "card/Заряд.prg") << "program";
  }
  void StartSim() {
    StartSimulator(paths.devices + "TR/tirel.ini", "SIM1",
                   {QStringLiteral("--card"), QString::fromStdString(dir / "card")});
  }

  void Open() {
    Show(std::make_unique<TfmTirel>(Context(), ToolLink("MODBUS RTU", "SIM1", paths.devices + "TR/tirel.ini")));
  }

  // Chooses `name` in the program dialog, from the card's list when it is there.
  void ChooseProgram(const QString& name) {
    auto chosen = WhenModal<TfmTirelProgSelect>([name](TfmTirelProgSelect& dialog) {
      dialog.findChild<QPushButton*>("btGetFilesList")->click();
      auto* files = dialog.findChild<QListWidget*>("lbFiles");
      WaitUntil([files] { return files->count() > 0; }, 5000);
      const auto found = files->findItems(name, Qt::MatchExactly);
      if (!found.isEmpty()) files->setCurrentItem(found.first());
      if (dialog.findChild<QLineEdit*>("edFileName")->text().isEmpty())
        dialog.findChild<QLineEdit*>("edFileName")->setText(name);
      dialog.findChild<QPushButton*>("btSelectFile")->click();
    });
    Find<QPushButton>("btSelectProg")->click();
    EXPECT_TRUE(*chosen);
  }

  // Several polls after now, so that the display shows the controller's answer to what went before.
  void Settle() {
    auto* count = Find<QLabel>("lbPakCnt");
    const int from = count->text().toInt();
    EXPECT_TRUE(WaitUntil([&] { return count->text().toInt() >= from + 5; }, 5000));
  }
};

TEST_F(TirelTest, ThePollShowsThePlayerAndTheCommandsDriveTheController) {
  StartSim();
  Open();
  auto* start = Find<QPushButton>("btSTARTProg");
  auto* repeat = Find<QPushButton>("sbRepAuto");
  auto* name = Find<QLabel>("pnFileName");
  ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lbErrCode")->text() == QStringLiteral("Связь установлена"); }));
  EXPECT_EQ(name->text(), QStringLiteral("?"));
  EXPECT_FALSE(Find<QPushButton>("btPAUSEProg")->isEnabled());

  // Without a program the controller does not play: the button goes up again with the poll.
  start->click();
  EXPECT_TRUE(start->isChecked());
  Settle();
  EXPECT_FALSE(start->isChecked());

  ChooseProgram(QStringLiteral("Заряд.prg"));
  EXPECT_EQ(name->text(), QStringLiteral("Заряд.prg"));
  ASSERT_TRUE(WaitUntil([&] { return Find<QPushButton>("btPAUSEProg")->isEnabled(); }));
  EXPECT_TRUE(prompt.warnings.empty());

  // Each command starts from the word as last polled, so the next waits for the poll.
  start->click();
  Settle();
  repeat->click();
  Settle();
  EXPECT_TRUE(start->isChecked());
  EXPECT_TRUE(repeat->isChecked());
  // The name stays while the controller reports the program selected.
  EXPECT_EQ(name->text(), QStringLiteral("Заряд.prg"));
  Find<QPushButton>("btPAUSEProg")->click();
  Settle();
  EXPECT_TRUE(Find<QPushButton>("btPAUSEProg")->isChecked());
  Find<QPushButton>("btSTOPProg")->click();
  Settle();
  EXPECT_FALSE(start->isChecked());
  EXPECT_FALSE(Find<QPushButton>("btPAUSEProg")->isChecked());
  EXPECT_TRUE(repeat->isChecked());
  EXPECT_EQ(Find<QLabel>("lbErrCnt")->text(), QStringLiteral("0"));
  // The drawing area shows the polled variables, each in a row of its own below the time marks.
  ASSERT_EQ(window->Variables().Count(), 3);
  EXPECT_TRUE(window->Variables().Item(0).IsTimeMark());

  // A controller that stops answering is counted about once a second.
  sim.Kill();
  // Its terminal number may go to another test's simulator; the port's name goes with it.
  std::filesystem::remove(paths.program + "Ports/SIM1");
  ASSERT_TRUE(WaitUntil(
      [&] { return Find<QLabel>("lbErrCode")->text() == QStringLiteral("Даные не корректны. Длина ответа."); }, 5000));
  EXPECT_GE(Find<QLabel>("lbErrCnt")->text().toInt(), 1);
}

TEST_F(TirelTest, AProgramTheCardLacksIsReportedAndGreysTheName) {
  StartSim();
  Open();
  ASSERT_TRUE(WaitUntil([&] { return Find<QLabel>("lbErrCode")->text() == QStringLiteral("Связь установлена"); }));
  ChooseProgram(QStringLiteral("нет.prg"));
  ASSERT_TRUE(WaitUntil([&] { return !prompt.warnings.empty(); }, 5000));
  EXPECT_EQ(prompt.warnings.back(), (std::pair<std::string, std::string>{"Quillon", "файл отсутствует!"}));
  EXPECT_FALSE(Find<QPushButton>("btSTARTProg")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("btPAUSEProg")->isEnabled());
  EXPECT_FALSE(Find<QLabel>("pnFileName")->isEnabled()) << "the name is drawn greyed";
}

}  // namespace
}  // namespace quillon::testing
