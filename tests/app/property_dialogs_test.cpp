// "Свойства параметра" and "Переменная" driven as the engineer drives them, and the places
// that open them: a double click in the parameter table and a scope row's popup menu.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/variables/pproperty_dialog.h"
#include "app/variables/universal_property_dialog.h"
#include "device_link_fixture.h"
#include "modal_dialog.h"
#include "scope_window_fixture.h"
#include "variables/registry.h"

namespace quillon::testing {
namespace {

class PropertyDialogTest : public AppTest {
 protected:
  void SetUp() override {
    list.AddScale("Inom=1500");
    list.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
    inom = Make("p1=Inom/Номинальный ток/TWORD/x0000/r0080/А/1/2//0/x05DC/");
    ilim = Make("p2=Ilim/Ограничение тока/TWORD/x0002/r0081/А/Inom%1000/2/Inom/1,5/x05DC/");
    tacc = Make("p3=Tacc/Время разгона/TWORD/x0004/r0082/с/0,1/2//0/x0032/", "0.01/40/0/");
    run = Make("p4=Run/Пуск/TBit/x0006/1/r0083.0/1/1/0/");
  }
  static std::string TextOf(const QWidget& dialog, const char* name) {
    return Child<QLineEdit>(dialog, name)->text().toStdString();
  }
  TView* Make(const char* line, std::string_view view = {}) {
    TView* made = CreateVariable(line, view, image, list);
    EXPECT_NE(made, nullptr) << line;
    return made;
  }
  void Choose(QComboBox* box, const QString& item) {
    const int index = box->findText(item);
    ASSERT_GE(index, 0) << item.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(16);
  TViewList list;
  TView* inom = nullptr;
  TView* ilim = nullptr;
  TView* tacc = nullptr;
  TView* run = nullptr;
};

TEST_F(PropertyDialogTest, ParameterPropertiesShowTheVariableAndApplyInPlace) {
  TPProperty dialog;
  dialog.Variable = ilim;
  dialog.show();
  EXPECT_EQ(TextOf(dialog, "edName"), "Ilim");
  EXPECT_TRUE(Child<QLineEdit>(dialog, "edName")->isReadOnly());
  EXPECT_EQ(TextOf(dialog, "edComments"), "Ограничение тока");
  EXPECT_EQ(Child<QLabel>(dialog, "stMsUnit")->text(), QStringLiteral("А"));
  auto* cbScale = Child<QComboBox>(dialog, "cbScale");
  ASSERT_EQ(cbScale->count(), 4);
  EXPECT_EQ(cbScale->currentText(), QStringLiteral("Inom%1000"));
  EXPECT_EQ(TextOf(dialog, "edScale"), "1,5");
  EXPECT_FALSE(cbScale->isEnabled()) << "a dependent variable takes its reference's scale";
  auto* cbIndep = Child<QComboBox>(dialog, "cbIndep");
  EXPECT_EQ(cbIndep->currentText(), QStringLiteral("Inom"));
  EXPECT_EQ(TextOf(dialog, "edIndep"), "x05DC = 1500 А");
  EXPECT_EQ(TextOf(dialog, "edIC"), "1,5");
  EXPECT_EQ(TextOf(dialog, "edSensCorrect"), "1");

  // The empty dependency item frees the scale; applying removes the dependency.
  Choose(cbIndep, QString());
  EXPECT_TRUE(cbScale->isEnabled());
  EXPECT_FALSE(Child<QLineEdit>(dialog, "edIC")->isEnabled());
  EXPECT_EQ(TextOf(dialog, "edIndep"), "");
  EXPECT_EQ(ilim->ColumnTextAt(1, ilim->History.Head()), "Ilim=1,5 Inom") << "nothing changes before apply";
  Choose(cbScale, QStringLiteral("Mode"));
  EXPECT_EQ(TextOf(dialog, "edScale"), "0.25");
  QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible()) << "applying leaves the dialog open";
  EXPECT_TRUE(dialog.Applied());
  EXPECT_EQ(ilim->Definition().DependsOn, "");
  EXPECT_EQ(ilim->ColumnTextAt(1, ilim->History.Head()), "Ilim");
  EXPECT_EQ(ilim->Definition().ScaleText, "Mode");
  EXPECT_FLOAT_EQ(ilim->Scale, 0.25f);

