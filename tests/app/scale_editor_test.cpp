// The scale editor driven as the engineer drives it: numbers typed in place, options chosen,
// apply, save and cancel, scrolling, and the buttons that open it in the main window and the
// scope windows.
#include "app/variables/scale_editor.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

#include "app/scope/window_property_dialog.h"
#include "app/widgets/coll_edit.h"
#include "app/widgets/table_panel01.h"
#include "device_link_fixture.h"
#include "modal_dialog.h"
#include "platform/profile.h"
#include "scope_window_fixture.h"
#include "variables/registry.h"

namespace quillon::testing {
namespace {

class ScaleEditorTest : public AppTest {
 protected:
  void SetUp() override {
    WriteWindowsFile("Devices/SE/1.ini",
                     "[DEVICE]\nID=1 SE v1 2024-01-01\n[vars]\nInom=1500\n"
                     "Mode=1#slow#0.5/2#fast#0.25/2/\n[FLASH]\n");
    devicePath = paths.devices + "SE/1.ini";
    list.Path = devicePath;
    list.AddScale("Inom=1500");
    list.AddScale("Mode=1#slow#0.5/2#fast#0.25/2/");
    current = CreateVariable("p1=I/Ток/TWORD/x0000/r0000/А/Inom%1000/2//0/x03E8/", {}, image, list);
    tick = CreateVariable("p2=T/Такт/TWORD/x0002/r0001/с/Mode/2//0/x0001/", {}, image, list);
    image[0] = 0xE8;  // 1000
    image[1] = 0x03;
    current->TakeSample();
  }

  void Show() {
    editor.SetList(list);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    editor.Table()->PaintNow();
  }
  std::string Cell(int row) {
    TTableItem* cell = editor.ValueCell(row);
    if (cell == nullptr) return "<no row>";
    cell->RefreshCaption();
    return cell->Caption();
  }
  void ClickValue(int row) {
    QRect rect;
    ASSERT_TRUE(editor.Table()->CellRect(*editor.ValueCell(row), rect));
    QTest::mouseClick(editor.Table(), Qt::LeftButton, {}, rect.center());
  }
  void Click(const char* button) {
    QTest::mouseClick(editor.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
  }

  std::string devicePath;
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(16);
  TViewList list;
  TView* current = nullptr;
  TView* tick = nullptr;
  TScaleEditor editor;
};

TEST_F(ScaleEditorTest, TypedNumberAppliesToTheVariablesButNotToTheFile) {
  Show();
  EXPECT_EQ(editor.findChild<QScrollBar*>(QStringLiteral("ScrollBar1"))->maximum(), 2);
  EXPECT_EQ(Cell(0), "fast") << "the last line comes first";
  EXPECT_EQ(Cell(1), "1500");
  EXPECT_EQ(current->ValueTextAt(current->History.Head(), true, 4), "1500");

  ClickValue(1);
  TCollEdit* edit = editor.NumberEditor();
  ASSERT_TRUE(edit->isVisible());
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("1500"));
  edit->selectAll();
  QTest::keyClicks(edit, "2 000 A");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("2000A")) << "only what can be part of a number";
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(Cell(1), "2000") << "the cell follows the typing";

