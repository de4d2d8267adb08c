// "Свойства осциллограммы" driven as the engineer drives it: the record's summary, picking and
// ordering the shown variables, applying and cancelling.
#include <QAbstractTextDocumentLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "app/scope/list_moves.h"
#include "app/scope/rec_property_dialog.h"
#include "app_fixture.h"
#include "scope/record_file.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"

namespace quillon::testing {
namespace {

using Entries = std::vector<std::string>;

const std::string kSpeed = "p1=Speed - Скорость";
const std::string kRun = "p2=Run - Пуск";
const std::string kTemp = "p3=Temp - Температура";

class RecPropertyTest : public AppTest {
 protected:
  // A record of 4 samples holding p1, p2 and p3, of which the window shows p1 and p3.
  void SetUp() override {
    WriteWindowsFile("501.ini", "[DEVICE]\nID=501 QT v2.1 2024-01-10\nLocation=Цех 3\nDescription=Насос 2\n");
    taken.Append(std::make_unique<TTimeMark>());
    std::uint8_t seed = 1;
    for (const char* line :
         {"p1=Speed/Скорость/TWORD/x0010/r0008/об/1/2/x0000/", "p2=Run/Пуск/TWORD/x0012/r0009/об/1/2/x0000/",
          "p3=Temp/Температура/TWORD/x0014/r000A/C/1/2/x0000/"}) {
      TView* variable = CreateVariable(line, "1/16/", image, taken);
      ASSERT_NE(variable, nullptr);
      std::vector<std::uint8_t> samples(4 * 2);
      for (auto& byte : samples) byte = seed++;
      variable->LoadSamples(samples, 4);
    }
    RecordHeader header{.DevicePath = dir / "501.ini"};
    ASSERT_EQ(WriteRecord(header, taken, 0, file, 3, prompt), 4);
    RecordHeader read;
    ASSERT_EQ(OpenRecord(file, shown, read), 4);
    shown.Variables.erase(shown.Variables.begin() + 2);
    ASSERT_TRUE(RewriteRecordHeader(read, shown, file, prompt));
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    return Child<Widget>(dialog, name);
  }
  QListWidget* List(const char* name) { return Find<QListWidget>(name); }
  void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
  static void Select(QListWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows) list->item(row)->setSelected(true);
  }

  // Runs the dialog with `steps` done by the user while it is open; a dialog the steps leave
  // open is cancelled.
  bool EditWith(const std::function<void()>& steps) {
    QTimer::singleShot(0, &dialog, [this, steps] {
      steps();
      if (dialog.isVisible()) dialog.reject();
    });
    return dialog.Edit(file, shown, 4);
  }

  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(64);
  std::string file = dir / "r.rec";
  TViewList taken;
  TViewList shown;
  TfmRecProperty dialog;
};

TEST_F(RecPropertyTest, ShowsTheSummaryAndBothListsAndEscapeChangesNothing) {
  const TView* speed = &shown[1];
  const bool applied = EditWith([this] {
    const QString info = Find<QPlainTextEdit>("mInfo")->toPlainText();
    EXPECT_TRUE(info.startsWith(QStringLiteral("Начало записи: ")));
    EXPECT_TRUE(
        info.endsWith(QStringLiteral("Место установки: Цех 3\nМеханизм: Насос 2\n"
                                     "Идентификатор устройства (ID): 501 QT v2.1 2024-01-10\n"
                                     "Количество точек: 4")))
        << info.toStdString();
    EXPECT_EQ(EntryTexts(List("lbSource")), (Entries{kSpeed, kRun, kTemp}));
    EXPECT_EQ(EntryTexts(List("lbDest")), (Entries{kSpeed, kTemp}));
    Select(List("lbDest"), {0});
    Click("btDel");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
  });
  EXPECT_FALSE(applied);
  ASSERT_EQ(shown.Count(), 3);
  EXPECT_EQ(&shown[1], speed);
}

TEST_F(RecPropertyTest, ChosenEntriesMoveAndApplyReloadsTheRecordInTheirOrder) {
  const bool applied = EditWith([this] {
    auto* source = List("lbSource");
    auto* dest = List("lbDest");
    // p2 is hidden in the record; the other two are shown already and are not added twice.
    Select(source, {2, 1, 0});
    QTest::keyClick(source, Qt::Key_Space);
    EXPECT_EQ(EntryTexts(dest), (Entries{kSpeed, kTemp, kRun}));
    Click("pnCopy");
    EXPECT_EQ(EntryTexts(dest), (Entries{kSpeed, kTemp, kRun}));

    Select(dest, {1, 2});
    QTest::keyClick(dest, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(EntryTexts(dest), (Entries{kTemp, kRun, kSpeed}));
    Click("btUp");
    EXPECT_EQ(EntryTexts(dest), (Entries{kTemp, kRun, kSpeed})) << "a block at the top stays";
    Select(dest, {0, 2});
    QTest::keyClick(dest, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(EntryTexts(dest), (Entries{kRun, kTemp, kSpeed}));
    Click("btDown");
    EXPECT_EQ(EntryTexts(dest), (Entries{kRun, kSpeed, kTemp})) << "the moved entry walks on";
    Select(dest, {1});
    Click("btDel");
    EXPECT_EQ(EntryTexts(dest), (Entries{kRun, kTemp}));
    QTest::keyClick(dest, Qt::Key_Return);
  });
  ASSERT_TRUE(applied);
  ASSERT_EQ(shown.Count(), 3);
  EXPECT_TRUE(shown[0].IsTimeMark());
  EXPECT_EQ(shown[1].Definition().Key + shown[2].Definition().Key, "p2p3");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(shown[1].SampleAt(i), taken[2].SampleAt(i)) << i;
    EXPECT_EQ(shown[2].SampleAt(i), taken[3].SampleAt(i)) << i;
  }
}

TEST_F(RecPropertyTest, SummaryIsWhollyInViewAndEnterThereApplies) {
  EXPECT_TRUE(EditWith([this] {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(50);
    auto* apply = Find<QPushButton>("pnApply");
    EXPECT_GE(apply->width(), apply->sizeHint().width());
    auto* copy = Find<QPushButton>("pnCopy");
    EXPECT_GT(copy->width(), copy->fontMetrics().horizontalAdvance(copy->text()));
    // The whole summary in view: nothing scrolled away, no line wrapped.
    auto* info = Find<QPlainTextEdit>("mInfo");
    EXPECT_FALSE(info->verticalScrollBar()->isVisible());
    EXPECT_EQ(info->document()->documentLayout()->documentSize().height(), 6);
    dialog.grab().save(QStringLiteral(QUILLON_BINARY_DIR "/rec_property.png"));
    info->setFocus();
    QTest::keyClick(info, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible()) << "Enter applies wherever the focus is";
  }));
}

}  // namespace
}  // namespace quillon::testing
