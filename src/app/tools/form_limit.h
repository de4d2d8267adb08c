#pragma once
// TFormLimit: the seconds of oscillogram before and after an event the event tool shows.
#include <QDialog>

class QLineEdit;
class QPushButton;
class QScrollBar;

namespace quillon {

class TFormLimit : public QDialog {
  Q_OBJECT

 public:
  explicit TFormLimit(QWidget* parent = nullptr);

  // The scroll bar positions ButtonShowOSC took.
  int SecondsBefore() const { return before_; }
  int SecondsAfter() const { return after_; }

 private:
  void ButtonShowOSCClick();

  QLineEdit* EditFirst_ = nullptr;
  QScrollBar* ScrollBarFirst_ = nullptr;
  QLineEdit* EditLast_ = nullptr;
  QScrollBar* ScrollBarLast_ = nullptr;
  QPushButton* ButtonShowOSC_ = nullptr;
  int before_ = 0;
  int after_ = 0;
};

}  // namespace quillon