  // An unreadable scale is reported and changes nothing.
  Child<QLineEdit>(dialog, "edScale")->setText(QStringLiteral("0,2,5"));
  QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].first, "Предупреждение");
  EXPECT_NE(prompt.warnings[0].second.find("0,2,5"), std::string::npos);
  EXPECT_FLOAT_EQ(ilim->Scale, 0.25f);
}

TEST_F(PropertyDialogTest, ParameterPropertiesWithoutAVariableCloseAtOnce) {
  TPProperty dialog;
  bool stuck = false;
  QTimer::singleShot(3000, &dialog, [&] {
    stuck = true;
    dialog.done(QDialog::Accepted);
  });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_FALSE(stuck);
  EXPECT_FALSE(dialog.Applied());
}

TEST_F(PropertyDialogTest, VariableDialogKeepsTheMaximaInStepAndAppliesOnEnter) {
  TUniversalProperty dialog;
  dialog.Variable = tacc;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(TextOf(dialog, "NameEd"), "Tacc");
  EXPECT_EQ(Child<QPlainTextEdit>(dialog, "CommentMemo")->toPlainText(), QStringLiteral("Время разгона"));
  EXPECT_EQ(TextOf(dialog, "edScale"), "0,1");
  EXPECT_EQ(TextOf(dialog, "HeightEd"), "40");
  EXPECT_EQ(TextOf(dialog, "MaxEd"), "x0FA0");
  EXPECT_EQ(TextOf(dialog, "edMaxPhysical"), "400");
  EXPECT_EQ(Child<QLabel>(dialog, "stMeasUnit")->text(), QStringLiteral(",[ с ]"));

  auto* physical = Child<QLineEdit>(dialog, "edMaxPhysical");
  physical->selectAll();
  QTest::keyClicks(physical, "200");
  EXPECT_EQ(TextOf(dialog, "MaxEd"), "x07D0");
  QTest::keyClicks(physical, "q");
  EXPECT_EQ(TextOf(dialog, "MaxEd"), "x07D0") << "a text that does not read is left alone";
  QTest::keyClick(physical, Qt::Key_Backspace);
  auto* max = Child<QLineEdit>(dialog, "MaxEd");
  max->selectAll();
  QTest::keyClicks(max, "x07D");
  EXPECT_EQ(TextOf(dialog, "edMaxPhysical"), "12,5");
  QTest::keyClicks(max, "0");
  EXPECT_EQ(TextOf(dialog, "edMaxPhysical"), "200");

  EXPECT_DOUBLE_EQ(tacc->TrendGain, 0.01) << "nothing changes before the dialog is left";
  QTest::keyClick(physical, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(dialog.Accepted);
  EXPECT_DOUBLE_EQ(tacc->TrendGain, 0.02);
  EXPECT_EQ(tacc->RowHeight, 40);
}

TEST_F(PropertyDialogTest, AVariablePolledElsewhereChangesOnlyWhenItsGateLetsTheChangeThrough) {
  // A polling window's worker reads the row while it samples: the change waits for the gate.
  std::vector<std::function<void()>> waiting;
  TUniversalProperty dialog;
  dialog.Variable = tacc;
  dialog.Gate = [&waiting](std::function<void()> change) { waiting.push_back(std::move(change)); };
  dialog.show();
  Child<QLineEdit>(dialog, "HeightEd")->setText(QStringLiteral("60"));
  Child<QLineEdit>(dialog, "MaxEd")->setText(QStringLiteral("x0064"));
  QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
  EXPECT_TRUE(dialog.Accepted);
  EXPECT_EQ(tacc->RowHeight, 40) << "nothing changes before the gate opens";
  ASSERT_EQ(waiting.size(), 1u);
  waiting.front()();
  EXPECT_EQ(tacc->RowHeight, 60);
  EXPECT_DOUBLE_EQ(tacc->TrendGain, 0.6);
}

TEST_F(PropertyDialogTest, VariableDialogEscDropsAndFailuresKeepItOpen) {
  TUniversalProperty dialog;
  dialog.Variable = tacc;
  dialog.show();
  Child<QLineEdit>(dialog, "HeightEd")->setText(QStringLiteral("99"));
  QTest::keyClick(Child<QLineEdit>(dialog, "HeightEd"), Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.Accepted);
  EXPECT_EQ(tacc->RowHeight, 40);

  dialog.show();
  EXPECT_EQ(TextOf(dialog, "HeightEd"), "40") << "shown afresh";
  Child<QLineEdit>(dialog, "HeightEd")->setText(QStringLiteral("10"));
  Child<QLineEdit>(dialog, "MaxEd")->setText(QStringLiteral("x0000"));
  QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible()) << "the full scale can still be corrected";
  EXPECT_FALSE(dialog.Accepted);
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings[0].second, "Деление на ноль");
  EXPECT_EQ(tacc->RowHeight, 15) << "assigned before the full scale failed";
  EXPECT_DOUBLE_EQ(tacc->TrendGain, 0.01);

  Child<QLineEdit>(dialog, "MaxEd")->setText(QStringLiteral("x0064"));
  QTest::mouseClick(Child<QPushButton>(dialog, "btApplay"), Qt::LeftButton);
  EXPECT_TRUE(dialog.Accepted);
  EXPECT_DOUBLE_EQ(tacc->TrendGain, 0.15);

  TUniversalProperty bitDialog;
  bitDialog.Variable = run;
  bitDialog.show();
  EXPECT_FALSE(Child<QLineEdit>(bitDialog, "HeightEd")->isEnabled());
  Child<QLineEdit>(bitDialog, "edScale")->setText(QStringLiteral("5"));
  QTest::mouseClick(Child<QPushButton>(bitDialog, "btApplay"), Qt::LeftButton);
  EXPECT_TRUE(bitDialog.Accepted);
  EXPECT_FLOAT_EQ(run->Scale, 1.0f);
  EXPECT_EQ(run->RowHeight, 15);
}

