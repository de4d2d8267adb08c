#include "app/widgets/coll_edit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QStyle>
#include <QTextCursor>
#include <algorithm>

#include "text/items.h"

namespace quillon {

namespace {

QString NumberCharsOnly(const QString& text) {
  std::string kept = text.toStdString();
  KeepNumberChars(kept);
  return QString::fromStdString(kept);
}

}  // namespace

// The editor keeps the yellow that marks the cell being edited, whatever the desktop's colours;
// its text is black, which reads on yellow where a dark theme's light text would not.
void StyleInPlaceEditor(QWidget* editor) {
  editor->setStyleSheet(
      QStringLiteral("background-color: yellow; color: black; border: none; padding: 0px; margin: 0px;"));
}

void StyleInPlaceChoice(QComboBox* choice) {
  choice->setStyleSheet(
      QStringLiteral("QComboBox { background-color: yellow; color: black; selection-background-color: yellow;"
                     " selection-color: black; border: none; padding: 0px 2px; margin: 0px; }"
                     "QComboBox QAbstractItemView { background-color: palette(base); color: palette(text);"
                     " selection-background-color: palette(highlight); selection-color: palette(highlighted-text); }"));
  choice->view()->setTextElideMode(Qt::ElideNone);
}

void WidenChoicePopup(QComboBox* choice) {
  QAbstractItemView* view = choice->view();
  int widest = 0;
  for (int i = 0; i < choice->count(); ++i) {
    widest = std::max(widest, view->fontMetrics().horizontalAdvance(choice->itemText(i)));
  }
  // Room for the item's margins and a scroll bar that a long list may show.
  const int room = 4 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) +
                   view->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * view->frameWidth() + 8;
  view->setMinimumWidth(widest + room);
}

TCollEdit::TCollEdit(QWidget* parent) : QTextEdit(parent) {
  setObjectName(QStringLiteral("CollEdit"));
  setAcceptRichText(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  document()->setDocumentMargin(0);
  StyleInPlaceEditor(this);
  hide();
  connect(this, &QTextEdit::textChanged, this, &TCollEdit::TextChanged);
}

void TCollEdit::Open(const QRect& geometry, const QString& text) {
  settingText_ = true;
  setPlainText(text);
  selectAll();
  setAlignment(Qt::AlignRight);
  settingText_ = false;
  setGeometry(geometry);
  show();
  raise();
  setFocus();
}

void TCollEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void TCollEdit::TextChanged() {
  if (settingText_ || !isVisible()) return;
  const QString text = toPlainText();
  if (text.contains(QLatin1Char('\n'))) {
    hide();
    if (OnCommit) OnCommit(text.toStdString());
    return;
  }
  // What cannot be part of a number is dropped as it is typed, so the box shows what a commit
  // will take.
  const QString kept = NumberCharsOnly(text);
  if (kept == text) return;
  const int cursorAt = NumberCharsOnly(text.left(textCursor().position())).size();
  settingText_ = true;
  setPlainText(kept);
  setAlignment(Qt::AlignRight);
  QTextCursor cursor = textCursor();
  cursor.setPosition(std::min(cursorAt, static_cast<int>(kept.size())));
  setTextCursor(cursor);
  settingText_ = false;
}

}  // namespace quillon