  const std::string before = FileBytes(devicePath);
  Click("btApply");
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_FALSE(editor.isVisible());
  EXPECT_EQ(list.Scales.Lines, (std::vector<std::string>{"Inom=2000", "Mode=1#slow#0.5/2#fast#0.25/2/"}));
  EXPECT_EQ(current->ValueTextAt(current->History.Head(), true, 4), "2000") << "a third larger";
  EXPECT_EQ(FileBytes(devicePath), before);
}

TEST_F(ScaleEditorTest, ChosenOptionIsSavedToTheDeviceFile) {
  Show();
  ClickValue(0);
  QComboBox* choice = editor.ChoiceEditor();
  ASSERT_TRUE(choice->isVisible());
  ASSERT_EQ(choice->count(), 2);
  EXPECT_EQ(choice->itemText(0), QStringLiteral("1 slow 0.5"));
  EXPECT_EQ(choice->itemText(1), QStringLiteral("2 fast 0.25"));
  EXPECT_EQ(choice->currentText(), QStringLiteral("2 fast 0.25"));
  choice->setCurrentIndex(0);
  emit choice->activated(0);
  EXPECT_FALSE(choice->isVisible());
  EXPECT_EQ(Cell(0), "slow");
  EXPECT_FLOAT_EQ(tick->Scale, 0.25f) << "nothing changes before apply";

  Click("btSave");
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_FLOAT_EQ(tick->Scale, 0.5f);
  EXPECT_EQ(ProfileKeyNames(devicePath, "vars"), (std::vector<std::string>{"Inom", "Mode"}));
  EXPECT_EQ(ReadProfileString(devicePath, "vars", "Mode", ""), "1#slow#0.5/2#fast#0.25/1/");
  EXPECT_EQ(ReadProfileString(devicePath, "DEVICE", "ID", ""), "1 SE v1 2024-01-01");
}

TEST_F(ScaleEditorTest, TheChosenOptionReadsBlackOnYellowAndNoOptionIsCut) {
  const std::string longest = "x02 Частотный пуск Через преобразователь частоты с плавным разгоном";
  list.Scales.SetValue("Mode",
                       "x00#Прямой пуск/x02#Частотный пуск#Через преобразователь частоты с плавным разгоном/x00/");
  Show();
  ClickValue(0);
  QComboBox* choice = editor.ChoiceEditor();
  ASSERT_TRUE(choice->isVisible());
  ASSERT_TRUE(choice->hasFocus());
  // The focused box: dark text on yellow, never white.
  const QImage shown = choice->grab().toImage();
  int yellow = 0, dark = 0, white = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      const QColor c = shown.pixelColor(x, y);
      if (c.red() > 230 && c.green() > 230 && c.blue() < 60) ++yellow;
      if (c.lightness() < 80) ++dark;
      if (c.red() > 230 && c.green() > 230 && c.blue() > 230) ++white;
    }
  }
  EXPECT_GT(yellow, shown.width() * shown.height() / 2);
  EXPECT_GT(dark, 10) << "the text shows";
  EXPECT_EQ(white, 0) << "no white text on the yellow";
  // The popup is as wide as its longest option, which it shows whole.
  const int index =
      choice->findText(QString::fromStdString(longest.substr(0, longest.find(' ') + 1)), Qt::MatchStartsWith);
  ASSERT_GE(index, 0);
  EXPECT_EQ(choice->view()->textElideMode(), Qt::ElideNone);
  EXPECT_GE(choice->view()->minimumWidth(), choice->view()->fontMetrics().horizontalAdvance(choice->itemText(index)));
  EXPECT_GT(choice->view()->minimumWidth(), choice->width());
}

TEST_F(ScaleEditorTest, CancelLeavesTheScaleTableAsItWas) {
  Show();
  ClickValue(1);
  editor.NumberEditor()->selectAll();
  QTest::keyClicks(editor.NumberEditor(), "7");
  ClickValue(0);
  EXPECT_FALSE(editor.NumberEditor()->isVisible()) << "one editor at a time";
  emit editor.ChoiceEditor()->activated(0);
  Click("btCancel");
  EXPECT_EQ(editor.result(), QDialog::Rejected);
  EXPECT_EQ(list.Scales.Lines, (std::vector<std::string>{"Inom=1500", "Mode=1#slow#0.5/2#fast#0.25/2/"}));
  EXPECT_FLOAT_EQ(current->Scale, 1.5f);
  EXPECT_FLOAT_EQ(tick->Scale, 0.25f);
}