class MainWindowPropertyTest : public DeviceLinkTest {};

TEST_F(MainWindowPropertyTest, DoubleClickOnARowOpensItsProperties) {
  window = StartWithCatalogue();
  OpenDeviceInTree();
  TTablePanel01* table = window->Table().Panel();
  table->PaintNow();
  EXPECT_EQ(Text(1, 1), "Ilim=1,5 Inom");
  QRect rect;
  ASSERT_TRUE(table->CellRect(Cell(1, 1), rect));

  std::string shownName;
  const auto opened = WhenModal<TPProperty>([&shownName](TPProperty& dialog) {
    shownName = dialog.findChild<QLineEdit*>(QStringLiteral("edName"))->text().toStdString();
    auto* reference = dialog.findChild<QComboBox*>(QStringLiteral("cbIndep"));
    reference->setCurrentIndex(0);
    emit reference->activated(0);
    dialog.btApplayClick();
    dialog.reject();
  });
  // A double click reaches the table as a click and then the double click.
  QTest::mouseClick(table, Qt::LeftButton, {}, rect.center());
  QTest::mouseDClick(table, Qt::LeftButton, {}, rect.center());
  ASSERT_TRUE(*opened);
  EXPECT_EQ(shownName, "Ilim");
  EXPECT_EQ(Text(1, 1), "Ilim") << "the table shows the change";
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

class ScopePropertyTest : public ScopeWindowTest {};

TEST_F(ScopePropertyTest, RowPopupOpensTheVariableDialogOnTheChosenRow) {
  TLinkWindowFm* window = Open(WriteScope("p.scp", "QuBUS", "FLASH", {"p1", "p2"}));
  ASSERT_NE(window, nullptr);
  auto* action = window->findChild<QAction*>(QStringLiteral("SPropMnItm"));
  ASSERT_NE(action, nullptr);
  // The second row, as a right click on it selects it.
  ASSERT_EQ(window->List().HitTest(25, window->List().TopIndex), &Var(*window, "Tdec"));

  std::string shownName;
  const auto opened = WhenModal<TUniversalProperty>([&shownName](TUniversalProperty& dialog) {
    shownName = dialog.findChild<QLineEdit*>(QStringLiteral("NameEd"))->text().toStdString();
    dialog.findChild<QLineEdit*>(QStringLiteral("HeightEd"))->setText(QStringLiteral("30"));
    dialog.findChild<QPushButton*>(QStringLiteral("btApplay"))->click();
  });
  action->trigger();
  ASSERT_TRUE(*opened);
  EXPECT_EQ(shownName, "Tdec");
  // The window polls: the change goes in once the poll is withdrawn, as a scale change does.
  EXPECT_TRUE(WaitUntil([&] { return Var(*window, "Tdec").RowHeight == 30; }, 3000));
  EXPECT_EQ(Var(*window, "Tacc").RowHeight, 20);
}

}  // namespace
}  // namespace quillon::testing
