// The oscillogram span dialog: what the edits show is what the button takes, whether the bar was
// moved or a number typed.
#include "app/tools/form_limit.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace quillon::testing {
namespace {

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