TEST_F(ScaleEditorTest, EditorStaysOverItsCellWhileTheTableScrolls) {
  list.Scales.Clear();
  for (int i = 0; i < 40; ++i) list.AddScale("N" + std::to_string(i) + "=" + std::to_string(i));
  Show();
  auto* scroll = editor.findChild<QScrollBar*>(QStringLiteral("ScrollBar1"));
  EXPECT_EQ(scroll->maximum(), 40);
  TTablePanel01* table = editor.Table();
  ASSERT_LT(table->VisibleRowCount(), 35);

  ClickValue(2);
  TCollEdit* edit = editor.NumberEditor();
  ASSERT_TRUE(edit->isVisible());
  const int firstTop = edit->y();
  scroll->setValue(1);
  table->PaintNow();
  EXPECT_EQ(table->Position(), 1);
  EXPECT_TRUE(edit->isVisible());
  EXPECT_EQ(edit->y(), firstTop - kCellHeight) << "moved with its cell";
  scroll->setValue(5);
  table->PaintNow();
  EXPECT_FALSE(edit->isVisible()) << "its row is out of sight";

  // The wheel over the table moves the scroll bar too.
  QWheelEvent wheel(QPointF(20, 40), table->mapToGlobal(QPointF(20, 40)), {}, QPoint(0, 120), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(table, &wheel);
  EXPECT_EQ(scroll->value(), 4);
  scroll->setValue(0);
  table->PaintNow();
  EXPECT_TRUE(edit->isVisible()) << "back with its row";
  EXPECT_EQ(edit->y(), firstTop);
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClicks(edit, "9");
  EXPECT_EQ(editor.Rows()[2].Keys.front(), "379") << "row 2 holds the line N37";
}

class MainWindowScaleTest : public DeviceLinkTest {};

TEST_F(MainWindowScaleTest, ScaleButtonEditsTheOpenDeviceAndRedrawsTheTable) {
  window = StartWithCatalogue();
  auto* button = Child<QPushButton>(*window, "btChangeScale");
  EXPECT_FALSE(button->isEnabled()) << "no device open";
  OpenDeviceInTree();
  ASSERT_TRUE(button->isEnabled());
  EXPECT_EQ(Text(0, kBasePhysicalKind), "100");
  EXPECT_EQ(Text(4, kBasePhysicalKind), "Пуск");
  const std::string before = FileBytes(devicePath);

  const auto edited = WhenModal<TScaleEditor>([](TScaleEditor& editor) {
    editor.Table()->PaintNow();
    editor.tpScalesClickItem(*editor.ValueCell(1));  // Inom
    editor.NumberEditor()->selectAll();
    QTest::keyClicks(editor.NumberEditor(), "200");
    editor.tpScalesClickItem(*editor.ValueCell(0));  // Mode
    emit editor.ChoiceEditor()->activated(0);        // x00 Стоп
    editor.btApplyClick();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(*edited);
  EXPECT_EQ(Text(0, kBasePhysicalKind), "200");
  EXPECT_EQ(Text(1, kBasePhysicalKind), "300") << "Ilim follows Inom";
  EXPECT_EQ(Text(4, kBasePhysicalKind), "Стоп") << "the list follows its choice line";
  EXPECT_EQ(FileBytes(devicePath), before) << "applied, not saved";
  EXPECT_TRUE(Child<QPushButton>(*window, "btSaveBase")->isEnabled());
}

class ScopeScaleTest : public ScopeWindowTest {};

// "Переменные" of the window's property dialog edits the window's own scale list (the scale
// button's way in is taken by the tracing test below).
TEST_F(ScopeScaleTest, VariablesButtonEditsTheWindowsScales) {
  TLinkWindowFm* window = Open(WriteScope("s.scp", "QuBUS", "FLASH", {"p1", "p2"}));
  ASSERT_NE(window, nullptr);
  bool fromProperties = false;
  const auto opened = WhenModal<TWindowProperty>([&fromProperties](TWindowProperty& dialog) {
    const auto nested = WhenModal<TScaleEditor>([](TScaleEditor& editor) {
      editor.Table()->PaintNow();
      editor.tpScalesClickItem(*editor.ValueCell(0));
      editor.NumberEditor()->selectAll();
      QTest::keyClicks(editor.NumberEditor(), "250");
      editor.btApplyClick();
    });
    dialog.findChild<QPushButton*>(QStringLiteral("btVariables"))->click();
    fromProperties = *nested;
    dialog.reject();
  });
  window->WinPropMnClick();
  ASSERT_TRUE(*opened);
  EXPECT_TRUE(fromProperties);
  // Applied once the (failed) poll is out of the link workers.
  EXPECT_TRUE(WaitUntil([&] { return window->List().Scales.Lines == std::vector<std::string>{"Inom=250"}; }));
}

TEST_F(ScopeScaleTest, ScalesChangedWhileTracingReachTheTraceBetweenTwoSamples) {
  // Tacc scaled by Inom: its trace value tells which scale the worker read.
  std::string device = kScopeDevice;
  const std::string plain = "x0100/r0080/с/1/";
  device.replace(device.find(plain), plain.size(), "x0100/r0080/с/Inom/");
  WriteWindowsFile("Devices/SC/601.ini", device);
  StartSim();
  TLinkWindowFm* window = Open(WriteScope("t.scp", "QuBUS", "FLASH", {"p1"}));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(MoreSamples(*window, 20));
  auto* trace = window->findChild<QToolButton*>(QStringLiteral("btTraceControl"));
  trace->click();
  ASSERT_TRUE(MoreSamples(*window, 50));

  auto edited = WhenModal<TScaleEditor>([](TScaleEditor& editor) {
    editor.Table()->PaintNow();
    editor.tpScalesClickItem(*editor.ValueCell(0));
    editor.NumberEditor()->selectAll();
    QTest::keyClicks(editor.NumberEditor(), "250");
    editor.btApplyClick();
  });
  window->findChild<QToolButton*>(QStringLiteral("btScale"))->click();
  ASSERT_TRUE(*edited);
  ASSERT_TRUE(WaitUntil([&] { return window->List().Scales.Lines == std::vector<std::string>{"Inom=250"}; }));
  ASSERT_TRUE(MoreSamples(*window, 50)) << "polling goes on after the change";
  trace->click();

  // 0x1234 × 100, then × 250: every line one or the other, never back.
  const std::string text = FileBytes(paths.trace + "!.trc");
  std::size_t before = 0;
  std::size_t after = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(at, end - at);
    if (line == "466000;") {
      ASSERT_EQ(after, 0u) << "an old value after the change";
      ++before;
    } else {
      ASSERT_EQ(line, "1165000;");
      ++after;
    }
    at = end + 2;
  }
  EXPECT_GE(before, 50u);
  EXPECT_GE(after, 50u);
}

}  // namespace
}  // namespace quillon::testing
