#include "main/coll_edit.h"

#include <QKeyEvent>
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

void StyleInPlaceEditor(QWidget* editor) {
  editor->setStyleSheet(QStringLiteral("background-color: yellow; border: none; padding: 0px; margin: 0px;"));
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
