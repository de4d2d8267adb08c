// "Options" of the scope windows: what it reads at start, what "Применить" and cancelling do to
// the options and the window's grid flag, and what it writes back at the end.
#include "app/scope/link_window_options.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "app_fixture.h"

namespace quillon::testing {
namespace {

class LinkWindowOptionsTest : public AppTest {
 protected:
  template <typename Widget = QWidget>
  Widget* Find(const char* name) {
    return Child<Widget>(*dialog, name);
  }
  bool Checked(const char* name) { return Find<QCheckBox>(name)->isChecked(); }
  QString Shown(const char* name) { return Find<QLineEdit>(name)->text(); }

  // Runs the modal dialog; `actions` drive it once it is shown and must end it.
  bool EditWith(bool& grid, const std::function<void()>& actions) {
    QTimer::singleShot(0, dialog.get(), actions);
    return dialog->Edit(grid);
  }
  // On the indicator: a check box takes clicks only on its indicator and caption, and the
  // layout may make it wider than both.
  void Click(const char* name) {
    auto* button = Find<QAbstractButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  void Retype(const char* name, const char* text) {
    auto* field = Find(name);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromUtf8(text));
  }
  void Start() { dialog = std::make_unique<TfmLinkWindowOptions>(paths.SettingsFile()); }

  std::unique_ptr<TfmLinkWindowOptions> dialog;
  int applied = 0;
};

TEST_F(LinkWindowOptionsTest, ReadsDefaultsOnAFreshWorkspaceAndStoredValuesOtherwise) {
  Start();
  EXPECT_TRUE(dialog->Options().crcCheck);
  EXPECT_EQ(dialog->Options().traceMinutes, "60");
  EXPECT_EQ(dialog->Options().traceKilobytes, "1000");
  EXPECT_FALSE(dialog->Options().newFileByTime || dialog->Options().newFileBySize);
  EXPECT_TRUE(dialog->FastFrameEnd());
  EXPECT_TRUE(dialog->SilentInterval());

  WriteSettings(
      "TrasserTime=15\nTrasserFileSize=250\nTrasserTypeTime=0\nTrasserTypeFileSize=1\n"
      "ScopeCRC16Check=0\nFastFrameEnd=0\nSilentInterval=0\n");
  Start();
  bool grid = false;
  EditWith(grid, [&] {
    EXPECT_FALSE(Checked("cbGrid") || Checked("cbCRC16") || Checked("cbFastFrameEnd") || Checked("cbSilentInterval") ||
                 Checked("cbNewFileByTime"));
    EXPECT_TRUE(Checked("cbNewFileBySize"));
    EXPECT_EQ(Shown("edTraceMinutes"), QStringLiteral("15"));
    EXPECT_EQ(Shown("edTraceKilobytes"), QStringLiteral("250"));
    EXPECT_EQ(Find<QSpinBox>("edKeptFiles")->value(), kDefaultKeptTraceFiles);
    dialog->reject();
  });

  // Both limits set by hand: only one may hold.
  WriteSettings("TrasserTypeTime=1\nTrasserTypeFileSize=1\n");
  Start();
  EXPECT_TRUE(dialog->Options().newFileByTime);
  EXPECT_FALSE(dialog->Options().newFileBySize);
}

TEST_F(LinkWindowOptionsTest, ApplyTakesTheShownOptionsAndTheGridFlagAndStoreWritesThem) {
  Start();
  dialog->Applied = [this](const ScopeOptions& options, bool fastFrameEnd) {
    ++applied;
    EXPECT_EQ(options.keptOldFiles, 3);
    EXPECT_FALSE(fastFrameEnd);
  };
  bool grid = true;
  EXPECT_TRUE(EditWith(grid, [&] {
    EXPECT_TRUE(Checked("cbGrid"));
    for (const char* box : {"cbGrid", "cbCRC16", "cbFastFrameEnd", "cbSilentInterval", "cbNewFileByTime"}) Click(box);
    Retype("edTraceMinutes", "1a2-3");
    EXPECT_EQ(Shown("edTraceMinutes"), QStringLiteral("123"));
    Click("cbNewFileBySize");
    EXPECT_FALSE(Checked("cbNewFileByTime"));
    Retype("edTraceKilobytes", "2048");
    Retype("edKeptFiles", "3");
    Click("btApply");
  }));
  EXPECT_FALSE(grid);
  EXPECT_EQ(applied, 1);
  const ScopeOptions& options = dialog->Options();
  EXPECT_FALSE(options.grid || options.crcCheck || options.newFileByTime || dialog->FastFrameEnd());
  EXPECT_TRUE(options.newFileBySize);
  EXPECT_EQ(options.traceMinutes, "123");
  EXPECT_EQ(options.traceKilobytes, "2048");
  // Stored back as texts and flags.
  dialog->Store();
  const std::pair<const char*, const char*> stored[] = {
      {"TrasserTime", "123"},   {"TrasserFileSize", "2048"}, {"TrasserTypeTime", "0"}, {"TrasserTypeFileSize", "1"},
      {"ScopeCRC16Check", "0"}, {"FastFrameEnd", "0"},       {"SilentInterval", "0"}};
  for (const auto& [key, value] : stored) EXPECT_EQ(Setting(key), value) << key;

  // Neither limit is allowed too: one file for the whole trace.
  EXPECT_TRUE(EditWith(grid, [&] {
    Click("cbNewFileBySize");
    dialog->accept();
  }));
  EXPECT_FALSE(dialog->Options().newFileByTime || dialog->Options().newFileBySize);
}

TEST_F(LinkWindowOptionsTest, CancelTakesNothingAndEnterApplies) {
  Start();
  dialog->Applied = [this](const ScopeOptions&, bool) { ++applied; };
  bool grid = true;
  EXPECT_FALSE(EditWith(grid, [&] {
    Click("cbGrid");
    Click("cbCRC16");
    Retype("edTraceMinutes", "5");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
  }));
  EXPECT_TRUE(grid);
  EXPECT_TRUE(dialog->Options().crcCheck);
  EXPECT_EQ(dialog->Options().traceMinutes, "60");

  // The next opening shows the kept options, not what was typed before cancelling.
  EXPECT_FALSE(EditWith(grid, [&] {
    EXPECT_TRUE(Checked("cbCRC16"));
    EXPECT_EQ(Shown("edTraceMinutes"), QStringLiteral("60"));
    Click("btCancel");
  }));
  EXPECT_EQ(applied, 0);

  EXPECT_TRUE(EditWith(grid, [&] {
    Retype("edTraceMinutes", "30");
    QTest::keyClick(Find("edTraceMinutes"), Qt::Key_Return);
  }));
  EXPECT_EQ(dialog->Options().traceMinutes, "30");
  EXPECT_EQ(applied, 1);
}

TEST_F(LinkWindowOptionsTest, RendersWithoutCutTexts) {
  Start();
  dialog->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
  for (const char* name :
       {"cbGrid", "cbCRC16", "cbFastFrameEnd", "cbSilentInterval", "cbNewFileByTime", "cbNewFileBySize", "btApply",
        "btCancel", "lbMinutes", "lbKilobytes", "lbKeptFiles", "lbPieces"}) {
    EXPECT_GE(Find(name)->width(), Find(name)->sizeHint().width()) << name;
  }
  auto* minutes = Find<QLineEdit>("edTraceMinutes");
  EXPECT_GT(minutes->width(), minutes->fontMetrics().horizontalAdvance(QStringLiteral("9999999")));
}

}  // namespace
}  // namespace quillon::testing
