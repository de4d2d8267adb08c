#include "main/coll_edit.h"

#include <QKeyEvent>

namespace quillon {

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
  opening_ = true;
  setPlainText(text);
  selectAll();
  setAlignment(Qt::AlignRight);
  opening_ = false;
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
  if (opening_ || !isVisible()) return;
  const QString text = toPlainText();
  if (!text.contains(QLatin1Char('\n'))) return;
  hide();
  if (OnCommit) OnCommit(text.toStdString());
}

}  // namespace quillon
