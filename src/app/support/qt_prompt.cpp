#include "app/support/qt_prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace quillon {

namespace {

// Core texts carry Windows line breaks ("\r\n"); a message box wants plain "\n".
QString BoxText(const std::string& text) { return QString::fromStdString(text).remove(QLatin1Char('\r')); }

}  // namespace

void QtPrompt::Warning(const std::string& caption, const std::string& text) {
  QMessageBox::warning(QApplication::activeWindow(), QString::fromStdString(caption), BoxText(text));
}

bool QtPrompt::Question(const std::string& caption, const std::string& text) {
  const auto answer = QMessageBox::question(QApplication::activeWindow(), QString::fromStdString(caption),
                                            BoxText(text), QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return answer == QMessageBox::Yes;
}

}  // namespace quillon
